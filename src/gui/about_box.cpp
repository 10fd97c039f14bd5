// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/about_box.h"

#include "common/text.h"
#include "common/version.h"
#include "gui/image_list.h"
#include "gui/res_strings.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace vantor::gui {

namespace {

QString Text(const char* text) { return QString::fromLatin1(text); }

QLabel* Line(const QString& text, QWidget* parent, int pointSize, bool bold) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setItalic(true);
  f.setBold(bold);
  f.setPointSize(pointSize);
  label->setFont(f);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, QColor(0, 0, 128));
  label->setPalette(pal);
  label->setWordWrap(true);
  return label;
}

// The banner across the box: the program's colours behind its picture.
QPixmap Banner(int width) {
  QPixmap pm(width, 40);
  QPainter p(&pm);
  QLinearGradient g(0, 0, width, 0);
  g.setColorAt(0, QColor(0, 0, 128));
  g.setColorAt(1, QColor(90, 140, 220));
  p.fillRect(pm.rect(), g);
  AppIcon().paint(&p, QRect(width - 44, 4, 32, 32));
  return pm;
}

}  // namespace

QString TAbout::VersionLine() {
  const std::string version = std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                              std::to_string(kVersionPatch) + "." + std::to_string(kVersionBuild);
  return QString::fromStdString(Format(res::kAboutVersion, {version, res::kAboutNotice}));
}

TAbout::TAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("TAbout"));
  setWindowTitle(Text(res::kAboutCaption));
  auto* outer = new QVBoxLayout(this);
  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  outer->addWidget(panel);
  auto* layout = new QVBoxLayout(panel);
  auto* picture = new QLabel(panel);
  picture->setPixmap(AppIcon().pixmap(32, 32));
  layout->addWidget(picture);
  layout->addWidget(Line(Text(res::kAboutTitle), panel, 12, true));
  layout->addWidget(Line(Text(res::kAboutPlatform), panel, 10, true));
  QLabel* version = Line(VersionLine(), panel, 8, false);
  version->setObjectName(QStringLiteral("Version"));
  layout->addWidget(version);
  QLabel* licence = Line(Text(res::kAboutLicence), panel, 8, false);
  licence->setObjectName(QStringLiteral("Licence"));
  layout->addWidget(licence);
  auto* rule = new QFrame(panel);
  rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  layout->addWidget(rule);
  auto* banner = new QLabel(panel);
  banner->setPixmap(Banner(300));
  layout->addWidget(banner);
  // A click anywhere closes the box, on the labels too.
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  setFixedSize(sizeHint().expandedTo(QSize(330, 0)));
}

void TAbout::ShowCentred() {
  if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
  exec();
}

void TAbout::mousePressEvent(QMouseEvent*) { accept(); }

void TAbout::keyPressEvent(QKeyEvent*) { accept(); }

bool TAbout::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseButtonPress) {
    accept();
    return true;
  }
  return QDialog::eventFilter(watched, e);
}

}  // namespace vantor::gui
