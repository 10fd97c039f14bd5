#pragma once
// The history of an editable drop-down (signatures, sender aliases): newest
// first, at most eight entries, no two equal (letter case counts).

#include <QStringList>

class QComboBox;

namespace vantor::gui {

inline constexpr int kBoxHistoryLimit = 8;

// Removes the first entry equal to the box's text, then shows the first
// remaining entry (or nothing).
void RemoveFromBoxHistory(QComboBox* box);
// Puts the box's text at the head of the history and shows it; the ninth
// entry, if any, is dropped.
void UpdateBoxHistory(QComboBox* box);
// Replaces the entries and shows the first.
void SetBoxHistory(QComboBox* box, const QStringList& entries);
QStringList BoxHistory(const QComboBox* box);

}  // namespace vantor::gui
