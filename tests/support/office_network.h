// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The networks the tests run the simulated backend on, kept as JSON files
// beside this header.
//
// office.json: the own computer PC5 (user alice, address 10.1.1.5) in domain
// OFFICE, whose controller is DC1 and backup controller DC2; OFFICE trusts
// SALES (controller SDC, not listed as a host) and LAB (no controller).
// - DC1 has messenger names carol and HELPDESK and sessions from PC7 (bob),
//   PC9 (no user) and UNIX1 (no user); DC2 a session from PC17 (dave).
// - FILES refuses session queries (status 5) and messages (2136); erin is
//   logged on there only, so nobody can reach her.
// - PC17 (type given as a number, address 10.0.0.17), PC7 (no address) and
//   PC5 itself are NT computers; PC9 is of the Windows 95 family with its
//   messenger stopped; PRN (print server) and UNIX1 are computers of neither
//   family; S1 is in SALES.
// - OFFICE's users include names of 20 and 22 characters; group Staff holds a
//   computer account (PC7$), Machines one ending in two dollars, Empty nobody.
// workgroup.json: HOMEPC (user kim) in WORKGROUP, no controller anywhere, one
// other computer LAPTOP.
// Both append delivered messages to deliveries.jsonl beside the network file.

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace vantor::test {

using Json = nlohmann::ordered_json;

// The office network with batch as the largest answer of one enumeration
// call, to be changed before it is written out.
Json OfficeNetworkJson(int batch = 1000);
// The office network's text; extraHosts, a JSON list of host objects, join
// its hosts.
std::string OfficeNetwork(int batch = 1000, std::string_view extraHosts = "[]");
std::string WorkgroupNetwork();

// The host of that name in a network (it must be there).
Json& HostOf(Json& network, std::string_view name);
// Takes the host of that name out of a network (it must be there).
void RemoveHost(Json& network, std::string_view name);
// A network's text as the backend reads it.
std::string NetworkText(const Json& network);

}  // namespace vantor::test
