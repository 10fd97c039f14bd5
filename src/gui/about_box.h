// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TAbout, the about box: the product's name, the version of this build, the
// notice and the licence. Any click or key closes it.

#include <QDialog>

namespace vantor::gui {

class TAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TAbout(QWidget* parent = nullptr);

  // "v <version>, <notice>", the version in four parts.
  static QString VersionLine();
  // Shows the box modally, centred on its parent (About1Click).
  void ShowCentred();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace vantor::gui
