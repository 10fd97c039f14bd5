#pragma once
// What every step of a run shares: the network, the output, the clock, the
// own names gathered at start-up, and the store when the run needs it.

#include "common/clock.h"
#include "console/output.h"
#include "console/store_reader.h"
#include "lan/net_api.h"

#include <string>

namespace vantor::console {

struct LocalNames {
  std::string domain;      // PrimaryDomainName
  std::string controller;  // DomainControllerName, without backslashes
  std::string computer;    // LocalComputerName
  std::string user;        // LocalUserName
};

// In this order: domain, its controller, computer, user; a failed look-up
// leaves its name empty.
LocalNames GatherLocalNames(lan::NetApi& api);

struct RunContext {
  lan::NetApi& api;
  Output& out;
  const Clock& clock;
  LocalNames names;
  StoreReader* store = nullptr;

  // The time stamp that ends verbose lines: the locale's long time format.
  std::string Time() const { return FormatLongTime(clock.Now()); }
};

}  // namespace vantor::console
