// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names kept in ascending order without regard to letter case; adding a name
// that is already present (ignoring case) adds nothing. The console tool's
// recipient lists, its servers and the active sessions are all of this kind.

#include "common/text.h"

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace vantor::console {

class SortedNameList {
 public:
  // False when an equal name (ignoring case) was already present.
  bool Add(std::string_view name) { return names_.emplace(name).second; }
  bool Contains(std::string_view name) const { return names_.find(name) != names_.end(); }

  std::size_t size() const { return names_.size(); }
  bool empty() const { return names_.empty(); }
  auto begin() const { return names_.begin(); }
  auto end() const { return names_.end(); }

 private:
  std::set<std::string, LessNoCase> names_;
};

// Adds the comma-separated names of text to target and returns how many
// names target holds afterwards. The part before each comma is taken as it
// stands; what follows a comma is trimmed of blanks and control characters
// before it is cut again. Empty items add nothing.
std::size_t SplitNames(std::string_view text, SortedNameList& target);

}  // namespace vantor::console
