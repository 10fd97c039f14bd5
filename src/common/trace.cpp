// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/trace.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>

#include <cerrno>
#endif

namespace vantor::trace {

namespace detail {

std::atomic<int> state{-1};

bool ReadEnvironment() {
  // "1" (or any value but "0" and empty) turns it on. A race between two
  // first calls is harmless: both read the same environment.
  const char* v = std::getenv(kVariable);
  bool on = v && *v && std::string_view(v) != "0";
  int expected = -1;
  state.compare_exchange_strong(expected, on ? 1 : 0, std::memory_order_relaxed);
  return state.load(std::memory_order_relaxed) != 0;
}

}  // namespace detail

void Enable(bool on) { detail::state.store(on ? 1 : 0, std::memory_order_relaxed); }

void Line(std::string_view text) {
  std::string line = "vantor debug: ";
  line.append(text);
  line.push_back('\n');
  // The lock keeps lines whole where one write may be split (a pipe takes
  // at most PIPE_BUF bytes at once) and against our own other threads.
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
#ifdef _WIN32
    int n = ::_write(2, p, static_cast<unsigned>(left));
    if (n <= 0) return;
#else
    ssize_t n = ::write(2, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nowhere to write: the trace is lost, the program goes on
#endif
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::string Elapsed(std::chrono::steady_clock::time_point start) {
  auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld.%01lld ms", static_cast<long long>(us / 1000),
                static_cast<long long>((us % 1000) / 100));
  return buf;
}

}  // namespace vantor::trace
