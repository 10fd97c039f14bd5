// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs test helpers and tools as real processes, without a shell.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace vantor::test {

struct ProcessResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out;
  std::string err;
};

// Runs argv[0] with the arguments, `input` on its standard input, and the
// test's environment plus `env` ("NAME=VALUE"; "NAME=" with nothing after
// the = removes NAME).
ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input = {},
                         const std::vector<std::string>& env = {});

// A process left running, its standard output readable line by line.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv);
  ~Child();  // kills it when it still runs
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The next line of its output, or "" at its end or after timeoutMs.
  std::string ReadLine(int timeoutMs);
  void Kill(int signal);
  // Waits for the end; the status as in ProcessResult.
  int Wait();
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
  bool waited_ = false;
  int status_ = -1;
};

}  // namespace vantor::test
