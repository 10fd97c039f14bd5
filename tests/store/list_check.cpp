// SPDX-License-Identifier: GPL-3.0-or-later
#include "list_check.h"

#include "common/text.h"
#include "store/settings.h"

#include <cstdio>

namespace vantor::store::test {

std::vector<ListMember> ChurnMembers(int generation, int count) {
  std::vector<ListMember> members;
  for (int i = 0; i < count; ++i) {
    members.push_back({"m" + std::to_string(i), 2 + i % 3,
                       "g" + std::to_string(generation) + ",n" + std::to_string(count) + ",i" + std::to_string(i)});
  }
  return members;
}

ListCheck CheckLists(Hive& hive) {
  ListCheck check;
  ListsStore lists(hive);
  auto fail = [&](const std::string& list, const std::string& what) { check.problems += list + ": " + what + "\n"; };
  hive.ReadTransaction([&] {
    std::vector<ListDirectoryEntry> directory = lists.ListDirectory();
    for (const ListDirectoryEntry& e : directory) {
      ++check.lists;
      auto count = ParseInt32(e.count);
      if (!count) {
        fail(e.name, "count '" + e.count + "' is not a number");
        continue;
      }
      if (!hive.KeyExists(std::string(kListsKey) + "\\" + e.name)) {
        fail(e.name, "directory entry without a key");
        continue;
      }
      std::vector<ListMember> members = lists.LoadList(e.name);
      if (static_cast<int>(members.size()) != *count) {
        fail(e.name, "count " + e.count + " but " + std::to_string(members.size()) + " members");
        continue;
      }
      int generation = -1;
      for (const ListMember& m : members) {
        int g = -1, n = -1, i = -1;
        if (std::sscanf(m.comment.c_str(), "g%d,n%d,i%d", &g, &n, &i) != 3) {
          fail(e.name, "member comment '" + m.comment + "'");
          break;
        }
        if (generation < 0) generation = g;
        if (g != generation || n != *count || m.name != "m" + std::to_string(i) || m.kind != 2 + i % 3) {
          fail(e.name, "member " + m.name + " '" + m.comment + "' does not belong to generation " +
                           std::to_string(generation) + " of " + e.count);
          break;
        }
      }
      check.generations.insert(generation);
    }
    for (const std::string& key : hive.SubKeyNames(kListsKey)) {
      bool listed = false;
      for (const ListDirectoryEntry& e : directory) listed = listed || EqualsNoCase(e.name, key);
      if (!listed) fail(key, "key without a directory entry");
    }
  });
  return check;
}

}  // namespace vantor::store::test
