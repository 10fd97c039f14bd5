// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/clock.h"

#include <ctime>

namespace vantor {

const Clock& DefaultClock() {
  static const SystemClock clock;
  return clock;
}

namespace {
std::tm LocalTm(Clock::TimePoint t) {
  std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  return tm;
}

std::string Strftime(const char* fmt, const std::tm& tm) {
  char buf[128];
  size_t n = std::strftime(buf, sizeof buf, fmt, &tm);
  return std::string(buf, n);
}
}  // namespace

std::string FormatLongTime(Clock::TimePoint t) { return Strftime("%X", LocalTm(t)); }

std::string FormatShortDate(Clock::TimePoint t) { return Strftime("%x", LocalTm(t)); }

std::string FormatIso8601Local(Clock::TimePoint t) {
  std::tm tm = LocalTm(t);
  // %z gives +hhmm; the extended form wants +hh:mm.
  std::string zone = Strftime("%z", tm);
  std::string s = Strftime("%Y-%m-%dT%H:%M:%S", tm);
  if (zone.size() == 5) {
    s.append(zone, 0, 3);
    s += ':';
    s.append(zone, 3, 2);
  } else {
    s += zone;
  }
  return s;
}

}  // namespace vantor
