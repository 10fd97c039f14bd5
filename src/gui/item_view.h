#pragma once
// A report-style view of item rows: columns "Name" and "Comment", whole-row
// selection, one small icon per row, no in-place editing.

#include "gui/item_model.h"

#include <QTreeView>

#include <vector>

namespace vantor::gui {

class ItemView : public QTreeView {
  Q_OBJECT
 public:
  ItemView(const QString& objectName, ItemModel::IconForKind icons, bool multiSelect, bool checkable,
           QWidget* parent = nullptr);

  ItemModel& Model() { return *model_; }
  const ItemModel& Model() const { return *model_; }

  std::vector<int> SelectedRows() const;  // ascending
  int SelectedCount() const;
  void SelectRow(int row, bool select = true);
  void ClearSelection();

  // The hint is shown only while hints are on.
  void SetHint(const QString& hint) { hint_ = hint; }
  void SetHintsEnabled(bool on);
  int HelpTopic() const { return helpTopic_; }
  void SetHelpTopic(int topic) { helpTopic_ = topic; }

 signals:
  void clicked();  // a click or a change of the current row by the user
  void helpRequested(int topic);
  void focusLost();
  void enterReleased();
  void deleteReleased();
  void doubleClickedRow();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  ItemModel* model_;
  QString hint_;
  int helpTopic_ = 0;
};

}  // namespace vantor::gui
