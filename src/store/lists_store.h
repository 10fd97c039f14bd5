// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recipient lists: a directory value per list under ListNames (data: the
// member count as decimal text) and a key per list under Lists holding one
// value per member (name: the member's name; data: its kind as decimal text,
// a comma, its comment).

#include "common/recipient.h"
#include "store/hive.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::store {

struct ListMember {
  std::string name;
  int kind = kUserKind;  // a RecipientKind: user, PC or server, group (lists and domains are never members)
  std::string comment;
  friend bool operator==(const ListMember&, const ListMember&) = default;
};

struct ListDirectoryEntry {
  std::string name;
  std::string count;  // as stored: decimal text, or whatever an import wrote
};

class ListsStore {
 public:
  explicit ListsStore(Hive& hive) : hive_(hive) {}

  // True when the directory value of that name reads as a non-zero number.
  bool ListExists(std::string_view name) const;
  // Directory value first, then the old key is deleted and the members are
  // written: one unit, so a crash never leaves half a list. Refuses an empty
  // name or one holding a backslash (StoreError).
  void SaveList(std::string_view name, const std::vector<ListMember>& members);
  // StoreError when a member value does not parse ("'%s' is not a valid
  // integer value" names the text before the first comma).
  std::vector<ListMember> LoadList(std::string_view name) const;
  // Key first, then the directory value; nothing happens for a list that is
  // not stored.
  void DeleteList(std::string_view name);
  // The directory in the store's order; entries with empty data are skipped.
  std::vector<ListDirectoryEntry> ListDirectory() const;

  // The list key's values as (member name, data), empty data skipped;
  // nullopt when the list has no key. For readers that decide themselves
  // what to do with a value that does not parse.
  std::optional<std::vector<std::pair<std::string, std::string>>> ListValues(std::string_view name) const;

  // "kind,comment" and back. ParseMemberData gives nullopt when the text
  // before the first comma is not a whole number (or there is no comma).
  static std::string MemberData(int kind, std::string_view comment);
  static std::optional<ListMember> ParseMemberData(std::string_view name, std::string_view data);

  static bool IsValidListName(std::string_view name);

 private:
  Hive& hive_;
};

}  // namespace vantor::store
