// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The current user's hive: a tree of keys holding named values, with the
// semantics of the registry the programs were made for.
//
// - Key paths are relative to the hive's root; components are separated by
//   one backslash ("Software\Vantor\Forms\Main"); one leading backslash is
//   accepted and ignored. An empty component is an invalid path.
// - Key and value names compare without regard to letter case and keep the
//   spelling they were first written with.
// - Values enumerate in the order in which they were created (overwriting a
//   value keeps its place); subkeys in ascending order of name, ignoring case.
// - Writing a value creates its key and any missing parent first. Deleting a
//   key deletes everything below it. Reading from a missing key finds nothing.
//
// Every operation stands alone and is atomic; ReadTransaction and
// WriteTransaction group several into one consistent, all-or-nothing unit.
// Failures throw StoreError with a message for the user.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantor::store {

// The registry's value types, by their numbers.
enum class ValueType : std::uint32_t {
  None = 0,
  String = 1,        // REG_SZ
  ExpandString = 2,  // REG_EXPAND_SZ
  Binary = 3,        // REG_BINARY
  DWord = 4,         // REG_DWORD (little-endian)
  DWordBigEndian = 5,
  Link = 6,
  MultiString = 7,  // REG_MULTI_SZ
  QWord = 11,       // REG_QWORD
};

struct Value {
  ValueType type = ValueType::String;
  // String and ExpandString: the text in UTF-8. MultiString: the strings in
  // UTF-8, each ended by '\0'. DWord, QWord: the number's bytes,
  // little-endian. Others: the raw bytes.
  std::string data;

  static Value String(std::string text) { return {ValueType::String, std::move(text)}; }
  static Value DWord(std::uint32_t n);
  bool IsString() const { return type == ValueType::String; }
  friend bool operator==(const Value&, const Value&) = default;
};

struct NamedValue {
  std::string name;
  Value value;
};

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Hive {
 public:
  virtual ~Hive() = default;

  virtual bool KeyExists(std::string_view key) = 0;
  // Creates the key and its missing parents ("Failed to create key %s").
  virtual void CreateKey(std::string_view key) = 0;
  // Deletes the key with everything below it; false when there was none.
  virtual bool DeleteKey(std::string_view key) = 0;

  virtual std::optional<Value> GetValue(std::string_view key, std::string_view name) = 0;
  // Creates missing keys first; "Failed to set data for '%s'" on failure.
  virtual void SetValue(std::string_view key, std::string_view name, const Value& value) = 0;
  // Writes several values under one key as one unit, creating the key (also
  // when there are no values). New names go after the key's last value in
  // the order given; a name already there, or given twice, keeps its place
  // and first spelling and takes the later data. Fails as SetValue does.
  virtual void SetValues(std::string_view key, const std::vector<NamedValue>& values);
  // False when there was no such value.
  virtual bool DeleteValue(std::string_view key, std::string_view name) = 0;

  // Empty when the key does not exist.
  virtual std::vector<std::string> SubKeyNames(std::string_view key) = 0;
  virtual std::vector<NamedValue> Values(std::string_view key) = 0;

  // Runs work as one unit that sees one state of the store.
  virtual void ReadTransaction(const std::function<void()>& work) = 0;
  // Runs work as one unit: all its writes happen, or (when it throws, or the
  // process dies) none. Nested calls join the outer unit.
  virtual void WriteTransaction(const std::function<void()>& work) = 0;
};

// Visits the key and every key below it, depth first: a key before its
// subkeys, subkeys in the store's order. visit gets the path it was reached
// by. The walk keeps its own stack, so however deep the tree is it costs
// memory for the paths still to visit, never the thread's stack.
void WalkKeys(Hive& hive, const std::string& top, const std::function<void(const std::string& path)>& visit);

// The store file: VANTOR_STORE when set, else $XDG_CONFIG_HOME/vantor/store.db
// (~/.config/vantor/store.db when XDG_CONFIG_HOME is unset or not absolute).
std::string DefaultStorePath();

// Opens (creating when missing, with owner-only permissions) the SQLite store.
std::unique_ptr<Hive> OpenSqliteHive(const std::string& path);

// OpenSqliteHive(DefaultStorePath()). On Windows the store is the current
// user's registry instead (registry_hive.h), and DefaultStorePath names it.
std::unique_ptr<Hive> OpenDefaultHive();
// The same, waiting at most writerWaitMs for another process's write to end
// (the registry never makes a reader wait, so Windows ignores it).
std::unique_ptr<Hive> OpenDefaultHive(int writerWaitMs);

}  // namespace vantor::store
