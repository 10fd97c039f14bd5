// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Registry scripts in the REGEDIT4 text form, as regedit writes and reads
// them: a "REGEDIT4" line, then [key] sections with "name"=data lines.
//
// - Strings are quoted; a backslash is written \\ and a double quote \".
// - Other data: dword:xxxxxxxx, hex:.. (binary), hex(N):.. for type N
//   (hex(2) expandable string, hex(7) multi-string, hex(b) qword, ...), the
//   bytes comma-separated, continued on the next line after a backslash.
// - @ names the key's default (unnamed) value.
// - [-KEY] deletes a key with everything below it; "name"=- deletes a value.
// - Blank lines and lines that begin with ';' are ignored.
// The text is UTF-8 (string bytes inside hex(1), hex(2) and hex(7) too).
// Only keys under HKEY_CURRENT_USER (or HKCU) can be named.

#include "store/hive.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::store {

inline constexpr std::string_view kRegRoot = "HKEY_CURRENT_USER";

// A script that cannot be read or applied; line() is the script's line it
// concerns (1-based), or 0 when it concerns no single line.
class RegScriptError : public StoreError {
 public:
  RegScriptError(int line, const std::string& what) : StoreError(what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

// "HKEY_CURRENT_USER\Software\Vantor" or "HKCU\Software\Vantor" (the root's
// name in any case) -> "Software\Vantor"; the root alone -> "". StoreError
// with the reason for other roots, remote keys and malformed paths.
std::string HivePathOfRegKey(std::string_view regKey);
// "Software\Vantor" -> "HKEY_CURRENT_USER\Software\Vantor".
std::string RegKeyOfHivePath(std::string_view hivePath);

// The key's path with each name spelt as stored; nullopt when it is missing.
std::optional<std::string> StoredKeyPath(Hive& hive, std::string_view key);

struct RegOperation {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  int line = 0;
  std::string key;   // hive path
  std::string name;  // SetValue, DeleteValue
  Value value;       // SetValue
  friend bool operator==(const RegOperation&, const RegOperation&) = default;
};

class RegScript {
 public:
  // Reads a whole script; RegScriptError names the first line that is wrong.
  static RegScript Parse(std::string_view text);

  const std::vector<RegOperation>& operations() const { return ops_; }

  // Carries out every operation in order as one unit: all of them, or (on
  // the first failure, a RegScriptError naming its line) none.
  void Apply(Hive& hive) const;

  // The script of the key and everything below it: each key a section (empty
  // ones too, so that they come back), values in the store's order, subkeys
  // depth first in the store's order. Lines end with CR LF. StoreError when
  // the key is missing or holds a name that the form cannot carry (a line
  // break).
  static std::string Export(Hive& hive, std::string_view key);

  // One value's line(s): name, "=", data; long hex lists wrapped with "\".
  static std::string FormatValue(std::string_view name, const Value& value);
  // The text in double quotes, backslashes and double quotes escaped.
  static std::string Quote(std::string_view text);

 private:
  std::vector<RegOperation> ops_;
};

}  // namespace vantor::store
