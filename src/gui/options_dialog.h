// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Vantor Options": created before the main window and alive for the whole
// run. Its controls hold the option values that the rest of the program
// reads. It loads them from the store when created and writes them back at
// the end.
//
// Invariants kept by the boxes' own rules: the two active-only boxes are
// enabled only while domain scanning is on, and "Show active Domain items
// only" is off whenever scanning is off.

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QSpinBox;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class HistoryBox;

class TOptions : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMinTimeOut = 1, kMaxTimeOut = 60;
  static constexpr int kAliasLength = 15;

  // trayToggled runs when the tray box changes, also while loading and
  // while the dialog is open; showHelp opens a help topic.
  TOptions(store::Hive& hive, std::function<void(bool)> trayToggled, std::function<void(int)> showHelp,
           QWidget* parent = nullptr);
  ~TOptions() override;

  // FormDestroy: writes the options and the alias history.
  void Store();

  bool ScanDomain() const;
  bool ActiveOnly() const;
  bool SendtoActive() const;
  int ServerTimeOut() const;
  bool SendMessagesAnyway() const;
  bool ClearMesgText() const;
  bool SaveMessages() const;
  bool CloseStatus() const;
  bool Tooltips() const;
  bool TrayIcon() const;
  bool MinimizeNotExit() const;
  bool DisplayExtra() const;
  QString Alias() const;

  // The active-only toggle of the main window sets the box directly.
  void SetActiveOnly(bool on);
  // The sender alias box, which the send command and the saved messages use.
  HistoryBox& AliasBox() const { return *m_alias; }

  // Every control's state, noted before the dialog is shown so that a
  // cancelled dialog can give them back.
  struct Snapshot {
    QString alias;
    bool scanDomain, activeOnly, sendToActive;
    int timeOut;
    std::vector<bool> otherBoxes;
  };
  Snapshot Take() const;
  // Gives every control its noted state, in the order alias (put at the head
  // of the history), scan box, active-only boxes, wait time, the other boxes;
  // each box that changes runs its rule.
  void Restore(const Snapshot& snapshot);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void Load();
  void cbScanDomClick();
  void MinimizetotrayClick();
  std::vector<QCheckBox*> OtherBoxes() const;

  store::Hive& m_hive;
  std::function<void(bool)> m_trayToggled;
  std::function<void(int)> m_showHelp;
  QCheckBox* m_scanDomain;
  QCheckBox* m_activeOnly;
  QCheckBox* m_sendToActive;
  QSpinBox* m_timeOut;
  QCheckBox* m_sendAnyway;
  QCheckBox* m_clearText;
  QCheckBox* m_saveMessages;
  QCheckBox* m_closeStatus;
  HistoryBox* m_alias;
  QCheckBox* m_tooltips;
  QCheckBox* m_trayIcon;
  QCheckBox* m_minimizeNotExit;
  QCheckBox* m_displayExtra;
};

}  // namespace vantor::gui
