#include "gui/item_view.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace vantor::gui {

ItemView::ItemView(const QString& objectName, ItemModel::IconForKind icons, bool multiSelect, bool checkable,
                   QWidget* parent)
    : QTreeView(parent), model_(new ItemModel(std::move(icons), checkable, this)) {
  setObjectName(objectName);
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);  // keeps views of thousands of rows fast
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setIconSize(QSize(16, 16));
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  header()->setStretchLastSection(true);
  // Both columns follow their contents; sampling a few hundred rows keeps
  // that cheap for large views.
  header()->setResizeContentsPrecision(200);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  connect(header(), &QHeaderView::sectionClicked, this, [this](int column) { model_->ColumnClicked(column); });
}

std::vector<int> ItemView::SelectedRows() const {
  std::vector<int> rows;
  if (!selectionModel()) return rows;
  for (const QModelIndex& i : selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int ItemView::SelectedCount() const { return selectionModel() ? int(selectionModel()->selectedRows().size()) : 0; }

void ItemView::SelectRow(int row, bool select) {
  if (row < 0 || row >= model_->Count()) return;
  selectionModel()->select(
      model_->index(row, 0),
      (select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
}

void ItemView::ClearSelection() {
  if (selectionModel()) selectionModel()->clearSelection();
}

void ItemView::SetHintsEnabled(bool on) { setToolTip(on ? hint_ : QString()); }

void ItemView::mouseReleaseEvent(QMouseEvent* e) {
  QTreeView::mouseReleaseEvent(e);
  emit clicked();
}

void ItemView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    emit helpRequested(helpTopic_);
    return;
  }
  QTreeView::keyPressEvent(e);
  switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Space: emit clicked(); break;
    default: break;
  }
}

void ItemView::keyReleaseEvent(QKeyEvent* e) {
  QTreeView::keyReleaseEvent(e);
  if (e->isAutoRepeat()) return;
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) emit enterReleased();
  if (e->key() == Qt::Key_Delete) emit deleteReleased();
}

void ItemView::focusOutEvent(QFocusEvent* e) {
  QTreeView::focusOutEvent(e);
  emit focusLost();
}

void ItemView::mouseDoubleClickEvent(QMouseEvent* e) {
  QTreeView::mouseDoubleClickEvent(e);
  emit doubleClickedRow();
}

}  // namespace vantor::gui
