// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/directory.h"

#include "lan/enumerate.h"

namespace vantor::lan {

std::string GetLocalUserName(NetApi& api) {
  std::string name;
  if (!api.GetUserName(name) || name.size() > 256) return {};
  return name;
}

std::string GetLocalComputerName(NetApi& api) {
  std::string name;
  if (!api.GetComputerName(name) || name.size() > 15) return {};
  return name;
}

std::string GetPrimaryDomainName(NetApi& api) {
  WkstaInfo100 info;
  if (api.NetWkstaGetInfo({}, 100, info) != NERR_Success) return {};
  return info.langroup;
}

std::string GetDomainControllerName(NetApi& api, std::string_view domain) {
  std::string dc;
  if (api.NetGetDCName({}, domain, dc) != NERR_Success) return {};
  // The answer begins with two backslashes; the name is what follows them.
  return dc.size() > 2 ? dc.substr(2) : std::string();
}

namespace {
std::string PrimaryController(NetApi& api) { return GetDomainControllerName(api, GetPrimaryDomainName(api)); }
}  // namespace

Status GetTrustedDomains(NetApi& api, std::vector<std::string>& domains) {
  return GetTrustedDomainsAt(api, PrimaryController(api), domains);
}

Status GetTrustedDomainsAt(NetApi& api, std::string_view controller, std::vector<std::string>& domains) {
  NetBuffer<char> run;
  Status status = api.NetEnumerateTrustedDomains(ServerPath(controller), run);
  if (status != NERR_Success) return status;
  std::string name;
  for (char c : run) {
    if (c != '\0') {
      name += c;
      continue;
    }
    if (name.empty()) break;  // the empty name ends the run
    domains.push_back(std::move(name));
    name.clear();
  }
  return status;
}

Status GetGroupMembersAt(NetApi& api, std::string_view controller, std::string_view group,
                         std::vector<std::string>& members) {
  members.clear();
  return EnumerateGroupUsers(api, ServerPath(controller), group, [&](const std::string& m) {
    if (!m.empty() && m.back() == '$')
      members.push_back(m.substr(0, m.size() - 1));
    else
      members.push_back(m);
  });
}

Status GetGroupMembers(NetApi& api, std::string_view group, std::vector<std::string>& members) {
  return GetGroupMembersAt(api, PrimaryController(api), group, members);
}

Status GetMessengerNames(NetApi& api, std::vector<std::string>& names) {
  return EnumerateMessageNames(api, [&](const std::string& n) { names.push_back(n); });
}

std::string GetUserFullName(NetApi& api, std::string_view user, std::string_view controller) {
  UserInfo2 info;
  if (api.NetUserGetInfo(ServerPath(controller), user, 2, info) != NERR_Success) return {};
  return info.fullName;
}

std::string GetHostAddress(NetApi& api, std::string_view host) { return api.GetHostByName(host); }

Status ListQueryableServers(NetApi& api, const ServerCheckStates& checks, std::vector<ServerRow>& rows) {
  rows.clear();
  return EnumerateServers(api, sv_type::kQueryableServers, {}, [&](const ServerInfo101& s) {
    rows.push_back({s.name, s.comment, checks.IsChecked(s.name)});
  });
}

}  // namespace vantor::lan
