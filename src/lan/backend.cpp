#include "lan/backend.h"

#include "lan/local_net_api.h"
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
  throw BackendError(std::string(kBackendVariable) + "=\"" + std::string(spec) +
                     "\" is not a network backend; use sim:PATH for a simulated network described in the file "
                     "PATH, or leave " + kBackendVariable + " unset for this computer alone");
}

std::unique_ptr<NetApi> CreateNetApiFromEnvironment() {
  const char* v = std::getenv(kBackendVariable);
  return CreateNetApi(v ? std::string_view(v) : std::string_view());
}

}  // namespace vantor::lan
