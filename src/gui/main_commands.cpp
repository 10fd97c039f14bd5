// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main_commands.h"

#include "gui/image_list.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

namespace vantor::gui {

MainCommands::MainCommands(QWidget* window, QMenuBar* menuBar, QToolBar* toolBar)
    : QObject(window), m_window(window) {
  using C = Command;
  namespace i = image;
  Make(C::SaveMessage, "tbSaveMessage", "Save current message", i::kSaveMessage, "Save current message");
  Make(C::Exit, "Exit1", "E&xit", i::kExit, "Exit the application");
  Make(C::TypeInFavourite, "tbTypeFav", "Type in a favourite", i::kTypeFavourite, "Type in a favourite");
  Make(C::Options, "Options1", "Options", i::kOptions, "Show the Options dialog");
  Make(C::Refresh, "NetRefreshBtn", "Refresh", i::kRefresh, "Refresh the Net Items view");
  Make(C::Contents, "Contents1", "&Contents", i::kHelp, "Show the help file");
  Make(C::ExportLists, "ExportLists1", "Export Lists", i::kExportLists);
  Make(C::ImportLists, "ImportLists1", "Import Lists", i::kImportLists);
  Make(C::ExportMessages, "ExportMessages1", "Export Messages", i::kExportMessages);
  Make(C::ImportMessages, "ImportMessages1", "Import Messages", i::kImportMessages);

  Make(C::MenuAddToRecipients, "Addtorecipients1", "Add to recipients", i::kAddRecipient);
  Make(C::MenuRemoveFromRecipients, "Removefromrecipients1", "Remove from recipients", i::kRemoveRecipient);
  Make(C::MenuTypeInRecipient, "Typeinarecipient1", "Type in a recipient", i::kTypeRecipient);
  Make(C::MenuAddToFavourites, "Addtofavourites1", "Add to favourites", i::kAddFavourite);
  Make(C::MenuRemoveFromFavourites, "Removefromfavourites1", "Remove from favourites", i::kRemoveFavourite);
  Make(C::MenuAddNewList, "AddNewList1", "Add New List", i::kList);
  Make(C::MenuEditList, "EditList1", "Edit List", i::kEditList);
  Make(C::MenuDeleteList, "DeleteList1", "Delete List", i::kDeleteList);

  Make(C::ShowToolbar, "ShowToolbar1", "Show Toolbar");
  Make(C::ShowStatusbar, "ShowStatusbar1", "Show Statusbar");
  Make(C::ShowStatusWindow, "ShowStatusWin1", "Show Status window");
  Make(C::ShowReceived, "ShowReceived1", "Received messages");
  Make(C::MenuActiveOnly, "Showactiveitemsonly1", "Show active items only", i::kShowActiveOnly);
  Make(C::About, "About1", "&About...", i::kHelp);

  Make(C::ToolNewList, "tbMakeList", "Add New List", i::kList, "Add new list");
  Make(C::ToolEditList, "tbEditList", "Edit List", i::kEditList, "Edit a list");
  Make(C::ToolDeleteList, "tbDelList", "Delete List", i::kDeleteList, "Remove a list");
  Make(C::ToolAddFavourite, "tbAddFav", "Add to favourites", i::kAddFavourite, "Add to favourites");
  Make(C::ToolRemoveFavourite, "tbDelFav", "Remove from favourites", i::kRemoveFavourite, "Remove from favourites");
  Make(C::ToolActiveOnly, "tbActiveOnly", "Show active items only", i::kShowActiveOnly, "Show active items only");

  Make(C::PopupAddToRecipients, "pmAddToRecipients", "Add to recipients", i::kAddRecipient);
  Make(C::PopupRemoveFromRecipients, "pmRemoveFromRecipients", "Remove from recipients", i::kRemoveRecipient);
  Make(C::PopupTypeInRecipient, "pmTypeInRecipient", "Type in a recipient", i::kTypeRecipient);
  Make(C::PopupAddToFavourites, "pmAddToFavourites", "Add to favourites", i::kAddFavourite);
  Make(C::PopupRemoveFromFavourites, "pmRemoveFromFavourites", "Remove from favourites", i::kRemoveFavourite);
  Make(C::PopupTypeInFavourite, "pmTypeInFavourite", "Type in a favourite", i::kTypeFavourite);
  Make(C::PopupAddNewList, "pmAddNewList", "Add New List", i::kList);
  Make(C::PopupEditList, "pmEditList", "Edit List", i::kEditList);
  Make(C::PopupDeleteList, "pmDeleteList", "Delete List", i::kDeleteList);

  Make(C::AddRecipientButton, "AddRecipientCommand", "Add a recipient", i::kAddRecipient, "Add a recipient");
  Make(C::RemoveRecipientButton, "RemoveRecipientCommand", "Remove a recipient", i::kRemoveRecipient,
       "Remove a recipient");
  Make(C::TypeRecipientButton, "TypeRecipientCommand", "Type in a recipient", i::kTypeRecipient,
       "Type in a recipient");
  Make(C::SendButton, "SendCommand", "&Send");

  ActionOf(C::Exit)->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  ActionOf(C::Options)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  ActionOf(C::Refresh)->setShortcut(QKeySequence(Qt::Key_F5));
  ActionOf(C::Contents)->setShortcut(QKeySequence(Qt::Key_F1));
  ActionOf(C::About)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  for (Command c : {C::ShowToolbar, C::ShowStatusbar}) {
    ActionOf(c)->setCheckable(true);
    ActionOf(c)->setChecked(true);
  }
  for (Command c : {C::ShowStatusWindow, C::ToolEditList, C::ToolDeleteList, C::ToolAddFavourite,
                    C::ToolRemoveFavourite, C::SaveMessage, C::SendButton})
    ActionOf(c)->setEnabled(false);

  BuildMenus(menuBar);
  BuildToolBar(toolBar);
  BuildPopup();
}

QAction* MainCommands::Make(Command command, const char* objectName, const char* text, int imageIndex,
                            const char* hint) {
  auto* a = new QAction(QString::fromUtf8(text), m_window);
  a->setObjectName(QString::fromLatin1(objectName));
  if (imageIndex >= 0) a->setIcon(Image(imageIndex));
  // A tool button shows its hint; a menu entry shows no tip of its own.
  a->setToolTip(hint ? QString::fromUtf8(hint) : QString());
  a->setShortcutContext(Qt::WindowShortcut);
  m_window->addAction(a);
  m_actions[command] = a;
  return a;
}

QAction* MainCommands::ActionOf(Command command) const { return m_actions.at(command); }

void MainCommands::BuildMenus(QMenuBar* menuBar) {
  using C = Command;
  auto add = [this](QMenu* menu, std::initializer_list<Command> entries) {
    for (Command c : entries) menu->addAction(ActionOf(c));
  };
  QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File1"));
  add(file, {C::SaveMessage});
  file->addSeparator();
  add(file, {C::ExportLists, C::ImportLists});
  file->addSeparator();
  add(file, {C::ExportMessages, C::ImportMessages});
  file->addSeparator();
  add(file, {C::Exit});

  m_editMenu = menuBar->addMenu(QStringLiteral("&Edit"));
  m_editMenu->setObjectName(QStringLiteral("Edit1"));
  add(m_editMenu, {C::MenuAddToRecipients, C::MenuRemoveFromRecipients, C::MenuTypeInRecipient});
  m_editMenu->addSeparator();
  add(m_editMenu, {C::MenuAddToFavourites, C::MenuRemoveFromFavourites, C::TypeInFavourite});
  m_editMenu->addSeparator();
  add(m_editMenu, {C::MenuAddNewList, C::MenuEditList, C::MenuDeleteList});
  m_editMenu->addSeparator();
  add(m_editMenu, {C::Options});
  connect(m_editMenu, &QMenu::aboutToShow, this, &MainCommands::editMenuOpening);

  QMenu* view = menuBar->addMenu(QStringLiteral("V&iew"));
  view->setObjectName(QStringLiteral("View1"));
  add(view, {C::ShowToolbar, C::ShowStatusbar, C::ShowStatusWindow, C::ShowReceived});
  view->addSeparator();
  add(view, {C::MenuActiveOnly});
  view->addSeparator();
  add(view, {C::Refresh});

  QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Help1"));
  add(help, {C::Contents});
  help->addSeparator();
  add(help, {C::About});
}

void MainCommands::BuildToolBar(QToolBar* toolBar) {
  using C = Command;
  const std::initializer_list<std::initializer_list<Command>> groups = {
      {C::Exit},
      {C::ToolNewList, C::ToolEditList, C::ToolDeleteList},
      {C::ToolAddFavourite, C::ToolRemoveFavourite, C::TypeInFavourite},
      {C::Options},
      {C::Refresh, C::ToolActiveOnly},
      {C::SaveMessage},
      {C::Contents},
  };
  bool first = true;
  for (const auto& group : groups) {
    if (!first) toolBar->addSeparator();
    first = false;
    for (Command c : group) toolBar->addAction(ActionOf(c));
  }
}

void MainCommands::BuildPopup() {
  using C = Command;
  m_popup = new QMenu(m_window);
  m_popup->setObjectName(QStringLiteral("PopupMenu1"));
  for (Command c : {C::PopupAddToRecipients, C::PopupRemoveFromRecipients, C::PopupTypeInRecipient})
    m_popup->addAction(ActionOf(c));
  m_popup->addSeparator();
  for (Command c : {C::PopupAddToFavourites, C::PopupRemoveFromFavourites, C::PopupTypeInFavourite})
    m_popup->addAction(ActionOf(c));
  m_popup->addSeparator();
  for (Command c : {C::PopupAddNewList, C::PopupEditList, C::PopupDeleteList}) m_popup->addAction(ActionOf(c));
}

void MainCommands::BindButton(Command command, QAbstractButton* button) {
  QAction* a = ActionOf(command);
  // A tool button shows the command's picture and hint and follows it.
  if (auto* tool = qobject_cast<QToolButton*>(button)) {
    tool->setDefaultAction(a);
    return;
  }
  button->setEnabled(a->isEnabled());
  connect(a, &QAction::enabledChanged, button, &QWidget::setEnabled);
  connect(button, &QAbstractButton::clicked, a, [a] { a->trigger(); });
}

void MainCommands::OnTriggered(std::initializer_list<Command> commands, const std::function<void()>& handler) {
  for (Command c : commands) connect(ActionOf(c), &QAction::triggered, this, [handler] { handler(); });
}

void MainCommands::SetEnabled(Command command, bool enabled) { ActionOf(command)->setEnabled(enabled); }
void MainCommands::SetVisible(Command command, bool visible) { ActionOf(command)->setVisible(visible); }
void MainCommands::SetChecked(Command command, bool checked) { ActionOf(command)->setChecked(checked); }
bool MainCommands::IsChecked(Command command) const { return ActionOf(command)->isChecked(); }
void MainCommands::SetImage(Command command, int imageIndex) { ActionOf(command)->setIcon(Image(imageIndex)); }
void MainCommands::SetText(Command command, const QString& text) { ActionOf(command)->setText(text); }
void MainCommands::SetHint(Command command, const QString& hint) { ActionOf(command)->setToolTip(hint); }

}  // namespace vantor::gui
