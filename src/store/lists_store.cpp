// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/lists_store.h"

#include "common/text.h"
#include "store/key_path.h"
#include "store/settings.h"

#include <unordered_set>

namespace vantor::store {

namespace {

std::string ListKey(std::string_view name) { return JoinKeyPath(kListsKey, name); }

void CheckListName(std::string_view name) {
  if (name.empty()) throw StoreError("A list needs a name.");
  if (name.find('\\') != std::string_view::npos) {
    throw StoreError("The list name '" + std::string(name) +
                     "' cannot be used: list names cannot contain a backslash (\\).");
  }
}

std::string StringData(const NamedValue& v) {
  if (v.value.type != ValueType::String && v.value.type != ValueType::ExpandString) {
    throw StoreError(Format("Invalid data type for '%s'", {v.name}));
  }
  return v.value.data;
}

}  // namespace

bool ListsStore::IsValidListName(std::string_view name) {
  return !name.empty() && name.find('\\') == std::string_view::npos;
}

std::string ListsStore::MemberData(int kind, std::string_view comment) {
  std::string data = std::to_string(kind);
  data += ',';
  data += comment;
  return data;
}

std::optional<ListMember> ListsStore::ParseMemberData(std::string_view name, std::string_view data) {
  size_t comma = data.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  auto kind = ParseInt32(data.substr(0, comma));
  if (!kind) return std::nullopt;
  return ListMember{std::string(name), *kind, std::string(data.substr(comma + 1))};
}

bool ListsStore::ListExists(std::string_view name) const {
  return Settings(hive_, std::string(kListNamesKey)).ReadInteger("", name, 0) != 0;
}

void ListsStore::SaveList(std::string_view name, const std::vector<ListMember>& members) {
  CheckListName(name);
  // Two members whose names differ only in case are one value in the store;
  // the count must say how many values the key really holds.
  std::unordered_set<std::string> distinct;
  for (const ListMember& m : members) distinct.insert(FoldCase(m.name));
  std::vector<NamedValue> values;
  values.reserve(members.size());
  for (const ListMember& m : members) values.push_back({m.name, Value::String(MemberData(m.kind, m.comment))});
  std::string key = ListKey(name);
  hive_.WriteTransaction([&] {
    hive_.SetValue(kListNamesKey, name, Value::String(std::to_string(distinct.size())));
    hive_.DeleteKey(key);
    hive_.SetValues(key, values);  // makes the key again, also for a list of no members
  });
}

std::vector<ListMember> ListsStore::LoadList(std::string_view name) const {
  auto values = ListValues(name);
  std::vector<ListMember> members;
  if (!values) return members;
  members.reserve(values->size());
  for (auto& [member, data] : *values) {
    auto parsed = ParseMemberData(member, data);
    if (!parsed) {
      std::string where = "(member '" + member + "' of the list '" + std::string(name) + "')";
      size_t comma = data.find(',');
      if (comma == std::string::npos) {
        throw StoreError("'" + data + "' is not a valid member value: a kind, a comma and a comment are expected " +
                         where);
      }
      throw StoreError("'" + data.substr(0, comma) + "' is not a valid integer value " + where);
    }
    members.push_back(std::move(*parsed));
  }
  return members;
}

void ListsStore::DeleteList(std::string_view name) {
  CheckListName(name);
  hive_.WriteTransaction([&] {
    hive_.DeleteKey(ListKey(name));
    hive_.DeleteValue(kListNamesKey, name);
  });
}

std::vector<ListDirectoryEntry> ListsStore::ListDirectory() const {
  std::vector<ListDirectoryEntry> entries;
  for (const NamedValue& v : hive_.Values(kListNamesKey)) {
    std::string count = StringData(v);
    if (!count.empty()) entries.push_back({v.name, std::move(count)});
  }
  return entries;
}

std::optional<std::vector<std::pair<std::string, std::string>>> ListsStore::ListValues(std::string_view name) const {
  CheckListName(name);
  std::string key = ListKey(name);
  std::optional<std::vector<std::pair<std::string, std::string>>> out;
  // Existence and values from one state of the store.
  hive_.ReadTransaction([&] {
    if (!hive_.KeyExists(key)) return;
    out.emplace();
    for (const NamedValue& v : hive_.Values(key)) {
      std::string data = StringData(v);
      if (!data.empty()) out->emplace_back(v.name, std::move(data));
    }
  });
  return out;
}

}  // namespace vantor::store
