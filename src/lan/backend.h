// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Chooses the network backend from VANTOR_LAN.

#include "lan/net_api.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantor::lan {

inline constexpr const char* kBackendVariable = "VANTOR_LAN";

class BackendError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// spec: empty for this computer alone, "sim:PATH" for a simulated network,
// "samba" or "samba:PATH" for real hosts (PATH: the settings file).
// Throws BackendError with a message for the user when spec is not usable.
std::unique_ptr<NetApi> CreateNetApi(std::string_view spec);

// Reads VANTOR_LAN; when it is not set, the "backend" of the settings file
// (lan.conf) chooses, and without one this computer is alone. Empty means
// this computer alone.
std::unique_ptr<NetApi> CreateNetApiFromEnvironment();

}  // namespace vantor::lan
