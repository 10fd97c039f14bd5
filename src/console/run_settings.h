// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one run of the console tool was asked to do, as read from its
// command line.

#include "console/sorted_name_list.h"

#include <string>

namespace vantor::console {

enum class QueryMode { DomainControllers, NamedServers, AllServers, CheckedServers, ServerFile };

// A recipient option (-u, -g, -l, -p, -d): whether it was given, and the
// names gathered from all its occurrences (UTF-8).
struct RecipientNames {
  bool given = false;
  SortedNameList names;
};

struct RunSettings {
  bool verbose = false;
  bool test = false;
  bool query = true;
  QueryMode queryMode = QueryMode::DomainControllers;
  int queryOptionCount = 0;
  std::string namedServers;  // -qs, UTF-8, split when the servers are chosen
  std::string serverFile;    // -qf, the path exactly as typed

  bool showLists = false;
  bool showDomains = false;
  bool showUsers = false;
  bool showComputers = false;
  bool showGroups = false;
  bool activeOnly = false;
  bool bare = false;

  RecipientNames users;
  RecipientNames groups;
  RecipientNames lists;
  RecipientNames computers;
  RecipientNames domains;

  bool messageGiven = false;
  // In the locale's character set, as typed; the length limits count its
  // characters in the code page it is sent in.
  std::string message;

  bool AnyRecipientGiven() const {
    return users.given || groups.given || lists.given || computers.given || domains.given;
  }
};

// The length limits of a message and of a domain broadcast.
inline constexpr std::size_t kMaxMessage = 895;
inline constexpr std::size_t kMaxBroadcast = 128;

}  // namespace vantor::console
