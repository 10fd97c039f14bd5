#include "gui/message_boxes.h"

#include "gui/res_strings.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace vantor::gui {

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

BoxButton QtMessageBoxes::Show(QWidget* parent, const BoxRequest& request) {
  QMessageBox box(parent);
  switch (request.kind) {
    case BoxKind::Error: box.setIcon(QMessageBox::Critical); break;
    case BoxKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case BoxKind::Question: box.setIcon(QMessageBox::Question); break;
    case BoxKind::Information: box.setIcon(QMessageBox::Information); break;
  }
  box.setWindowTitle(request.caption.isEmpty() ? QString::fromLatin1(res::kAppTitle) : request.caption);
  box.setText(request.text);
  QList<std::pair<QAbstractButton*, BoxButton>> map;
  for (BoxButton b : request.buttons) {
    QMessageBox::StandardButton sb = QMessageBox::Ok;
    switch (b) {
      case BoxButton::Ok: sb = QMessageBox::Ok; break;
      case BoxButton::Cancel: sb = QMessageBox::Cancel; break;
      case BoxButton::Yes: sb = QMessageBox::Yes; break;
      case BoxButton::No: sb = QMessageBox::No; break;
      case BoxButton::Help: sb = QMessageBox::Help; break;
    }
    QAbstractButton* button = box.addButton(sb);
    if (b == BoxButton::Help) {
      // A Help button would close the box; it opens the topic instead.
      button->disconnect();
      int topic = request.helpTopic;
      QObject::connect(button, &QAbstractButton::clicked, &box, [this, topic] {
        if (showHelp_ && topic >= 0) showHelp_(topic);
      });
    }
    map.append({button, b});
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  for (const auto& [button, b] : map)
    if (button == clicked) return b;
  // Closed by Esc or the close box: the cancelling answer.
  if (request.buttons.contains(BoxButton::Cancel)) return BoxButton::Cancel;
  if (request.buttons.contains(BoxButton::No)) return BoxButton::No;
  return BoxButton::Ok;
}

}  // namespace vantor::gui
