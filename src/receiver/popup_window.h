// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TMessagePopup: one received message in a window of its own, the way the
// messenger showed them: the caption "Messenger Service", the line "Message
// from SENDER to RECIPIENT on DATE TIME", the text, and OK. It stays on top,
// waits for nobody, and goes away when closed.

#include "receive/spool.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vantor::receiver {

class TMessagePopup : public QDialog {
  Q_OBJECT
 public:
  explicit TMessagePopup(const receive::SpooledMessage& message, QWidget* parent = nullptr);

  // "Message from %s to %s on %s": sender, recipient, date and time.
  static QString HeaderOf(const receive::SpooledMessage& message);
  // The text with each line break (CR LF, a lone CR or LF) as one break.
  static QString ShownText(const std::string& text);

 private:
  QLabel* m_header;
  QPlainTextEdit* m_text;
  QPushButton* m_ok;
};

}  // namespace vantor::receiver
