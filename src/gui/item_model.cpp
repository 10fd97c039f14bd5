#include "gui/item_model.h"

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

int CompareRows(const ItemRow& a, const ItemRow& b, int column, SortDirection dir, bool* reachedText) {
  if (reachedText) *reachedText = false;
  int byKind = a.kind - b.kind;
  if (byKind != 0) return byKind;
  if (reachedText) *reachedText = true;
  int r = column == 0 ? CompareText8(a.name.toUtf8(), b.name.toUtf8())
                      : CompareText8(a.comment.toUtf8(), b.comment.toUtf8());
  return dir == SortDirection::Descending ? -r : r;
}

ItemModel::ItemModel(IconForKind icons, bool checkable, QObject* parent)
    : QAbstractTableModel(parent), icons_(std::move(icons)), checkable_(checkable) {}

int ItemModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }
int ItemModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant ItemModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const ItemRow& r = Row(index.row());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return index.column() == 0 ? r.name : r.comment;
    case Qt::DecorationRole: return index.column() == 0 && icons_ ? QVariant(icons_(r.kind)) : QVariant();
    case Qt::CheckStateRole:
      if (checkable_ && index.column() == 0) return r.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::UserRole: return r.kind;
    default: return {};
  }
}

bool ItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!checkable_ || role != Qt::CheckStateRole || index.column() != 0 || !index.isValid()) return false;
  bool checked = value.toInt() == Qt::Checked;
  SetChecked(index.row(), checked);
  emit checkToggled(index.row(), checked);
  return true;
}

Qt::ItemFlags ItemModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
  if (checkable_ && index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

QVariant ItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return section == 0 ? QStringLiteral("Name") : QStringLiteral("Comment");
  if (role == Qt::DecorationRole && section == headerImageColumn_)
    return direction_ == SortDirection::Ascending ? ascendingIcon_ : descendingIcon_;
  return {};
}

void ItemModel::BeginUpdate() { updating_ = true; }

void ItemModel::EndUpdate(bool sort) {
  updating_ = false;
  if (pending_.empty() && !sort) return;
  beginResetModel();
  if (rows_.empty())
    rows_.swap(pending_);
  else
    rows_.insert(rows_.end(), std::make_move_iterator(pending_.begin()), std::make_move_iterator(pending_.end()));
  pending_.clear();
  endResetModel();
  if (sort) Sort();
}

void ItemModel::Clear() {
  pending_.clear();
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

void ItemModel::Append(ItemRow row) {
  if (updating_) {
    pending_.push_back(std::move(row));
    return;
  }
  beginInsertRows({}, Count(), Count());
  rows_.push_back(std::move(row));
  endInsertRows();
}

void ItemModel::Insert(int position, ItemRow row) {
  position = std::clamp(position, 0, Count());
  beginInsertRows({}, position, position);
  rows_.insert(rows_.begin() + position, std::move(row));
  endInsertRows();
}

void ItemModel::RemoveRows(std::vector<int> positions) {
  std::sort(positions.begin(), positions.end(), std::greater<>());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  for (int p : positions) {
    if (p < 0 || p >= Count()) continue;
    beginRemoveRows({}, p, p);
    rows_.erase(rows_.begin() + p);
    endRemoveRows();
  }
}

void ItemModel::SetComment(int i, const QString& comment) {
  if (i < 0 || i >= Count()) return;
  rows_[static_cast<std::size_t>(i)].comment = comment;
  emit dataChanged(index(i, 1), index(i, 1));
}

void ItemModel::SetChecked(int i, bool checked) {
  if (i < 0 || i >= Count()) return;
  rows_[static_cast<std::size_t>(i)].checked = checked;
  emit dataChanged(index(i, 0), index(i, 0), {Qt::CheckStateRole});
}

int ItemModel::CaptionIndex(const QString& text) const {
  for (int i = 0; i < Count(); ++i)
    if (Row(i).name.compare(text, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void ItemModel::SetSortState(int column, SortDirection dir) {
  sortColumn_ = column;
  direction_ = dir;
}

void ItemModel::ColumnClicked(int column) {
  if (column == sortColumn_)
    direction_ = direction_ == SortDirection::Ascending ? SortDirection::Descending : SortDirection::Ascending;
  else
    sortColumn_ = column;
  Sort();
}

void ItemModel::Sort() {
  if (rows_.size() < 2) return;
  // Compare on the 8-bit forms once per row rather than once per comparison.
  struct Keyed {
    QByteArray key;
    std::size_t index;
    int kind;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i)
    keyed.push_back({(sortColumn_ == 0 ? rows_[i].name : rows_[i].comment).toUtf8(), i, rows_[i].kind});
  bool reachedText = false;
  const bool descending = direction_ == SortDirection::Descending;
  std::stable_sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
    if (a.kind != b.kind) return a.kind < b.kind;
    reachedText = true;
    int r = CompareText8(a.key, b.key);
    return descending ? r > 0 : r < 0;
  });
  emit layoutAboutToBeChanged();
  std::vector<ItemRow> sorted;
  sorted.reserve(rows_.size());
  for (const Keyed& k : keyed) sorted.push_back(std::move(rows_[k.index]));
  rows_.swap(sorted);
  const QModelIndexList persistent = persistentIndexList();
  if (!persistent.isEmpty()) {
    std::vector<int> newPos(rows_.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) newPos[keyed[i].index] = static_cast<int>(i);
    QModelIndexList to;
    for (const QModelIndex& p : persistent) to.append(index(newPos[static_cast<std::size_t>(p.row())], p.column()));
    changePersistentIndexList(persistent, to);
  }
  emit layoutChanged();
  if (reachedText) {
    headerImageColumn_ = sortColumn_;
    emit headerDataChanged(Qt::Horizontal, 0, 1);
  }
}

void ItemModel::SetHeaderIcons(QIcon ascending, QIcon descending) {
  ascendingIcon_ = std::move(ascending);
  descendingIcon_ = std::move(descending);
}

}  // namespace vantor::gui
