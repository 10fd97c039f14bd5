// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Saved messages tab: the list of saved messages in display order, with
// commands to store the current message, load one back, reorder, rename in
// place and delete. The store's slots change at once; the display order
// reaches the store at exit and before an export.

#include <QObject>

#include <functional>

class QTreeWidgetItem;
class QWidget;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class MainCommands;
struct MainViews;
class MessageArea;
class MessageBoxes;
class TOptions;

class SavedMessagesCommands : public QObject {
  Q_OBJECT
 public:
  struct Deps {
    store::Hive& hive;
    MessageBoxes& boxes;
    QWidget& window;
    TOptions& options;  // the sender alias box
    const MainViews& views;
    MainCommands& commands;
    MessageArea& area;
    std::function<void(int)> showHelp;
  };

  explicit SavedMessagesCommands(const Deps& deps);

  // tbSaveMessageClick: stores the current message and opens its title for
  // editing on the Saved messages tab.
  void tbSaveMessageClick();
  // The send command's hand-over: stores without changing the tab.
  void StoreForSend();
  // Fill view (start-up, after an import) and Write order (exit, export).
  void FillView();
  void WriteOrder();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  bool Store(bool interactive);
  QTreeWidgetItem* AppendRow(int slot, const QString& title, int count);
  void SelectMessageClick();
  void DeleteMessageClick();
  void Move(int by);
  void MsgViewEdited(QTreeWidgetItem* item);
  void EditTitle(QTreeWidgetItem* item);
  void UpdateButtons();
  void DisableButtons();
  void SelectRow(int row);

  Deps m_;
  bool m_filling = false;
  bool m_editing = false;  // a title's editor is open
  const QObject* m_view = nullptr;  // the filtered view; never dereferenced
};

}  // namespace vantor::gui
