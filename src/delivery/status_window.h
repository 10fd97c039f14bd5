#pragma once
// "Vantor Status": the stay-on-top window with the log of the current send.
// Its one action button cancels a send in progress and, once the send is
// over, closes the window. Hiding it in any way sets AbortRequested and gives
// control back to the main window.

#include <QWidget>

#include <atomic>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vantor {
class Clock;
}
namespace vantor::store {
class Hive;
}

namespace vantor::delivery {

class TStatus : public QWidget {
  Q_OBJECT
 public:
  struct Hooks {
    std::function<void()> enableInput;  // the main window's EnableInput
    std::function<void(int)> showHelp;  // opens a help topic
    std::function<bool()> writeBack;    // false while the program ends during start-up
  };

  TStatus(store::Hive& hive, std::atomic<bool>& abortRequested, const Clock& clock, Hooks hooks,
          QWidget* parent = nullptr);

  // Appends "date time  text" to the log.
  void Log(const QString& text);
  // Appends a line as it is (the message's own lines).
  void LogRaw(const QString& line);
  void ClearLog();
  QString LogText() const;

  void SetButtonCaption(const QString& caption);
  QString ButtonCaption() const;
  QPushButton* ActionButton() const { return Button1; }

  // FormDestroy: writes the geometry, stops running queries.
  void Destroy();

  void Button1Click();
  void Button2Click();

 protected:
  void hideEvent(QHideEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void LayOut();

  store::Hive& hive_;
  std::atomic<bool>& abort_;
  const Clock& clock_;
  Hooks hooks_;
  QWidget* Panel1;
  QLabel* Label1;
  QPlainTextEdit* Memo1;
  QPushButton* Button1;  // the action button
  QPushButton* Button2;  // Help
  bool destroyed_ = false;
};

}  // namespace vantor::delivery
