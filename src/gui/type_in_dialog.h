// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TTypeRecip, the type-in dialog: a recipient or a favourite typed in by
// name, for names the network browser does not show. One dialog serves both
// commands; each command sets its texts before showing it, and those texts
// stay until another command sets its own. Nothing typed is checked beyond
// the identifier not being empty.

#include "gui/item_model.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantor::gui {

class TTypeRecip : public QDialog {
  Q_OBJECT
 public:
  enum class Purpose { Recipient, Favourite };

  explicit TTypeRecip(QWidget* parent = nullptr);

  // Sets the command's texts, shows the dialog modally and gives the typed
  // row on OK. Either way the boxes are emptied afterwards.
  std::optional<ItemRow> Ask(Purpose purpose);
  // The same with the texts of the last use.
  std::optional<ItemRow> AskAsIs();

  // The kind a type text gives: "User" 2, "PC or Server" 3, "Domain" 1, any
  // other text 0 (compared exactly).
  static int KindOfType(const QString& typeText);

 private:
  void SetTexts(Purpose purpose);
  void Reset();

  QLabel* m_identifierLabel;
  QLineEdit* m_identifier;
  QLineEdit* m_comment;
  QLabel* m_typeLabel;
  QComboBox* m_type;
  QPushButton* m_ok;
  QPushButton* m_cancel;
};

}  // namespace vantor::gui
