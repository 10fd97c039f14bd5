// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lists the churn program writes, and the check that every stored list
// is whole. Each save is generation g of a list with n members m0..m(n-1),
// each member's comment "g<g>,n<n>,i<i>" (commas included on purpose), so a
// list mixed from two saves, or cut short, shows.

#include "store/hive.h"
#include "store/lists_store.h"

#include <set>
#include <string>
#include <vector>

namespace vantor::store::test {

std::vector<ListMember> ChurnMembers(int generation, int count);

struct ListCheck {
  std::string problems;  // empty when every list is whole
  int lists = 0;
  std::set<int> generations;
};

// Reads the directory and every list in one read transaction.
ListCheck CheckLists(Hive& hive);

}  // namespace vantor::store::test
