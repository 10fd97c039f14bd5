// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The diagnostic trace: with VANTOR_DEBUG=1 in the environment, the programs
// say on standard error what they read and what the network answered, so
// that a user can see why a send failed. Off, a trace point costs one
// relaxed load: build the line only inside `if (trace::On())`.
//
// Lines come from any thread; each is written whole, with one write.

#include <atomic>
#include <chrono>
#include <string>
#include <string_view>

namespace vantor::trace {

inline constexpr const char* kVariable = "VANTOR_DEBUG";

namespace detail {
// -1 until the environment has been read, then 0 or 1.
extern std::atomic<int> state;
bool ReadEnvironment();
}  // namespace detail

inline bool On() {
  int s = detail::state.load(std::memory_order_relaxed);
  return s < 0 ? detail::ReadEnvironment() : s != 0;
}

// Turns the trace on or off whatever the environment says (for tests).
void Enable(bool on);

// Writes "vantor: " (the debug mark), the text and a line end to standard
// error; a text of several lines is written as one piece.
void Line(std::string_view text);

// A quoted name for a line: "" shows that a name was empty.
std::string Quoted(std::string_view s);

// Milliseconds since start, for "in N ms".
std::string Elapsed(std::chrono::steady_clock::time_point start);

}  // namespace vantor::trace
