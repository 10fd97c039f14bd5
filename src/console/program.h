// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of vantorc: start-up look-ups, the command line, the verbose
// header, the session query, the listings and the sends.

#include "common/clock.h"
#include "console/output.h"
#include "console/store_reader.h"
#include "lan/net_api.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantor::console {

struct ProgramEnvironment {
  // The network backend; throws lan::BackendError when it cannot be used.
  std::function<std::unique_ptr<lan::NetApi>()> openNetwork;
  // The store; throws store::StoreError when it cannot be opened.
  std::function<std::unique_ptr<StoreReader>()> openStore;
  const Clock* clock = &DefaultClock();
};

// args: the arguments without the program name, in the locale's character
// set. Returns the exit status (kExitOk, kExitError, kExitSendFailed).
int RunProgram(const std::vector<std::string>& args, Output& out, const ProgramEnvironment& env);

}  // namespace vantor::console
