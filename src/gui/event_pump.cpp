// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace vantor::gui {

namespace {
// Only the interface thread pumps.
QElapsedTimer sinceLast;
}  // namespace

void PumpEvents() {
  if (sinceLast.isValid() && sinceLast.elapsed() < 15) return;
  sinceLast.start();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void DeferPumping() { sinceLast.start(); }

}  // namespace vantor::gui
