// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows of the four item views (Net Items, Favourites, Recipients,
// Servers): a name, a comment and a recipient kind, which is also the row's
// icon; Servers rows also carry a check mark. Thousands of rows are normal,
// so rows are added in batches (BeginUpdate/EndUpdate) and sorted in one go.

#include "common/recipient.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace vantor::gui {

// A row: its kind (a RecipientKind, any number when read from the store) is
// also its icon.
struct ItemRow {
  QString name;
  QString comment;
  int kind = kUserKind;
  bool checked = true;  // Servers view only
};

enum class SortDirection { Ascending, Descending };

// The comparison of names or comments within a kind: 8-bit text with only
// a-z folded to A-Z; the difference of the first unequal bytes, else of the
// lengths. (Rows are grouped by kind first, whatever the direction.)
int CompareText8(const QByteArray& a, const QByteArray& b);

class ItemModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using IconForKind = std::function<QIcon(int kind)>;

  ItemModel(IconForKind icons, bool checkable, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const ItemRow& Row(int i) const { return m_rows[static_cast<std::size_t>(i)]; }
  const std::vector<ItemRow>& Rows() const { return m_rows; }
  int Count() const { return static_cast<int>(m_rows.size()); }

  // Between BeginUpdate and EndUpdate added rows are held back: the view
  // neither repaints nor sorts per row. EndUpdate publishes them in one go.
  void BeginUpdate();
  void EndUpdate(bool sort);

  void Clear();
  void Append(ItemRow row);
  void Insert(int position, ItemRow row);
  void RemoveRows(std::vector<int> positions);
  void SetComment(int i, const QString& comment);
  void SetChecked(int i, bool checked);

  // The first row whose name equals text without regard to case, or -1.
  int CaptionIndex(const QString& text) const;

  // Sort state: the column (0 name, 1 comment) and the direction.
  int SortColumn() const { return m_sortColumn; }
  void SetSortState(int column, SortDirection dir);
  // A header click: the same column flips the direction, another column
  // becomes the sort column with the direction kept. Then the rows are sorted.
  void ColumnClicked(int column);
  // The list editor's rule: any header click flips the direction, and the
  // rows are sorted by name.
  void FlipNameOrder();
  void Sort();
  // The header images: 5 ascending, 6 descending, on the sort column.
  void SetHeaderIcons(QIcon ascending, QIcon descending);
  int HeaderImageColumn() const { return m_headerImageColumn; }

 signals:
  void checkToggled(int row, bool checked);

 private:
  IconForKind m_icons;
  bool m_checkable;
  std::vector<ItemRow> m_rows;
  std::vector<ItemRow> m_pending;
  bool m_updating = false;
  int m_sortColumn = 0;
  SortDirection m_direction = SortDirection::Ascending;
  int m_headerImageColumn = -1;  // with the direction of the sort that set it
  SortDirection m_headerImageDirection = SortDirection::Ascending;
  QIcon m_ascendingIcon, m_descendingIcon;
};

}  // namespace vantor::gui
