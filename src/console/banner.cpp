// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/banner.h"

#include "common/version.h"

#include <string>

namespace vantor::console {

void PrintRule(Output& out) { out.Line(std::string(kRuleWidth, '=')); }

void PrintBanner(Output& out) {
  PrintRule(out);
  out.Line("Vantorc - LAN pop-up messages and network listings");
  out.Line(std::string("Version ") + kVersion);
  PrintRule(out);
}

void FatalError(Output& out, std::string_view message) {
  out.Line();
  out.Line("Vantorc ERROR: " + std::string(message));
  out.Line("  Use 'vantorc -?' to show command-line options");
  out.Line();
  PrintBanner(out);
  throw ProgramExit(kExitError);
}

}  // namespace vantor::console
