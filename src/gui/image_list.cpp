// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/image_list.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <array>

// The pictures are compiled into this static library; its resources must be
// registered by name before the first look-up.
static void RegisterImages() { Q_INIT_RESOURCE(images); }

namespace vantor::gui {

namespace {

// Stand-in pictures for images whose artwork cannot be read: a coloured tile
// with a letter, distinct at 16 pixels.
QIcon Drawn(int index) {
  static const char* letters = "LDUPG^vARELRF-XHOIEtT*aSEI";
  static const QColor colours[] = {Qt::darkYellow, Qt::darkBlue, Qt::darkGreen, Qt::darkGray, Qt::darkMagenta};
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(colours[index % 5]);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
  p.setPen(Qt::white);
  QFont f = p.font();
  f.setPixelSize(11);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString(QLatin1Char(letters[index])));
  return QIcon(pm);
}

// Renders an SVG picture at the sizes the views, menus and window frames ask
// for. The pictures are drawn here rather than by Qt's image plugins, so a
// machine without those plugins still shows them; an empty icon means the
// file could not be read.
QIcon Rendered(const QString& path) {
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return {};
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    renderer.render(&p);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

const QIcon& Image(int index) {
  static const std::array<QIcon, image::kCount> icons = [] {
    RegisterImages();
    std::array<QIcon, image::kCount> a;
    for (int i = 0; i < image::kCount; ++i) {
      QIcon icon = Rendered(QStringLiteral(":/images/%1.svg").arg(i, 2, 10, QLatin1Char('0')));
      a[static_cast<std::size_t>(i)] = icon.isNull() ? Drawn(i) : icon;
    }
    return a;
  }();
  static const QIcon none;
  if (index < 0 || index >= image::kCount) return none;
  return icons[static_cast<std::size_t>(index)];
}

const QIcon& AppIcon() {
  Image(0);  // registers the pictures
  static const QIcon icon = [] {
    QIcon rendered = Rendered(QStringLiteral(":/images/vantor.svg"));
    return rendered.isNull() ? Image(image::kUser) : rendered;
  }();
  return icon;
}

}  // namespace vantor::gui
