// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Choosing the servers to ask for sessions, and asking them: the active
// users and computers that decide who is sent to.

#include "console/run_context.h"
#include "console/run_settings.h"
#include "console/sorted_name_list.h"

namespace vantor::console {

// Fills servers by the query mode; ends the run through FatalError when no
// server results.
void ChooseServers(RunContext& ctx, const RunSettings& s, SortedNameList& servers);

// Servers of the primary domain whose type shares a bit with the mask; in
// verbose mode one line per server taken.
void EnumerateServerNames(RunContext& ctx, std::uint32_t typeMask, bool verbose, SortedNameList& servers);

// Asks every server, and the own computer when it is not among them, for
// its sessions: "2" + user and "3" + client computer for each.
void QuerySessions(RunContext& ctx, bool verbose, const SortedNameList& servers, SortedNameList& active);

}  // namespace vantor::console
