// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/item_view.h"

#include "gui/image_list.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

namespace vantor::gui {

namespace {
// What a drag between the item views carries: only that it is one. The drop
// acts on the source view's selection, which the target finds by the source.
const QString kRowsMimeType = QStringLiteral("application/x-vantor-rows");
}  // namespace

ItemView::ItemView(const Design& design, QWidget* parent)
    : QTreeView(parent),
      m_model(new ItemModel([](int kind) { return Image(kind); }, design.checkable, this)),
      m_hint(QString::fromUtf8(design.hint)),
      m_helpTopic(design.helpTopic) {
  setObjectName(QString::fromLatin1(design.objectName));
  setModel(m_model);
  m_model->SetHeaderIcons(Image(image::kSortAscending), Image(image::kSortDescending));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);  // keeps views of thousands of rows fast
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(design.multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
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
  setDragEnabled(design.dragSource);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDropIndicatorShown(false);
  setAcceptDrops(false);
  if (design.nameOrderOnly)
    connect(header(), &QHeaderView::sectionClicked, this, [this] { m_model->FlipNameOrder(); });
  else
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) { m_model->ColumnClicked(column); });
}

std::vector<int> ItemView::SelectedRows() const {
  std::vector<int> rows;
  if (!selectionModel()) return rows;
  for (const QModelIndex& i : selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int ItemView::SelectedCount() const { return selectionModel() ? int(selectionModel()->selectedRows().size()) : 0; }

const ItemRow* ItemView::SingleSelectedRow() const {
  const std::vector<int> rows = SelectedRows();
  return rows.size() == 1 ? &m_model->Row(rows.front()) : nullptr;
}

void ItemView::SelectRow(int row, bool select) {
  if (row < 0 || row >= m_model->Count()) return;
  selectionModel()->select(m_model->index(row, 0), (select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                                       QItemSelectionModel::Rows);
}

void ItemView::SetHintsEnabled(bool on) { setToolTip(on ? m_hint : QString()); }

void ItemView::AcceptDropsFrom(DropFilter accepts) {
  m_acceptsDrop = std::move(accepts);
  setAcceptDrops(static_cast<bool>(m_acceptsDrop));
  viewport()->setAcceptDrops(static_cast<bool>(m_acceptsDrop));
}

void ItemView::startDrag(Qt::DropActions) {
  if (SelectedCount() == 0) return;
  auto* drag = new QDrag(this);
  auto* payload = new QMimeData;
  payload->setData(kRowsMimeType, objectName().toUtf8());
  drag->setMimeData(payload);
  drag->setPixmap(Image(image::kAddRecipient).pixmap(16, 16));
  drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool ItemView::AcceptsDrop(const QDropEvent* e) const {
  return e->mimeData()->hasFormat(kRowsMimeType) && m_acceptsDrop &&
         m_acceptsDrop(qobject_cast<const QWidget*>(e->source()));
}

void ItemView::dragEnterEvent(QDragEnterEvent* e) {
  if (AcceptsDrop(e))
    e->acceptProposedAction();
  else
    e->ignore();
}

void ItemView::dragMoveEvent(QDragMoveEvent* e) {
  if (AcceptsDrop(e))
    e->acceptProposedAction();
  else
    e->ignore();
}

void ItemView::dropEvent(QDropEvent* e) {
  if (!AcceptsDrop(e)) {
    e->ignore();
    return;
  }
  e->acceptProposedAction();
  emit rowsDropped(qobject_cast<QWidget*>(e->source()));
}

void ItemView::mouseReleaseEvent(QMouseEvent* e) {
  QTreeView::mouseReleaseEvent(e);
  emit rowClicked();
}

bool ItemView::event(QEvent* e) {
  // F1 asks for this view's topic, not the window's help contents.
  if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1) {
    e->accept();
    return true;
  }
  return QTreeView::event(e);
}

void ItemView::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    emit helpRequested(m_helpTopic);
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
    case Qt::Key_Space: emit rowClicked(); break;
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
  emit rowDoubleClicked();
}

}  // namespace vantor::gui
