#pragma once
// Reads the command line into RunSettings, printing the help screen when
// asked; any fault ends the run through FatalError.

#include "console/output.h"
#include "console/run_settings.h"

#include <string>
#include <vector>

namespace vantor::console {

// args: the arguments without the program name, as bytes in the locale's
// character set (out.codec()).
RunSettings ParseCommandLine(const std::vector<std::string>& args, Output& out);

}  // namespace vantor::console
