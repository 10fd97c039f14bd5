// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A report-style view of item rows: columns "Name" and "Comment", whole-row
// selection, one small icon per row, no in-place editing. Its hint shows only
// while hints are on; F1 asks for its help topic. Keys act on release, as
// the program's commands expect.

#include "gui/item_model.h"

#include <QTreeView>

#include <functional>
#include <vector>

namespace vantor::gui {

class ItemView : public QTreeView {
  Q_OBJECT
 public:
  struct Design {
    const char* objectName;
    const char* hint;
    int helpTopic;
    bool multiSelect;
    bool checkable;
    bool dragSource;
    bool nameOrderOnly = false;  // a header click flips the name order (the list editor)
  };

  // Which views' rows may be dropped here; none by default.
  using DropFilter = std::function<bool(const QWidget* source)>;

  explicit ItemView(const Design& design, QWidget* parent = nullptr);

  ItemModel& itemModel() { return *m_model; }
  const ItemModel& itemModel() const { return *m_model; }

  std::vector<int> SelectedRows() const;  // ascending
  int SelectedCount() const;
  // The single selected row, or nullptr when none or several are selected.
  const ItemRow* SingleSelectedRow() const;
  void SelectRow(int row, bool select = true);

  void SetHintsEnabled(bool on);
  void AcceptDropsFrom(DropFilter accepts);

 signals:
  // A click, or a change of the current row by the keyboard.
  void rowClicked();
  void helpRequested(int topic);
  void focusLost();
  void enterReleased();
  void deleteReleased();
  void rowDoubleClicked();
  // Rows dragged from source were dropped here. What that does depends on
  // the two views, and acts on the source's selected rows.
  void rowsDropped(QWidget* source);

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  bool AcceptsDrop(const QDropEvent* e) const;

  ItemModel* m_model;
  QString m_hint;
  int m_helpTopic;
  DropFilter m_acceptsDrop;
};

}  // namespace vantor::gui
