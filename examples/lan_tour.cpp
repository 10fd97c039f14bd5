// SPDX-License-Identifier: GPL-3.0-or-later
// A short tour of the LAN layer: which backend VANTOR_LAN selects, who and
// where we are, what the network holds, and one message delivered.
//
//   VANTOR_LAN=sim:examples/office.json build/dev/examples/lan_tour

#include "lan/backend.h"
#include "lan/directory.h"
#include "lan/enumerate.h"
#include "lan/net_error_text.h"

#include <iostream>

using namespace vantor::lan;

int main() {
  std::unique_ptr<NetApi> api;
  try {
    api = CreateNetApiFromEnvironment();
  } catch (const BackendError& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  std::string domain = GetPrimaryDomainName(*api);
  std::string dc = GetDomainControllerName(*api, "");
  std::cout << "Computer " << GetLocalComputerName(*api) << ", user " << GetLocalUserName(*api) << ", domain " << domain
            << ", controller " << (dc.empty() ? "(none)" : dc) << "\n";

  std::vector<std::string> trusts;
  GetTrustedDomains(*api, trusts);
  std::cout << "Trusted domains:";
  for (const auto& t : trusts) std::cout << " " << t;
  std::cout << "\n";

  std::cout << "Servers that can be asked for sessions:\n";
  EnumerateServers(*api, sv_type::kQueryableServers, {}, [&](const ServerInfo101& s) {
    std::cout << "  " << s.name << " (" << s.comment << "): ";
    std::vector<std::string> who;
    Status st = EnumerateSessions(*api, ServerPath(s.name), [&](const SessionInfo10& ses) {
      who.push_back(ses.cname + (ses.username.empty() ? "" : "/" + ses.username));
    });
    if (st != NERR_Success) {
      std::cout << "failed: " << NetErrorText(st) << "\n";
      return;
    }
    for (const auto& w : who) std::cout << w << " ";
    std::cout << "\n";
  });

  std::vector<std::string> members;
  if (GetGroupMembers(*api, "Warehouse", members) == NERR_Success) {
    std::cout << "Warehouse:";
    for (const auto& m : members) std::cout << " " << m;
    std::cout << "\n";
  }

  std::string from = GetLocalComputerName(*api);
  Status s = api->NetMessageBufferSend({}, "bob", from, u"The LAN layer says hello.");
  std::cout << "Message to bob: " << (s == NERR_Success ? "delivered" : NetErrorText(s)) << "\n";
  return s == NERR_Success ? 0 : 2;
}
