// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the built vantorc (and the store editor) as a user would: given
// arguments, environment and standard input, it captures every byte written
// to standard output and the exit status.

#include "support/temp_dir.h"

#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::test {

struct RunResult {
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error (vantorc writes none)
  int status = -1;  // exit status; 128 + signal when killed
};

// Runs program with args. env holds the variables to set (an empty value
// unsets); VANTOR_*, LC_* and LANG of the calling process are never passed on.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::map<std::string, std::string>& env, std::string_view input = {});

// A private folder with a simulated network and a store for vantorc runs.
class ConsoleFixture {
 public:
  explicit ConsoleFixture(std::string_view network);

  // vantorc with VANTOR_LAN=sim:<network>, VANTOR_STORE=<dir>/store.db and
  // LC_ALL=C unless env says otherwise.
  RunResult Vantorc(const std::vector<std::string>& args, std::string_view input = {},
                    const std::map<std::string, std::string>& env = {}) const;
  // The store editor on the same store; fails the test when it fails.
  void Reg(const std::vector<std::string>& args) const;

  const TempDir& dir() const { return dir_; }
  std::string NetworkPath() const { return network_; }
  std::string StorePath() const { return dir_.File("store.db"); }
  // The deliveries file's lines.
  std::vector<std::string> Deliveries() const;

 private:
  TempDir dir_;
  std::string network_;
};

// Every time of day HH:MM:SS becomes "TIME".
std::string NormaliseTimes(std::string_view text);

// Each line followed by CR LF.
std::string Lines(std::initializer_list<std::string_view> lines);

// The banner as vantorc prints it, CR LF ends included.
std::string Banner();
// The error block for a message.
std::string ErrorBlock(std::string_view message);
// The verbose header for the given own names.
std::string VerboseHeader(std::string_view user, std::string_view computer, std::string_view domain,
                          std::string_view controller);
// A listing's header: LF CR, title, LF CR, underline, CR LF.
std::string ListingHeader(std::string_view title, std::string_view underline);
std::string Rule();

}  // namespace vantor::test
