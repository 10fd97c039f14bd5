// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/item_model.h"

#include "gui/res_strings.h"

#include <algorithm>

namespace vantor::gui {

namespace {
inline unsigned char Fold(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}
}  // namespace

int CompareText8(const QByteArray& a, const QByteArray& b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    unsigned char x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return int(x) - int(y);
  }
  return static_cast<int>(a.size() - b.size());
}

ItemModel::ItemModel(IconForKind icons, bool checkable, QObject* parent)
    : QAbstractTableModel(parent), m_icons(std::move(icons)), m_checkable(checkable) {}

int ItemModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }
int ItemModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ItemModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const ItemRow& r = Row(index.row());
  switch (role) {
    // No hint of a row's own: the view's hint shows only while hints are on.
    case Qt::DisplayRole: return index.column() == 0 ? r.name : r.comment;
    case Qt::DecorationRole: return index.column() == 0 && m_icons ? QVariant(m_icons(r.kind)) : QVariant();
    case Qt::CheckStateRole:
      if (m_checkable && index.column() == 0) return r.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    default: return {};
  }
}

bool ItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!m_checkable || role != Qt::CheckStateRole || index.column() != 0 || !index.isValid()) return false;
  bool checked = value.toInt() == Qt::Checked;
  SetChecked(index.row(), checked);
  emit checkToggled(index.row(), checked);
  return true;
}

Qt::ItemFlags ItemModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
  if (m_checkable && index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant ItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return QString::fromLatin1(section == 0 ? res::kNameColumn : res::kCommentColumn);
  if (role == Qt::DecorationRole && section == m_headerImageColumn)
    return m_headerImageDirection == SortDirection::Ascending ? m_ascendingIcon : m_descendingIcon;
  return {};
}

void ItemModel::BeginUpdate() { m_updating = true; }

void ItemModel::EndUpdate(bool sort) {
  m_updating = false;
  if (!m_pending.empty()) {
    // Inserted, not reset, so that selections and current rows survive.
    const int first = Count();
    beginInsertRows({}, first, first + static_cast<int>(m_pending.size()) - 1);
    if (m_rows.empty())
      m_rows.swap(m_pending);
    else
      m_rows.insert(m_rows.end(), std::make_move_iterator(m_pending.begin()), std::make_move_iterator(m_pending.end()));
    m_pending.clear();
    endInsertRows();
  }
  if (sort) Sort();
}

void ItemModel::Clear() {
  m_pending.clear();
  if (m_rows.empty()) return;
  beginResetModel();
  m_rows.clear();
  endResetModel();
}

void ItemModel::Append(ItemRow row) {
  if (m_updating) {
    m_pending.push_back(std::move(row));
    return;
  }
  beginInsertRows({}, Count(), Count());
  m_rows.push_back(std::move(row));
  endInsertRows();
}

void ItemModel::Insert(int position, ItemRow row) {
  position = std::clamp(position, 0, Count());
  beginInsertRows({}, position, position);
  m_rows.insert(m_rows.begin() + position, std::move(row));
  endInsertRows();
}

void ItemModel::RemoveRows(std::vector<int> positions) {
  std::sort(positions.begin(), positions.end(), std::greater<>());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  for (int p : positions) {
    if (p < 0 || p >= Count()) continue;
    beginRemoveRows({}, p, p);
    m_rows.erase(m_rows.begin() + p);
    endRemoveRows();
  }
}

void ItemModel::SetComment(int i, const QString& comment) {
  if (i < 0 || i >= Count()) return;
  m_rows[static_cast<std::size_t>(i)].comment = comment;
  emit dataChanged(index(i, 1), index(i, 1));
}

void ItemModel::SetChecked(int i, bool checked) {
  if (i < 0 || i >= Count()) return;
  m_rows[static_cast<std::size_t>(i)].checked = checked;
  emit dataChanged(index(i, 0), index(i, 0), {Qt::CheckStateRole});
}

int ItemModel::CaptionIndex(const QString& text) const {
  for (int i = 0; i < Count(); ++i)
    if (Row(i).name.compare(text, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void ItemModel::SetSortState(int column, SortDirection dir) {
  m_sortColumn = column;
  m_direction = dir;
}

void ItemModel::ColumnClicked(int column) {
  if (column == m_sortColumn)
    m_direction = m_direction == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
  else
    m_sortColumn = column;
  Sort();
}

void ItemModel::FlipNameOrder() {
  m_sortColumn = 0;
  m_direction = m_direction == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
  Sort();
}

void ItemModel::Sort() {
  if (m_rows.size() < 2) return;
  // Compare on the 8-bit forms once per row rather than once per comparison.
  struct Keyed {
    QByteArray key;
    std::size_t index;
    int kind;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(m_rows.size());
  for (std::size_t i = 0; i < m_rows.size(); ++i)
    keyed.push_back({(m_sortColumn == 0 ? m_rows[i].name : m_rows[i].comment).toUtf8(), i, m_rows[i].kind});
  bool reachedText = false;
  const bool descending = m_direction == SortDirection::Descending;
  std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    reachedText = true;
    int r = CompareText8(a.key, b.key);
    return descending ? r > 0 : r < 0;
  });
  emit layoutAboutToBeChanged();
  std::vector<ItemRow> sorted;
  sorted.reserve(m_rows.size());
  for (const Keyed& k : keyed) sorted.push_back(std::move(m_rows[k.index]));
  m_rows.swap(sorted);
  const QModelIndexList persistent = persistentIndexList();
  if (!persistent.isEmpty()) {
    std::vector<int> newPos(m_rows.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) newPos[keyed[i].index] = static_cast<int>(i);
    QModelIndexList to;
    for (const QModelIndex& p : persistent) to.append(index(newPos[static_cast<std::size_t>(p.row())], p.column()));
    changePersistentIndexList(persistent, to);
  }
  emit layoutChanged();
  // The header asks again only when its image changes: a header that sizes
  // its sections to their contents measures hundreds of rows each time.
  if (reachedText && (m_headerImageColumn != m_sortColumn || m_headerImageDirection != m_direction)) {
    m_headerImageColumn = m_sortColumn;
    m_headerImageDirection = m_direction;
    emit headerDataChanged(Qt::Horizontal, 0, 1);
  }
}

void ItemModel::SetHeaderIcons(QIcon ascending, QIcon descending) {
  m_ascendingIcon = std::move(ascending);
  m_descendingIcon = std::move(descending);
}

}  // namespace vantor::gui
