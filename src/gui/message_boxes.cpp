// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/message_boxes.h"

#include "gui/res_strings.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace vantor::gui {

namespace {

QMessageBox::StandardButton Standard(BoxButton b) {
  switch (b) {
    case BoxButton::Ok: return QMessageBox::Ok;
    case BoxButton::Cancel: return QMessageBox::Cancel;
    case BoxButton::Yes: return QMessageBox::Yes;
    case BoxButton::No: return QMessageBox::No;
    case BoxButton::Help: return QMessageBox::Help;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(BoxKind kind) {
  switch (kind) {
    case BoxKind::Error: return QMessageBox::Critical;
    case BoxKind::Warning: return QMessageBox::Warning;
    case BoxKind::Question: return QMessageBox::Question;
    case BoxKind::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

BoxButton CancellingAnswer(const QList<BoxButton>& buttons) {
  if (buttons.contains(BoxButton::Cancel)) return BoxButton::Cancel;
  if (buttons.contains(BoxButton::No)) return BoxButton::No;
  return BoxButton::Ok;
}

void MessageBoxes::Error(QWidget* parent, const QString& text, int helpTopic, const QString& caption) {
  BoxRequest r;
  r.kind = BoxKind::Error;
  r.caption = caption.isEmpty() ? QString::fromLatin1(res::kAppTitle) : caption;
  r.text = text;
  r.buttons = {BoxButton::Ok};
  if (helpTopic >= 0) r.buttons.append(BoxButton::Help);
  r.helpTopic = helpTopic;
  Show(parent, r);
}

BoxButton MessageBoxes::Question(QWidget* parent, const QString& text, int helpTopic) {
  BoxRequest r;
  r.kind = BoxKind::Question;
  r.caption = QString::fromLatin1(res::kAppTitle);
  r.text = text;
  r.buttons = {BoxButton::Yes, BoxButton::No};
  if (helpTopic >= 0) r.buttons.append(BoxButton::Help);
  r.helpTopic = helpTopic;
  return Show(parent, r);
}

BoxButton QtMessageBoxes::Show(QWidget* parent, const BoxRequest& request) {
  if (m_shown) m_shown(request);
  QMessageBox box(parent);
  box.setObjectName(QStringLiteral("MessageBox"));
  box.setIcon(IconOf(request.kind));
  box.setWindowTitle(request.caption.isEmpty() ? QString::fromLatin1(res::kAppTitle) : request.caption);
  box.setText(request.text);
  QList<std::pair<QAbstractButton*, BoxButton>> map;
  const BoxButton cancelling = CancellingAnswer(request.buttons);
  for (BoxButton b : request.buttons) {
    QAbstractButton* button = box.addButton(Standard(b));
    if (b == BoxButton::Help) {
      // A Help button would close the box; it opens the topic instead.
      button->disconnect();
      const int topic = request.helpTopic;
      QObject::connect(button, &QAbstractButton::clicked, &box, [this, topic] {
        if (m_showHelp && topic >= 0) m_showHelp(topic);
      });
    }
    // Esc and the close box answer as the cancelling button does (OK for a
    // box that has no other).
    if (b == cancelling) box.setEscapeButton(button);
    map.append({button, b});
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, b] : map)
    if (button == clicked && b != BoxButton::Help) return b;
  return cancelling;
}

}  // namespace vantor::gui
