// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rule, the banner and the error block that ends a run.

#include "console/output.h"

#include <exception>
#include <string_view>

namespace vantor::console {

// Exit statuses of vantorc.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;       // after the error block
inline constexpr int kExitSendFailed = 2;  // at least one message could not be delivered

inline constexpr std::size_t kRuleWidth = 62;

// One line of 62 "=".
void PrintRule(Output& out);
// A rule, the tool's name, its version, a rule.
void PrintBanner(Output& out);

// Thrown to end the run at once; the program entry catches it and returns
// the status after flushing the output.
class ProgramExit : public std::exception {
 public:
  explicit ProgramExit(int status) : status_(status) {}
  int status() const { return status_; }
  const char* what() const noexcept override { return "vantorc ends"; }

 private:
  int status_;
};

// Prints the error block with the message and ends the run with kExitError.
[[noreturn]] void FatalError(Output& out, std::string_view message);

}  // namespace vantor::console
