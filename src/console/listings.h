// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The display options: the stored lists, the domains, the users, the
// computers and the groups, each as a header and one line per entry, or in
// bare form as names alone.

#include "console/run_context.h"
#include "console/run_settings.h"
#include "console/sorted_name_list.h"

namespace vantor::console {

struct ListingOptions {
  bool bare = false;
  bool activeOnly = false;
};

// store may be null only when no list exists to show.
void ListLists(RunContext& ctx, const ListingOptions& opt);
void ListDomains(RunContext& ctx, const ListingOptions& opt);
void ListUsers(RunContext& ctx, const ListingOptions& opt, const SortedNameList& active);
void ListComputers(RunContext& ctx, const ListingOptions& opt, const SortedNameList& active);
void ListGroups(RunContext& ctx, const ListingOptions& opt);

// The listings asked for, in the order lists, domains, users, computers,
// groups, whatever the order of the options.
void RunListings(RunContext& ctx, const RunSettings& s, const SortedNameList& active);

}  // namespace vantor::console
