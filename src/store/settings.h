// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Settings read and written the way both programs keep them: below a base
// key, in sections (subkeys), every value a string. Numbers are decimal text,
// yes/no are "1" and "0". A value that is missing, or not a whole number
// where a number is read, gives the reader's default. A value of another type
// than string makes the read fail: "Invalid data type for '%s'".

#include "store/hive.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantor::store {

inline constexpr std::string_view kRootKey = "Software\\Vantor";
inline constexpr std::string_view kFormsKey = "Software\\Vantor\\Forms";
inline constexpr std::string_view kListNamesKey = "Software\\Vantor\\ListNames";
inline constexpr std::string_view kListsKey = "Software\\Vantor\\Lists";
inline constexpr std::string_view kMessagesKey = "Software\\Vantor\\Messages";

// Sections of the Forms key.
inline constexpr std::string_view kMainSection = "Main";
inline constexpr std::string_view kSignatureSection = "Main\\Signature";
inline constexpr std::string_view kAliasSection = "Main\\Alias";
inline constexpr std::string_view kFavouritesSection = "Main\\Favourites";
inline constexpr std::string_view kServersSection = "Main\\Servers";
inline constexpr std::string_view kStatusSection = "Status";
inline constexpr std::string_view kEditListSection = "EditList";

class Settings {
 public:
  // Sections are relative to baseKey; an empty section is baseKey itself.
  explicit Settings(Hive& hive, std::string baseKey = std::string(kFormsKey));

  std::int32_t ReadInteger(std::string_view section, std::string_view name, std::int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view name, bool def) const;
  std::string ReadString(std::string_view section, std::string_view name, std::string_view def) const;

  void WriteInteger(std::string_view section, std::string_view name, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view name, bool value);
  void WriteString(std::string_view section, std::string_view name, std::string_view value);

  // The names of the section's values, in the store's order.
  std::vector<std::string> ReadValueNames(std::string_view section) const;
  // Name and data of each value, in the store's order.
  std::vector<std::pair<std::string, std::string>> ReadNameValuePairs(std::string_view section) const;

  bool SectionExists(std::string_view section) const;
  void EraseSection(std::string_view section);

  Hive& hive() const { return hive_; }
  std::string KeyOf(std::string_view section) const;

 private:
  Hive& hive_;
  std::string base_;
};

// A window's place and size as its section keeps them: Left, Top, Width and
// Height.
struct WindowPlace {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

// Each value that is missing or not a number reads as the default's.
WindowPlace ReadWindowPlace(const Settings& settings, std::string_view section, const WindowPlace& defaults);
void WriteWindowPlace(Settings& settings, std::string_view section, const WindowPlace& place);

}  // namespace vantor::store
