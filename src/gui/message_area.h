// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lower panel: the Message tab (the message text, the signature and the
// Send button) and the Saved messages tab (the list of saved messages and
// its four buttons).

#include <QStringList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace vantor::gui {

class HistoryBox;

class MessageTab : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kSignatureLength = 128;

  explicit MessageTab(QWidget* parent = nullptr);

  // The message text's lines as the box shows them: a paragraph that the box
  // wraps over three lines gives three lines.
  QStringList DisplayedLines() const;
  QString Text() const;
  void SetText(const QString& text);
  void SetLines(const QStringList& lines);
  // Puts the caret at the start, nothing selected.
  void MoveCaretToStart();
  HistoryBox& SignatureBox() const { return *m_signature; }
  QPushButton& SendButton() const { return *m_send; }

 signals:
  void textChanged();  // Memo1Change
  void helpRequested(int topic);

 protected:
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QPlainTextEdit* m_memo;
  QLabel* m_signatureLabel;
  HistoryBox* m_signature;
  QPushButton* m_send;
};

class SavedMessagesTab : public QWidget {
  Q_OBJECT
 public:
  explicit SavedMessagesTab(QWidget* parent = nullptr);

  QTreeWidget& MessageView() const { return *m_view; }
  QToolButton& UpButton() const { return *m_up; }
  QToolButton& DownButton() const { return *m_down; }
  QPushButton& DeleteButton() const { return *m_delete; }
  QPushButton& SelectButton() const { return *m_select; }

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  QTreeWidget* m_view;
  QToolButton* m_up;
  QToolButton* m_down;
  QPushButton* m_delete;
  QPushButton* m_select;
};

class MessageArea : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMinHeight = 145;
  explicit MessageArea(QWidget* parent = nullptr);

  MessageTab& Message() const { return *m_message; }
  SavedMessagesTab& Saved() const { return *m_saved; }
  void ShowMessageTab();
  void ShowSavedMessagesTab();

 signals:
  void savedMessagesShown();  // tsSavedMessagesShow

 private:
  QTabWidget* m_pages;
  MessageTab* m_message;
  SavedMessagesTab* m_saved;
};

}  // namespace vantor::gui
