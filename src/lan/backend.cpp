#include "lan/backend.h"

#include "lan/local_net_api.h"
#include "lan/samba/samba_net_api.h"
#include "lan/sim/sim_net_api.h"

#include <cstdlib>

namespace vantor::lan {

std::unique_ptr<NetApi> CreateNetApi(std::string_view spec) {
  if (spec.empty()) return std::make_unique<LocalNetApi>();
  if (spec.substr(0, 4) == "sim:") {
    std::string path(spec.substr(4));
    if (path.empty())
      throw BackendError(std::string(kBackendVariable) + "=sim: needs the path of a network file (sim:PATH)");
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

std::unique_ptr<NetApi> CreateNetApiFromEnvironment() {
  if (const char* v = std::getenv(kBackendVariable)) return CreateNetApi(v);
  // Unset: the settings file chooses, so that a program started from a menu
  // finds the network its user set up.
  bool explicitPath = false;
  std::string path = samba::DefaultLanConfigPath(explicitPath);
  if (path.empty()) return std::make_unique<LocalNetApi>();
  samba::LanConfig config;
  try {
    config = samba::LoadLanConfig(path, explicitPath);
  } catch (const samba::ConfigError& e) {
    throw BackendError(e.what());
  }
  if (config.backend == "samba") {
    try {
      return std::make_unique<samba::SambaNetApi>(std::move(config));
    } catch (const samba::ConfigError& e) {
      throw BackendError(std::string("samba: ") + e.what());
    }
  }
  if (config.backend.substr(0, 4) == "sim:") return CreateNetApi(config.backend);
  return std::make_unique<LocalNetApi>();
}

}  // namespace vantor::lan
