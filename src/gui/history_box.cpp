// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/history_box.h"

#include <QLineEdit>

namespace vantor::gui {

HistoryBox::HistoryBox(const char* objectName, int maxLength, QWidget* parent) : QComboBox(parent) {
  setObjectName(QString::fromLatin1(objectName));
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);
  setMaxVisibleItems(kLimit);
  lineEdit()->setMaxLength(maxLength);
}

void HistoryBox::RemoveFromHistory() {
  const QString text = currentText();
  for (int i = 0; i < count(); ++i) {
    if (itemText(i) == text) {
      removeItem(i);
      break;
    }
  }
  setCurrentIndex(-1);
  setEditText(count() > 0 ? itemText(0) : QString());
}

void HistoryBox::UpdateHistory() {
  const QString text = currentText();
  RemoveFromHistory();
  insertItem(0, text);
  setCurrentIndex(0);
  setEditText(text);
  while (count() > kLimit) removeItem(kLimit);
}

void HistoryBox::SetHistory(const QStringList& entries) {
  clear();
  addItems(entries);
  setCurrentIndex(-1);
  setEditText(entries.isEmpty() ? QString() : entries.first());
}

QStringList HistoryBox::History() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out.append(itemText(i));
  return out;
}

void HistoryBox::ShowCapitals() {
  connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& typed) {
    const QString upper = typed.toUpper();
    if (upper == typed) return;
    const int pos = lineEdit()->cursorPosition();
    lineEdit()->setText(upper);
    lineEdit()->setCursorPosition(pos);
  });
}

}  // namespace vantor::gui
