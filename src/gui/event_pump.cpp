// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace vantor::gui {

void PumpEvents() {
  static QElapsedTimer sinceLast;
  if (sinceLast.isValid() && sinceLast.elapsed() < 15) return;
  sinceLast.start();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace vantor::gui
