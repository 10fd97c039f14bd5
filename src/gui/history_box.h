// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An editable drop-down that keeps a history of the texts used in it (the
// signature box, the sender alias box): newest first, at most eight entries,
// no two equal (letter case counts).

#include <QComboBox>
#include <QStringList>

namespace vantor::gui {

class HistoryBox : public QComboBox {
  Q_OBJECT
 public:
  static constexpr int kLimit = 8;

  HistoryBox(const char* objectName, int maxLength, QWidget* parent = nullptr);

  // Removes the first entry equal to the text, then shows the first
  // remaining entry (or nothing).
  void RemoveFromHistory();
  // Puts the text at the head of the history and shows it; the ninth entry,
  // if any, is dropped.
  void UpdateHistory();
  // Replaces the entries and shows the first.
  void SetHistory(const QStringList& entries);
  QStringList History() const;
  // Shows letters in capitals as they are typed.
  void ShowCapitals();
};

}  // namespace vantor::gui
