// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/office_network.h"

#include "support/temp_dir.h"

#include <stdexcept>

namespace vantor::test {
namespace {

Json Load(const char* name) {
  const std::string path = std::string(VANTOR_TEST_NETWORK_DIR) + "/" + name;
  const std::string text = ReadFile(path);
  if (text.empty()) throw std::runtime_error("cannot read the test network " + path);
  return Json::parse(text);
}

}  // namespace

Json OfficeNetworkJson(int batch) {
  Json net = Load("office.json");
  net["batch"] = batch;
  return net;
}

std::string OfficeNetwork(int batch, std::string_view extraHosts) {
  Json net = OfficeNetworkJson(batch);
  for (auto& host : Json::parse(extraHosts)) net["hosts"].push_back(std::move(host));
  return NetworkText(net);
}

std::string WorkgroupNetwork() { return NetworkText(Load("workgroup.json")); }

Json& HostOf(Json& network, std::string_view name) {
  for (auto& host : network["hosts"])
    if (host["name"].get<std::string>() == name) return host;
  throw std::invalid_argument("no host " + std::string(name) + " in the test network");
}

void RemoveHost(Json& network, std::string_view name) {
  Json& hosts = network["hosts"];
  for (std::size_t i = 0; i < hosts.size(); ++i) {
    if (hosts[i]["name"].get<std::string>() == name) {
      hosts.erase(i);
      return;
    }
  }
  throw std::invalid_argument("no host " + std::string(name) + " in the test network");
}

std::string NetworkText(const Json& network) { return network.dump(2) + "\n"; }

}  // namespace vantor::test
