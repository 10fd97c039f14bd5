// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/backend.h"

#include "common/trace.h"
#include "lan/local_net_api.h"
#include "lan/samba/samba_net_api.h"
#include "lan/sim/sim_net_api.h"
#include "lan/tracing_net_api.h"

#include <cstdlib>

namespace vantor::lan {
namespace {

std::unique_ptr<NetApi> Alone() {
  if (trace::On()) trace::Line("backend: this computer alone");
  return std::make_unique<LocalNetApi>();
}

std::unique_ptr<NetApi> Open(std::string_view spec) {
  if (spec.empty()) return Alone();
  if (spec.substr(0, 4) == "sim:") {
    std::string path(spec.substr(4));
    if (path.empty())
      throw BackendError(std::string(kBackendVariable) + "=sim: needs the path of a network file (sim:PATH)");
    if (trace::On()) trace::Line("backend: simulated network, network file " + path);
    try {
      return sim::SimNetApi::FromFile(path);
    } catch (const sim::LoadError& e) {
      throw BackendError(std::string(kBackendVariable) + ": " + e.what());
    }
  }
  if (spec == "samba" || spec.substr(0, 6) == "samba:") {
    std::string path(spec.size() > 6 ? spec.substr(6) : std::string_view());
    if (spec.size() == 6)
      throw BackendError(std::string(kBackendVariable) +
                         "=samba: needs the path of a settings file (samba:PATH), "
                         "or use samba alone for the default settings file");
    if (trace::On()) trace::Line("backend: samba" + (path.empty() ? std::string() : ", settings file " + path));
    try {
      return samba::SambaNetApi::FromConfigFile(path);
    } catch (const samba::ConfigError& e) {
      throw BackendError(std::string(kBackendVariable) + "=samba: " + e.what());
    }
  }
  throw BackendError(std::string(kBackendVariable) + "=\"" + std::string(spec) +
                     "\" is not a network backend; use samba (or samba:PATH with a settings file) for real "
                     "hosts reached by the messenger protocol, sim:PATH for a simulated network described in the "
                     "file PATH, or leave " +
                     kBackendVariable + " unset for this computer alone");
}

std::unique_ptr<NetApi> OpenFromEnvironment() {
  if (const char* v = std::getenv(kBackendVariable)) {
    if (trace::On()) trace::Line(std::string("backend chosen by ") + kBackendVariable + "=" + trace::Quoted(v));
    return Open(v);
  }
  // Unset: the settings file chooses, so that a program started from a menu
  // finds the network its user set up.
  bool explicitPath = false;
  std::string path = samba::DefaultLanConfigPath(explicitPath);
  if (path.empty()) return Alone();
  samba::LanConfig config;
  try {
    config = samba::LoadLanConfig(path, explicitPath);
  } catch (const samba::ConfigError& e) {
    throw BackendError(e.what());
  }
  if (trace::On()) trace::Line("backend chosen by " + path + ": " + trace::Quoted(config.backend));
  if (config.backend == "samba") {
    try {
      return std::make_unique<samba::SambaNetApi>(std::move(config));
    } catch (const samba::ConfigError& e) {
      throw BackendError(std::string("samba: ") + e.what());
    }
  }
  if (config.backend.substr(0, 4) == "sim:") return Open(config.backend);
  return Alone();
}

}  // namespace

std::unique_ptr<NetApi> CreateNetApi(std::string_view spec) { return TracedWhenAsked(Open(spec)); }

std::unique_ptr<NetApi> CreateNetApiFromEnvironment() { return TracedWhenAsked(OpenFromEnvironment()); }

}  // namespace vantor::lan
