// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the programs need from the network: who and where they run, the
// primary domain and its controller, trusted domains, the servers to query,
// a group's members, the registered message names, a user's full name, a
// host's address. None of them throws: a failure gives an empty text or a
// status code.

#include "lan/net_api.h"

#include <string>
#include <string_view>
#include <vector>

namespace vantor::lan {

std::string GetLocalUserName(NetApi& api);      // at most 256 characters, else empty
std::string GetLocalComputerName(NetApi& api);  // at most 15 characters, else empty
std::string GetPrimaryDomainName(NetApi& api);
// The controller of a domain (empty: the primary domain), without backslashes.
std::string GetDomainControllerName(NetApi& api, std::string_view domain);

// Appends the domains trusted by the primary domain's controller (or by this
// computer when there is none).
Status GetTrustedDomains(NetApi& api, std::vector<std::string>& domains);
// The same, asking a given controller (empty: this computer).
Status GetTrustedDomainsAt(NetApi& api, std::string_view controller, std::vector<std::string>& domains);

// Replaces members with the group's members as the primary domain's
// controller (or this computer) lists them; a trailing "$" of a computer
// account is dropped.
Status GetGroupMembers(NetApi& api, std::string_view group, std::vector<std::string>& members);
// The same, asking a given controller (empty: this computer).
Status GetGroupMembersAt(NetApi& api, std::string_view controller, std::string_view group,
                         std::vector<std::string>& members);

Status GetMessengerNames(NetApi& api, std::vector<std::string>& names);

// Full name of an account at the controller (empty: this computer).
std::string GetUserFullName(NetApi& api, std::string_view user, std::string_view controller);

// First IPv4 address of a host, dotted; empty when the name is not found.
std::string GetHostAddress(NetApi& api, std::string_view host);

// The servers that may be queried for sessions, each with its check mark.
struct ServerRow {
  std::string name;
  std::string comment;
  bool checked = true;
};

// Where the check marks are kept; a server never stored reads as checked.
class ServerCheckStates {
 public:
  virtual ~ServerCheckStates() = default;
  virtual bool IsChecked(std::string_view server) const = 0;
};

// The Servers view's rows in enumeration order: servers of type 0x8018.
Status ListQueryableServers(NetApi& api, const ServerCheckStates& checks, std::vector<ServerRow>& rows);

}  // namespace vantor::lan
