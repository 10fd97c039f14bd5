// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// vantor-reg: a command-line editor of the store, modelled on the reg
// command, for users (who have no registry editor here) and for tests.

#include <iosfwd>
#include <string>
#include <vector>

namespace vantor::store {

// Runs one command line (without the program's name): questions are asked on
// `out` and answered on `in` (end of input answers No), errors go to `err`.
// Returns the exit status: 0 on success, 1 on failure or when cancelled.
int RunRegTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace vantor::store
