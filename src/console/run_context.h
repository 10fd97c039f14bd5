// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every step of a run shares: the network, the output, the clock, the
// own names, and the store when the run needs it. The network is opened,
// and each own name looked up, only when a step first asks for it: a run
// does no work at start that it does not use.

#include "common/clock.h"
#include "console/output.h"
#include "console/store_reader.h"
#include "lan/net_api.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantor::console {

class RunContext {
 public:
  // openNetwork throws lan::BackendError when the backend cannot be used.
  RunContext(std::function<std::unique_ptr<lan::NetApi>()> openNetwork, Output& output, const Clock& runClock)
      : out(output), clock(runClock), openNetwork_(std::move(openNetwork)) {}

  // The network backend; an unusable one ends the run through FatalError.
  lan::NetApi& Api();

  // The own names; a failed look-up leaves a name empty. The controller is
  // that of the primary domain.
  const std::string& Domain();      // PrimaryDomainName
  const std::string& Controller();  // DomainControllerName, without backslashes
  const std::string& Computer();    // LocalComputerName
  const std::string& User();        // LocalUserName

  // The time stamp that ends verbose lines: the locale's long time format.
  std::string Time() const { return FormatLongTime(clock.Now()); }

  Output& out;
  const Clock& clock;
  StoreReader* store = nullptr;

 private:
  std::function<std::unique_ptr<lan::NetApi>()> openNetwork_;
  std::unique_ptr<lan::NetApi> api_;
  std::optional<std::string> domain_, controller_, computer_, user_;
};

}  // namespace vantor::console
