// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every modal box of the program goes through this facade, so that tests can
// answer boxes in advance instead of blocking on a real dialog.

#include <QList>
#include <QString>

#include <functional>

class QWidget;

namespace vantor::gui {

enum class BoxKind { Error, Warning, Question, Information };
enum class BoxButton { Ok, Cancel, Yes, No, Help };

struct BoxRequest {
  BoxKind kind = BoxKind::Error;
  QString caption;
  QString text;
  QList<BoxButton> buttons{BoxButton::Ok};
  int helpTopic = -1;  // opened by the Help button, which leaves the box open
};

// The answer of a box closed with Esc or its close box: Cancel, else No,
// else OK.
BoxButton CancellingAnswer(const QList<BoxButton>& buttons);

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the box and returns the button that closed it (never Help).
  virtual BoxButton Show(QWidget* parent, const BoxRequest& request) = 0;

  // An error box with OK, and with Help when helpTopic >= 0.
  void Error(QWidget* parent, const QString& text, int helpTopic = -1, const QString& caption = {});
  // A confirmation with Yes and No (and Help when helpTopic >= 0).
  BoxButton Question(QWidget* parent, const QString& text, int helpTopic = -1);
};

// The real boxes. showHelp opens a help topic for the Help button; shown, if
// given, hears of every box before it shows.
class QtMessageBoxes : public MessageBoxes {
 public:
  explicit QtMessageBoxes(std::function<void(int)> showHelp, std::function<void(const BoxRequest&)> shown = {})
      : m_showHelp(std::move(showHelp)), m_shown(std::move(shown)) {}
  BoxButton Show(QWidget* parent, const BoxRequest& request) override;

 private:
  std::function<void(int)> m_showHelp;
  std::function<void(const BoxRequest&)> m_shown;
};

}  // namespace vantor::gui
