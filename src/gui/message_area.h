#pragma once
// The lower panel: the Message tab (text, signature, Send) and the Saved
// messages tab (the list of saved messages and its four buttons).

#include <QWidget>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace vantor::gui {

class MessageTab : public QWidget {
  Q_OBJECT
 public:
  explicit MessageTab(QWidget* parent = nullptr);
  QPlainTextEdit* Memo1;
  QLabel* SignatureLabel;
  QComboBox* SignatureBox;
  QPushButton* SendBtn;

 protected:
  void resizeEvent(QResizeEvent* e) override;
};

class SavedMessagesTab : public QWidget {
  Q_OBJECT
 public:
  explicit SavedMessagesTab(QWidget* parent = nullptr);
  QTreeWidget* MsgView;
  QToolButton* UpMessage;
  QToolButton* DownMessage;
  QPushButton* DeleteMessage;
  QPushButton* SelectMessage;

 protected:
  void resizeEvent(QResizeEvent* e) override;
};

class MessageArea : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinHeight = 145;
  explicit MessageArea(QWidget* parent = nullptr);
  QTabWidget* MessagePage;
  MessageTab* message;
  SavedMessagesTab* saved;
};

}  // namespace vantor::gui
