#include "gui/main_actions.h"

#include "gui/image_list.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace vantor::gui {

namespace {
QAction* Make(QWidget* owner, const char* objectName, const char* text, int imageIndex = -1, const char* hint = nullptr,
              const QKeySequence& shortcut = {}) {
  auto* a = new QAction(QString::fromUtf8(text), owner);
  a->setObjectName(QString::fromLatin1(objectName));
  if (imageIndex >= 0) a->setIcon(Image(imageIndex));
  if (hint) {
    a->setToolTip(QString::fromUtf8(hint));
    a->setStatusTip(QString());
  }
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  a->setShortcutContext(Qt::WindowShortcut);
  return a;
}
}  // namespace

MainActions CreateMainActions(QWidget* owner, QMenuBar* menuBar, QToolBar* toolBar) {
  MainActions a{};
  a.SaveMessage = Make(owner, "tbSaveMessage", "Save current message", image::kSaveMessage, "Save current message");
  a.ExportLists = Make(owner, "ExportLists1", "Export Lists", image::kExportLists);
  a.ImportLists = Make(owner, "ImportLists1", "Import Lists", image::kImportLists);
  a.ExportMessages = Make(owner, "ExportMessages1", "Export Messages", image::kExportMessages);
  a.ImportMessages = Make(owner, "ImportMessages1", "Import Messages", image::kImportMessages);
  a.Exit = Make(owner, "Exit1", "E&xit", image::kExit, "Exit the application", QKeySequence(Qt::ALT | Qt::Key_F4));

  a.AddToRecipients = Make(owner, "Addtorecipients1", "Add to recipients", image::kAddRecipient);
  a.RemoveFromRecipients = Make(owner, "Removefromrecipients1", "Remove from recipients", image::kRemoveRecipient);
  a.TypeInRecipient = Make(owner, "Typeinarecipient1", "Type in a recipient", image::kTypeRecipient);
  a.AddToFavourites = Make(owner, "tbAddFav", "Add to favourites", image::kAddFavourite, "Add to favourites");
  a.RemoveFromFavourites =
      Make(owner, "tbDelFav", "Remove from favourites", image::kRemoveFavourite, "Remove from favourites");
  a.TypeInFavourite = Make(owner, "tbTypeFav", "Type in a favourite", image::kTypeFavourite, "Type in a favourite");
  a.AddNewList = Make(owner, "tbMakeList", "Add New List", image::kList, "Add new list");
  a.EditList = Make(owner, "tbEditList", "Edit List", image::kEditList, "Edit a list");
  a.DeleteList = Make(owner, "tbDelList", "Delete List", image::kDeleteList, "Remove a list");
  a.Options = Make(owner, "Options1", "Options", image::kOptions, "Show the Options dialog",
                   QKeySequence(Qt::CTRL | Qt::Key_O));

  a.ShowToolbar = Make(owner, "ShowToolbar1", "Show Toolbar");
  a.ShowToolbar->setCheckable(true);
  a.ShowToolbar->setChecked(true);
  a.ShowStatusbar = Make(owner, "ShowStatusbar1", "Show Statusbar");
  a.ShowStatusbar->setCheckable(true);
  a.ShowStatusbar->setChecked(true);
  a.ShowStatusWindow = Make(owner, "ShowStatusWin1", "Show Status window");
  a.ShowStatusWindow->setEnabled(false);
  a.ShowActiveOnly =
      Make(owner, "tbActiveOnly", "Show active items only", image::kShowActiveOnly, "Show active items only");
  a.Refresh =
      Make(owner, "NetRefreshBtn", "Refresh", image::kRefresh, "Refresh the Net Items view", QKeySequence(Qt::Key_F5));

  a.Contents = Make(owner, "Contents1", "&Contents", image::kHelp, "Show the help file", QKeySequence(Qt::Key_F1));
  a.About = Make(owner, "About1", "&About...", image::kHelp, nullptr, QKeySequence(Qt::CTRL | Qt::Key_A));

  a.File1 = menuBar->addMenu(QStringLiteral("&File"));
  a.File1->setObjectName(QStringLiteral("File1"));
  a.File1->addAction(a.SaveMessage);
  a.File1->addSeparator();
  a.File1->addAction(a.ExportLists);
  a.File1->addAction(a.ImportLists);
  a.File1->addSeparator();
  a.File1->addAction(a.ExportMessages);
  a.File1->addAction(a.ImportMessages);
  a.File1->addSeparator();
  a.File1->addAction(a.Exit);

  a.Edit1 = menuBar->addMenu(QStringLiteral("&Edit"));
  a.Edit1->setObjectName(QStringLiteral("Edit1"));
  a.Edit1->addAction(a.AddToRecipients);
  a.Edit1->addAction(a.RemoveFromRecipients);
  a.Edit1->addAction(a.TypeInRecipient);
  a.Edit1->addSeparator();
  a.Edit1->addAction(a.AddToFavourites);
  a.Edit1->addAction(a.RemoveFromFavourites);
  a.Edit1->addAction(a.TypeInFavourite);
  a.Edit1->addSeparator();
  a.Edit1->addAction(a.AddNewList);
  a.Edit1->addAction(a.EditList);
  a.Edit1->addAction(a.DeleteList);
  a.Edit1->addSeparator();
  a.Edit1->addAction(a.Options);

  a.View1 = menuBar->addMenu(QStringLiteral("V&iew"));
  a.View1->setObjectName(QStringLiteral("View1"));
  a.View1->addAction(a.ShowToolbar);
  a.View1->addAction(a.ShowStatusbar);
  a.View1->addAction(a.ShowStatusWindow);
  a.View1->addSeparator();
  a.View1->addAction(a.ShowActiveOnly);
  a.View1->addSeparator();
  a.View1->addAction(a.Refresh);

  a.Help1 = menuBar->addMenu(QStringLiteral("&Help"));
  a.Help1->setObjectName(QStringLiteral("Help1"));
  a.Help1->addAction(a.Contents);
  a.Help1->addSeparator();
  a.Help1->addAction(a.About);

  toolBar->addAction(a.Exit);
  toolBar->addSeparator();
  toolBar->addAction(a.AddNewList);
  toolBar->addAction(a.EditList);
  toolBar->addAction(a.DeleteList);
  toolBar->addSeparator();
  toolBar->addAction(a.AddToFavourites);
  toolBar->addAction(a.RemoveFromFavourites);
  toolBar->addAction(a.TypeInFavourite);
  toolBar->addSeparator();
  toolBar->addAction(a.Options);
  toolBar->addSeparator();
  toolBar->addAction(a.Refresh);
  toolBar->addAction(a.ShowActiveOnly);
  toolBar->addSeparator();
  toolBar->addAction(a.SaveMessage);
  toolBar->addSeparator();
  toolBar->addAction(a.Contents);

  a.EditList->setEnabled(false);
  a.DeleteList->setEnabled(false);
  a.AddToFavourites->setEnabled(false);
  a.RemoveFromFavourites->setEnabled(false);
  a.SaveMessage->setEnabled(false);
  return a;
}

}  // namespace vantor::gui
