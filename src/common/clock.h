// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programs ask this for the time, so that tests can fix it.

#include <chrono>
#include <string>

namespace vantor {

class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;
};

class SystemClock final : public Clock {
 public:
  TimePoint Now() const override { return std::chrono::system_clock::now(); }
};

// A clock that stands still until told to move.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(TimePoint t) : t_(t) {}
  TimePoint Now() const override { return t_; }
  void Set(TimePoint t) { t_ = t; }

 private:
  TimePoint t_;
};

const Clock& DefaultClock();

// The locale's time format (hours, minutes and seconds with LC_ALL=C).
std::string FormatLongTime(Clock::TimePoint t);
// The locale's date format.
std::string FormatShortDate(Clock::TimePoint t);
// ISO 8601 local time with its offset: 2026-12-08T14:21:44+01:00.
std::string FormatIso8601Local(Clock::TimePoint t);

}  // namespace vantor
