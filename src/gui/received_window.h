// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TReceived, "Received messages": the history of the messages this
// computer received for the user, newest first, as vantor-receive keeps it
// in the store; the selected message's text below the list. While the
// window shows, it looks for new messages every two seconds.

#include <QTimer>
#include <QWidget>

#include <string>

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

class TReceived : public QWidget {
  Q_OBJECT
 public:
  explicit TReceived(store::Hive& hive, QWidget* parent = nullptr);

  // Reads the history again. A store error is shown in the text box.
  void Reload();

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void ShowSelected();
  void DeleteClick();
  void Poll();

  store::Hive& m_hive;
  QTreeWidget* m_view;
  QPlainTextEdit* m_text;
  QPushButton* m_delete;
  QPushButton* m_close;
  QTimer m_poll;
  std::string m_newest;
};

}  // namespace vantor::gui
