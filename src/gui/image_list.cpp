#include "gui/image_list.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

#include <array>

// The pictures are compiled into this static library; its resources must be
// registered by name before the first look-up.
static void RegisterImages() { Q_INIT_RESOURCE(images); }

namespace vantor::gui {

namespace {

// Stand-in pictures for images that have no artwork: a coloured tile with a
// letter, distinct at 16 pixels.
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

}  // namespace

const QIcon& Image(int index) {
  static const std::array<QIcon, image::kCount> icons = [] {
    RegisterImages();
    std::array<QIcon, image::kCount> a;
    for (int i = 0; i < image::kCount; ++i) {
      QString path = QStringLiteral(":/images/%1.svg").arg(i, 2, 10, QLatin1Char('0'));
      a[static_cast<std::size_t>(i)] = QFile::exists(path) ? QIcon(path) : Drawn(i);
    }
    return a;
  }();
  static const QIcon none;
  if (index < 0 || index >= image::kCount) return none;
  return icons[static_cast<std::size_t>(index)];
}

const QIcon& AppIcon() {
  Image(0);  // registers the pictures
  static const QIcon icon = QFile::exists(QStringLiteral(":/images/vantor.svg"))
                                ? QIcon(QStringLiteral(":/images/vantor.svg"))
                                : Image(image::kUser);
  return icon;
}

}  // namespace vantor::gui
