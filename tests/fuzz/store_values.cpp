// SPDX-License-Identifier: GPL-3.0-or-later
// Store values as a hand, another version or vantor-reg may leave them, read
// the way the programs read them: the settings, the lists layout and the
// console tool's reader. Reads give a value, the reader's default or a
// StoreError; a list saved and loaded again comes back as it went in.
//
// Input, one item a line:
//   v K T NAME=DATA   a value of type T (decimal) under key K (digit, below)
//   l NAME            the name of the list that is saved and loaded again
//   m KIND NAME=TEXT  one of its members, with its kind and comment
// NAME, DATA and TEXT take the escapes \n \r \0 \\ and \xHH.
#include "common/text.h"
#include "console/store_reader.h"
#include "fuzz_support.h"
#include "store/hive.h"
#include "store/lists_store.h"
#include "store/settings.h"
#include "store/sqlite_hive.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <map>
#include <utility>

namespace {

using namespace vantor;
using namespace vantor::store;

// The keys whose values the programs read.
const char* const kKeys[] = {
    "Software\\Vantor\\Forms\\Main",  "Software\\Vantor\\Forms\\Main\\Servers",    "Software\\Vantor\\ListNames",
    "Software\\Vantor\\Lists\\Sales", "Software\\Vantor\\Forms\\Main\\Favourites", "Software\\Vantor\\Lists\\Ops",
};

std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    char e = s[++i];
    if (e == 'n') {
      out += '\n';
    } else if (e == 'r') {
      out += '\r';
    } else if (e == '0') {
      out += '\0';
    } else if (e == 'x' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
               std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += e;
    }
  }
  return out;
}

// "NAME=DATA" split at its first "=" and unescaped.
std::pair<std::string, std::string> NameAndData(std::string_view s) {
  size_t eq = s.find('=');
  return {Unescape(s.substr(0, eq)), eq == std::string_view::npos ? std::string() : Unescape(s.substr(eq + 1))};
}

template <class F>
void Read(const char* what, F&& f) {
  try {
    f();
  } catch (const StoreError&) {
  } catch (const std::exception& e) {
    fuzz::Fail(std::string(what) + " threw something else than a StoreError: " + e.what());
  }
}

void ReadEverything(Hive& hive, const std::vector<std::string>& names) {
  Settings forms(hive);
  for (const std::string& name : names) {
    Read("ReadInteger", [&] {
      std::int32_t a = forms.ReadInteger("Main", name, 20);
      std::int32_t b = forms.ReadInteger("Main", name, -7);
      std::string text = forms.ReadString("Main", name, "");
      // Both defaults agree exactly when the text is a number.
      if ((a == b) != (ParseInt32(text).has_value())) fuzz::Fail("ReadInteger and its text disagree on '" + text + "'");
    });
    Read("ReadBool", [&] { forms.ReadBool("Main", name, true); });
  }
  Read("ReadNameValuePairs", [&] { forms.ReadNameValuePairs("Main\\Servers"); });
  Read("lists", [&] {
    ListsStore lists(hive);
    for (const ListDirectoryEntry& e : lists.ListDirectory()) {
      if (!ListsStore::IsValidListName(e.name)) continue;
      lists.ListExists(e.name);
      Read("LoadList", [&] {
        for (const ListMember& m : lists.LoadList(e.name)) {
          auto again = ListsStore::ParseMemberData(m.name, ListsStore::MemberData(m.kind, m.comment));
          if (!again || !(*again == m)) fuzz::Fail("a member does not survive its own data: " + m.name);
        }
      });
    }
  });
}

// The console reads through its own reader over a second connection.
void ReadAsConsole(const std::string& path, const std::vector<std::string>& names) {
  Read("console", [&] {
    console::StoreReader reader(OpenSqliteHive(path));
    for (const ListDirectoryEntry& e : reader.ListDirectory()) reader.ListMembers(e.name);
    for (const std::string& name : names) reader.ServerCheckMark(name);
  });
}

// Saves the members under the list name and loads them: the store keeps one
// value per name (ignoring case), with the last member's kind and comment.
void RoundTrip(Hive& hive, const std::string& listName, const std::vector<ListMember>& members) {
  std::map<std::string, ListMember> expected;
  try {
    ListsStore(hive).SaveList(listName, members);
  } catch (const StoreError&) {
    return;  // a name the store cannot hold (empty, a backslash, not UTF-8)
  }
  for (const ListMember& m : members) {
    auto [it, added] = expected.try_emplace(FoldCase(m.name), m);
    if (!added) {
      it->second.kind = m.kind;
      it->second.comment = m.comment;
    }
  }
  std::vector<ListMember> loaded = ListsStore(hive).LoadList(listName);
  if (loaded.size() != expected.size()) fuzz::Fail("a saved list loads with another number of members");
  for (const ListMember& m : loaded) {
    auto it = expected.find(FoldCase(m.name));
    if (it == expected.end() || !(it->second == m)) fuzz::Fail("a saved member loads differently: " + m.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::ScratchFile("store.db");
  static std::unique_ptr<Hive> hive = OpenSqliteHive(path);
  try {
    hive->DeleteKey("Software");
  } catch (const StoreError& e) {
    fuzz::Fail(std::string("the store cannot be cleared: ") + e.what());
  }
  fuzz::Input in(data, size);
  std::vector<std::string> names;
  std::string listName;
  std::vector<ListMember> members;
  while (!in.empty()) {
    std::string line = in.Line();
    if (line.starts_with("v ") && line.size() > 4) {
      size_t space = line.find(' ', 4);
      if (space == std::string::npos) continue;
      auto [name, text] = NameAndData(std::string_view(line).substr(space + 1));
      names.push_back(name);
      Value value{static_cast<ValueType>(std::strtoul(line.c_str() + 4, nullptr, 10)), text};
      try {
        hive->SetValue(kKeys[static_cast<unsigned char>(line[2]) % std::size(kKeys)], name, value);
      } catch (const StoreError&) {
        // a name the store refuses (not UTF-8, too long)
      }
    } else if (line.starts_with("l ")) {
      listName = Unescape(std::string_view(line).substr(2));
    } else if (line.starts_with("m ")) {
      char* end = nullptr;
      long kind = std::strtol(line.c_str() + 2, &end, 10);
      auto [name, comment] = NameAndData(*end == ' ' ? end + 1 : end);
      members.push_back({name, static_cast<int>(std::clamp(kind, -1000000L, 1000000L)), comment});
    }
  }
  ReadEverything(*hive, names);
  ReadAsConsole(path, names);
  RoundTrip(*hive, listName, members);
  return 0;
}
