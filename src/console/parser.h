// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the command line into RunSettings, printing the help screen when
// asked; any fault ends the run through FatalError.

#include "console/output.h"
#include "console/run_settings.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::console {

// How many characters a message text (UTF-8) takes as it is sent; the
// length limits apply to that.
using MessageLength = std::function<std::size_t(std::string_view utf8)>;

// args: the arguments without the program name, as bytes in the locale's
// character set (out.codec()). length is asked only when a message is given.
RunSettings ParseCommandLine(const std::vector<std::string>& args, Output& out, const MessageLength& length);

}  // namespace vantor::console
