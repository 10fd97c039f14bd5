#pragma once
// "Vantor Options": created before the main window and alive for the whole
// run. Its controls hold the option values that the rest of the program reads.
// It loads them from the store when created and writes them back at the end.

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class TOptions : public QDialog {
  Q_OBJECT
 public:
  // trayToggled runs when the tray box changes (also while loading).
  TOptions(store::Hive& hive, std::function<void(bool)> trayToggled, std::function<void(int)> showHelp,
           QWidget* parent = nullptr);

  // Writes the options and the alias history (FormDestroy).
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

  QCheckBox* cbScanDom;
  QCheckBox* ActiveOnlyBox;
  QCheckBox* SendtoActiveItemsOnly;
  QSpinBox* ServerTimeOutBox;
  QCheckBox* SendMessagesAnywayBox;
  QCheckBox* ClearMesgTextBox;
  QCheckBox* SaveMessagesBox;
  QCheckBox* CloseStatusBox;
  QComboBox* ComboBox1;  // the sender alias
  QCheckBox* ShowTooltips;
  QCheckBox* Minimizetotray;
  QCheckBox* cbMinimize;
  QCheckBox* DisplayExtraBox;

 private:
  void Load();
  void cbScanDomClick();
  void MinimizetotrayClick();
  // Sets a box the way a click would: a change runs the box's rule.
  void SetBox(QCheckBox* box, bool on);

  store::Hive& hive_;
  std::function<void(bool)> trayToggled_;
  std::function<void(int)> showHelp_;
};

}  // namespace vantor::gui
