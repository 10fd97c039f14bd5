// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a network call away from the calling thread, so that a continuation
// loop can have its next batch on the way while it handles the one it has.

#include <functional>
#include <utility>

namespace vantor::lan {

class CallAhead {
 public:
  virtual ~CallAhead() = default;
  // Starts call. Calls started through one object run one after another, in
  // the order they were started. The returned function waits until call has
  // run; it must be called once, before anything call uses goes away.
  virtual std::function<void()> Start(std::function<void()> call) = 0;
};

// A call that is on its way through a CallAhead, or, without one, made when
// it is finished. A started call may write into its caller's variables, so
// it is always waited for before it goes, even when the caller throws:
// declare it after what it writes into.
class PendingCall {
 public:
  PendingCall(CallAhead* ahead, std::function<void()> call) {
    if (ahead)
      m_wait = ahead->Start(std::move(call));
    else
      m_call = std::move(call);
  }
  PendingCall(const PendingCall&) = delete;
  PendingCall& operator=(const PendingCall&) = delete;
  ~PendingCall() {
    if (m_wait) m_wait();
  }

  // Returns once the call has run (exactly once, whichever way it went).
  void Finish() {
    if (m_wait)
      std::exchange(m_wait, nullptr)();
    else if (m_call)
      std::exchange(m_call, nullptr)();
  }

 private:
  std::function<void()> m_call;  // without a CallAhead: made by Finish
  std::function<void()> m_wait;  // with one: waits for it
};

}  // namespace vantor::lan
