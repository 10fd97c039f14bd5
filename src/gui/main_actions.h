#pragma once
// The main window's commands: one QAction each, shared by the main menu and
// the tool bar, with the images and hints of the image list.

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace vantor::gui {

struct MainActions {
  // File
  QAction* SaveMessage;
  QAction* ExportLists;
  QAction* ImportLists;
  QAction* ExportMessages;
  QAction* ImportMessages;
  QAction* Exit;
  // Edit
  QAction* AddToRecipients;
  QAction* RemoveFromRecipients;
  QAction* TypeInRecipient;
  QAction* AddToFavourites;
  QAction* RemoveFromFavourites;
  QAction* TypeInFavourite;
  QAction* AddNewList;
  QAction* EditList;
  QAction* DeleteList;
  QAction* Options;
  // View
  QAction* ShowToolbar;
  QAction* ShowStatusbar;
  QAction* ShowStatusWindow;
  QAction* ShowActiveOnly;  // Showactiveitemsonly1, shared with tbActiveOnly
  QAction* Refresh;
  // Help
  QAction* Contents;
  QAction* About;

  QMenu* File1;
  QMenu* Edit1;
  QMenu* View1;
  QMenu* Help1;
};

// Creates the actions (owned by owner), the main menu and the tool bar.
MainActions CreateMainActions(QWidget* owner, QMenuBar* menuBar, QToolBar* toolBar);

}  // namespace vantor::gui
