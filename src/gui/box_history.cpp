#include "gui/box_history.h"

#include <QComboBox>
#include <QStringList>

namespace vantor::gui {

void RemoveFromBoxHistory(QComboBox* box) {
  const QString text = box->currentText();
  for (int i = 0; i < box->count(); ++i) {
    if (box->itemText(i) == text) {
      box->removeItem(i);
      break;
    }
  }
  box->setCurrentIndex(-1);
  box->setEditText(box->count() > 0 ? box->itemText(0) : QString());
}

void UpdateBoxHistory(QComboBox* box) {
  const QString text = box->currentText();
  RemoveFromBoxHistory(box);
  box->insertItem(0, text);
  box->setCurrentIndex(0);
  box->setEditText(text);
  while (box->count() > kBoxHistoryLimit) box->removeItem(kBoxHistoryLimit);
}

void SetBoxHistory(QComboBox* box, const QStringList& entries) {
  box->clear();
  box->addItems(entries);
  box->setCurrentIndex(-1);
  box->setEditText(entries.isEmpty() ? QString() : entries.first());
}

QStringList BoxHistory(const QComboBox* box) {
  QStringList out;
  for (int i = 0; i < box->count(); ++i) out.append(box->itemText(i));
  return out;
}

}  // namespace vantor::gui
