// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's commands: the menu entries, the tool buttons, the
// context menu of the item views and the buttons that run commands. Each
// control that has its own rule for when it is enabled or shown has its own
// QAction; a menu entry and a tool button share one only where every rule
// treats them alike (Exit, Options, Refresh, help contents, type in a
// favourite, save the current message). The window's behaviour classes
// change these states by command, never through the widgets.

#include <QObject>

#include <functional>
#include <initializer_list>
#include <map>

class QAbstractButton;
class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace vantor::gui {

enum class Command {
  // Shared by a menu entry and a tool button.
  SaveMessage,      // File › "Save current message", tbSaveMessage
  Exit,             // File › "E&xit", the exit tool button
  TypeInFavourite,  // Edit › "Type in a favourite", tbTypeFav
  Options,          // Edit › "Options", the options tool button
  Refresh,          // View › "Refresh", NetRefreshBtn
  Contents,         // Help › "&Contents", the help tool button
  // File menu.
  ExportLists,
  ImportLists,
  ExportMessages,
  ImportMessages,
  // Edit menu.
  MenuAddToRecipients,
  MenuRemoveFromRecipients,
  MenuTypeInRecipient,
  MenuAddToFavourites,
  MenuRemoveFromFavourites,
  MenuAddNewList,
  MenuEditList,
  MenuDeleteList,
  // View and Help menus.
  ShowToolbar,
  ShowStatusbar,
  ShowStatusWindow,
  ShowReceived,    // View › "Received messages"
  MenuActiveOnly,  // Showactiveitemsonly1
  About,
  // Tool buttons of their own.
  ToolNewList,  // tbMakeList
  ToolEditList,
  ToolDeleteList,
  ToolAddFavourite,
  ToolRemoveFavourite,
  ToolActiveOnly,
  // The context menu of Net Items, Favourites and Recipients.
  PopupAddToRecipients,
  PopupRemoveFromRecipients,
  PopupTypeInRecipient,
  PopupAddToFavourites,
  PopupRemoveFromFavourites,
  PopupTypeInFavourite,
  PopupAddNewList,
  PopupEditList,
  PopupDeleteList,
  // Buttons of the window.
  AddRecipientButton,     // sbAddRecip
  RemoveRecipientButton,  // sbRemoveRecip
  TypeRecipientButton,    // sbTypeRecip
  SendButton,             // SendBtn
};

class MainCommands : public QObject {
  Q_OBJECT
 public:
  // Creates every action (owned by window), the main menu and the tool bar.
  MainCommands(QWidget* window, QMenuBar* menuBar, QToolBar* toolBar);

  // A button runs its command and follows its enabled state.
  void BindButton(Command command, QAbstractButton* button);
  // Runs handler whenever one of the commands is triggered.
  void OnTriggered(std::initializer_list<Command> commands, const std::function<void()>& handler);

  void SetEnabled(Command command, bool enabled);
  void SetVisible(Command command, bool visible);
  void SetChecked(Command command, bool checked);
  bool IsChecked(Command command) const;
  // The picture of the image list, the caption and the hint.
  void SetImage(Command command, int imageIndex);
  void SetText(Command command, const QString& text);
  void SetHint(Command command, const QString& hint);

  QMenu* PopupMenu() const { return m_popup; }

 signals:
  void editMenuOpening();

 private:
  QAction* Make(Command command, const char* objectName, const char* text, int imageIndex = -1,
                const char* hint = nullptr);
  QAction* ActionOf(Command command) const;
  void BuildMenus(QMenuBar* menuBar);
  void BuildToolBar(QToolBar* toolBar);
  void BuildPopup();

  QWidget* m_window;
  std::map<Command, QAction*> m_actions;
  QMenu* m_editMenu = nullptr;
  QMenu* m_popup = nullptr;
};

}  // namespace vantor::gui
