// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdint>
#include <ctime>

namespace vantor::gui {

namespace {

constexpr std::int64_t kIntervalMs = 15;

// Milliseconds on a monotonic clock. A loop asks for every row, so the
// coarse clock serves where there is one: it is read without asking the
// hardware, and its few milliseconds of grain do not matter here.
std::int64_t NowMs() {
#if defined(CLOCK_MONOTONIC_COARSE)
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return std::int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
#else
  static QElapsedTimer clock;
  if (!clock.isValid()) clock.start();
  return clock.elapsed();
#endif
}

// Only the interface thread pumps. Zero: not yet.
std::int64_t lastPumpMs = 0;

}  // namespace

void PumpEvents() {
  const std::int64_t now = NowMs();
  if (lastPumpMs != 0 && now - lastPumpMs < kIntervalMs) return;
  lastPumpMs = now;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void DeferPumping() { lastPumpMs = NowMs(); }

}  // namespace vantor::gui
