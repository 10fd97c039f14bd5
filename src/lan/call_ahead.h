// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a network call away from the calling thread, so that a continuation
// loop can have its next batch on the way while it handles the one it has.

#include <functional>

namespace vantor::lan {

class CallAhead {
 public:
  virtual ~CallAhead() = default;
  // Starts call. Calls started through one object run one after another, in
  // the order they were started. The returned function waits until call has
  // run; it must be called once, before anything call uses goes away.
  virtual std::function<void()> Start(std::function<void()> call) = 0;
};

}  // namespace vantor::lan
