// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the network backend on Windows: the system's own services. The
// simulated network and the Samba backend exist for the POSIX builds, where
// no such services are.

#include "lan/backend.h"

#include "lan/tracing_net_api.h"
#include "lan/windows/win_net_api.h"

#include <cstdlib>

namespace vantor::lan {

std::unique_ptr<NetApi> CreateNetApi(std::string_view spec) {
  if (spec.empty()) return TracedWhenAsked(std::make_unique<win::WinNetApi>());
  throw BackendError(std::string(kBackendVariable) + "=\"" + std::string(spec) +
                     "\" is not a network backend on Windows, where the system's own network services answer; "
                     "leave " +
                     kBackendVariable + " unset");
}

std::unique_ptr<NetApi> CreateNetApiFromEnvironment() {
  const char* v = std::getenv(kBackendVariable);
  return CreateNetApi(v ? v : "");
}

}  // namespace vantor::lan
