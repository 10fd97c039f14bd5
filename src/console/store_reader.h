// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the console tool reads from the store: the list directory, a list's
// member values, and the Servers view's check marks. It writes no value;
// like the registry it was made for, opening a key that is missing creates it.

#include "store/hive.h"
#include "store/lists_store.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantor::console {

enum class CheckMark { Checked, Unchecked, Invalid };

// One value of a stored list: the member's name and its kind, the number
// before the first comma of its data; no kind when the data does not read
// as one (edited by hand) or the value is not a string.
struct StoredMember {
  std::string name;
  std::optional<int> kind;
};

class StoreReader {
 public:
  explicit StoreReader(std::unique_ptr<store::Hive> hive);
  ~StoreReader();

  // The store of the current user (VANTOR_STORE overrides its path).
  // Throws store::StoreError.
  static std::unique_ptr<StoreReader> OpenDefault();

  // The list directory in the store's order, entries with empty data skipped.
  std::vector<store::ListDirectoryEntry> ListDirectory();
  // A list's values in the store's order, empty data skipped; nullopt when
  // no list of that name is stored.
  std::optional<std::vector<StoredMember>> ListMembers(std::string_view list);
  // The check mark stored for a server under Forms\Main\servers: missing, 0
  // or not a number is Unchecked; a value that is not a string is Invalid.
  CheckMark ServerCheckMark(std::string_view server);

 private:
  void Open(std::string_view key);

  std::unique_ptr<store::Hive> hive_;
};

}  // namespace vantor::console
