// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Vantor Status": the stay-on-top window with the log of the current send.
// Its one action button cancels a send in progress and, once the send is
// over, closes the window; it is both the window's default and its cancel
// button. Hiding the window in any way sets AbortRequested and gives control
// back to the main window.

#include <QStringList>
#include <QTextCursor>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

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
  // "date time  text", as Log writes it.
  QString Stamped(const QString& text) const;
  // Appends lines as they are, in one go.
  void AppendLines(const QStringList& lines);
  // Appends a line as it is (the message's own lines).
  void LogRaw(const QString& line);
  void ClearLog();
  // Adds a line without the view taking it in yet, which costs the line's
  // text and not a layout of the log: a send to thousands of names adds
  // each as its result comes and shows them every few milliseconds.
  // ShowAddedLines lays them out and scrolls to the end; anything else that
  // writes the log shows them first, so the lines keep their order.
  void AddLine(const QString& line);
  void ShowAddedLines();

  void SetButtonCaption(const QString& caption);
  void FocusButton();

  // FormDestroy: writes the window's place and size, stops running queries.
  void Destroy();

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Button1Click();
  void Button2Click();
  void LayOut();

  store::Hive& m_hive;
  std::atomic<bool>& m_abort;
  const Clock& m_clock;
  Hooks m_hooks;
  QWidget* m_panel;
  QLabel* m_label;
  QPlainTextEdit* m_log;
  QPushButton* m_action;
  QPushButton* m_help;
  bool m_destroyed = false;
  // At the end of the log while lines are being added, inside one edit
  // block of its document, which holds back the view's updates until it ends.
  std::optional<QTextCursor> m_adding;
  mutable std::chrono::sys_seconds m_stampSecond{};
  mutable QString m_stamp;
};

}  // namespace vantor::delivery
