// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/registry_hive.h"

#include "common/text.h"
#include "common/utf.h"
#include "store/key_path.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <type_traits>
#include <vector>

// After the project's headers: the system's headers define macros that
// would change names there.
#include <windows.h>

namespace vantor::store {

namespace {

std::wstring Wide(std::string_view utf8) {
  std::u16string u = Utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string Narrow(const wchar_t* text, std::size_t length) { return Utf16ToUtf8(std::u16string(text, text + length)); }

// The system's text for an error code, for the second line of a report.
std::string SystemText(LONG code) {
  wchar_t* buf = nullptr;
  DWORD n =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::string text = n > 0 && buf ? Narrow(buf, n) : std::string();
  if (buf) ::LocalFree(buf);
  text = std::string(TrimBlanks(text));
  if (text.empty()) text = "The registry refused the operation.";
  return text + " (error " + std::to_string(code) + ")";
}

// The bytes the registry keeps for a value. Strings are UTF-16 with their
// terminating zero; a multi-string's list gets its final zero too.
std::string RegistryBytes(const Value& v) {
  switch (v.type) {
    case ValueType::String:
    case ValueType::ExpandString:
    case ValueType::MultiString: {
      std::u16string u = Utf8ToUtf16(v.data);
      u.push_back(u'\0');
      return std::string(reinterpret_cast<const char*>(u.data()), u.size() * sizeof(char16_t));
    }
    default: return v.data;
  }
}

Value ValueOfRegistry(DWORD type, const std::uint8_t* bytes, std::size_t size) {
  Value v;
  v.type = static_cast<ValueType>(type);
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::u16string u(size / 2, u'\0');
    std::copy_n(bytes, u.size() * 2, reinterpret_cast<std::uint8_t*>(u.data()));
    // Other writers may leave the terminating zero out.
    if (!u.empty() && u.back() == u'\0') u.pop_back();
    v.data = Utf16ToUtf8(u);
  } else {
    v.data.assign(reinterpret_cast<const char*>(bytes), size);
  }
  return v;
}

// An open registry key, closed when it goes out of scope.
class Key {
 public:
  Key() = default;
  explicit Key(HKEY h) : h_(h) {}
  ~Key() {
    if (h_) ::RegCloseKey(h_);
  }
  Key(Key&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Key& operator=(Key&& o) noexcept {
    std::swap(h_, o.h_);
    return *this;
  }
  HKEY get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HKEY h_ = nullptr;
};

// A key as it was before a unit deleted it.
struct Tree {
  std::string name;
  std::vector<NamedValue> values;
  std::vector<Tree> subkeys;
};

// One change of a write unit, with what puts it back.
struct Change {
  enum class Kind { CreatedKey, ValueBefore, DeletedTree } kind;
  std::string path;
  std::string name;
  std::optional<Value> before;
  Tree tree;
};

std::uint64_t Fnv1a(std::string_view s) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

class RegistryHive final : public Hive {
 public:
  explicit RegistryHive(const RegistryHiveOptions& options) : timeout_(options.busyTimeout) {
    auto names = SplitKeyPath(options.root);
    if (!names) throw StoreError("The registry key " + options.root + " cannot hold the store.");
    for (std::string_view n : *names) root_ = JoinKeyPath(root_, n);
    // One name for every process that opens the same root; names of the
    // Local namespace cannot hold a backslash.
    std::wstring name = L"Local\\Vantor.Store";
    if (!root_.empty()) {
      char hex[17];
      std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(FoldCase(root_))));
      name += L"." + Wide(hex);
    }
    lock_ = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!lock_) throw StoreError("Cannot open the store's lock.\n" + SystemText(static_cast<LONG>(::GetLastError())));
    if (!root_.empty()) {
      HKEY h = nullptr;
      LONG rc =
          ::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(root_).c_str(), 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr);
      if (rc != ERROR_SUCCESS) {
        ::CloseHandle(lock_);
        throw StoreError(Format("Failed to create key %s", {root_}) + "\n" + SystemText(rc));
      }
      ::RegCloseKey(h);
    }
  }

  ~RegistryHive() override { ::CloseHandle(lock_); }

  bool KeyExists(std::string_view key) override {
    auto names = SplitKeyPath(key);
    if (!names) return false;
    return Read([&] {
      if (names->empty()) return true;
      HKEY h = nullptr;
      LONG rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Full(*names)).c_str(), 0, KEY_QUERY_VALUE, &h);
      if (rc == ERROR_SUCCESS) ::RegCloseKey(h);
      if (rc == ERROR_FILE_NOT_FOUND) return false;
      if (rc != ERROR_SUCCESS && rc != ERROR_ACCESS_DENIED) throw ReadFailure(key, rc);
      return true;
    });
  }

  void CreateKey(std::string_view key) override {
    auto names = CheckedKeyPath(key);
    Write([&] { CreatePath(*names, key); });
  }

  bool DeleteKey(std::string_view key) override {
    auto names = SplitKeyPath(key);
    if (!names) return false;
    if (names->empty()) throw StoreError("The root key of the store cannot be deleted.");
    return Write([&] {
      std::string path = Joined(*names);
      std::optional<Tree> tree = Snapshot(path, key);
      if (!tree) return false;
      Remember({Change::Kind::DeletedTree, path, {}, {}, std::move(*tree)});
      LONG rc = ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(Full(*names)).c_str());
      if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        throw StoreError(Format("Failed to delete key %s", {key}) + "\n" + SystemText(rc));
      }
      return rc == ERROR_SUCCESS;
    });
  }

  std::optional<Value> GetValue(std::string_view key, std::string_view name) override {
    auto names = SplitKeyPath(key);
    if (!names) return std::nullopt;
    return Read([&]() -> std::optional<Value> {
      Key k = OpenExisting(*names, KEY_QUERY_VALUE, key);
      if (!k) return std::nullopt;
      return Query(k, name, key);
    });
  }

  void SetValue(std::string_view key, std::string_view name, const Value& value) override {
    SetValues(key, {{std::string(name), value}});
  }

  // One opening of the key for all the values.
  void SetValues(std::string_view key, const std::vector<NamedValue>& values) override {
    auto names = CheckedKeyPath(key);
    for (const NamedValue& v : values) CheckValueName(v.name);
    Write([&] {
      Key k = CreatePath(*names, key);
      std::string path = Joined(*names);
      for (const NamedValue& v : values) {
        std::optional<Value> before = Query(k, v.name, key);
        Set(k, v.name, v.value);
        Remember({Change::Kind::ValueBefore, path, v.name, std::move(before), {}});
      }
    });
  }

  bool DeleteValue(std::string_view key, std::string_view name) override {
    auto names = SplitKeyPath(key);
    if (!names) return false;
    return Write([&] {
      Key k = OpenExisting(*names, KEY_QUERY_VALUE | KEY_SET_VALUE, key);
      if (!k) return false;
      std::optional<Value> before = Query(k, name, key);
      if (!before) return false;
      LONG rc = ::RegDeleteValueW(k.get(), Wide(name).c_str());
      if (rc == ERROR_FILE_NOT_FOUND) return false;
      if (rc != ERROR_SUCCESS) {
        throw StoreError(Format("Failed to delete value '%s'", {name}) + "\n" + SystemText(rc));
      }
      Remember({Change::Kind::ValueBefore, Joined(*names), std::string(name), std::move(before), {}});
      return true;
    });
  }

  std::vector<std::string> SubKeyNames(std::string_view key) override {
    auto names = SplitKeyPath(key);
    if (!names) return {};
    return Read([&] {
      std::vector<std::string> out;
      Key k = OpenExisting(*names, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key);
      if (!k) return out;
      out = EnumKeys(k, key);
      // The registry's own order is not promised; the hive's is by folded name.
      std::vector<std::pair<std::string, std::string>> folded;
      for (std::string& n : out) folded.emplace_back(FoldCase(n), std::move(n));
      std::sort(folded.begin(), folded.end());
      out.clear();
      for (auto& [fold, n] : folded) out.push_back(std::move(n));
      return out;
    });
  }

  std::vector<NamedValue> Values(std::string_view key) override {
    auto names = SplitKeyPath(key);
    if (!names) return {};
    return Read([&] {
      Key k = OpenExisting(*names, KEY_QUERY_VALUE, key);
      return k ? EnumValues(k, key) : std::vector<NamedValue>();
    });
  }

  void ReadTransaction(const std::function<void()>& work) override {
    Read([&] {
      work();
      return true;
    });
  }

  void WriteTransaction(const std::function<void()>& work) override {
    Write([&] {
      work();
      return true;
    });
  }

 private:
  enum class Mode { None, Read, Write };

  // Marks the hive as inside a unit for as long as it lives; the outermost
  // one holds the processes' lock and owns the journal.
  class Unit {
   public:
    Unit(RegistryHive& h, Mode mode) : h_(h), mark_(h.journal_.size()) {
      if (mode == Mode::Write && h_.mode_ == Mode::Read) {
        throw StoreError("The store cannot be changed inside a read transaction.");
      }
      if (h_.depth_ == 0) {
        h_.LockProcesses();
        h_.mode_ = mode;
      }
      ++h_.depth_;
    }
    ~Unit() {
      if (--h_.depth_ > 0) return;
      h_.journal_.clear();
      h_.mode_ = Mode::None;
      ::ReleaseMutex(h_.lock_);
    }
    Unit(const Unit&) = delete;
    Unit& operator=(const Unit&) = delete;
    std::size_t mark() const { return mark_; }

   private:
    RegistryHive& h_;
    std::size_t mark_;
  };

  template <class F>
  std::invoke_result_t<F&> Read(F&& f) {
    std::lock_guard guard(mutex_);
    Unit unit(*this, Mode::Read);
    return f();
  }

  // Runs f as one unit: when it throws, what it changed is put back.
  template <class F>
  std::invoke_result_t<F&> Write(F&& f) {
    std::lock_guard guard(mutex_);
    Unit unit(*this, Mode::Write);
    try {
      return f();
    } catch (...) {
      Undo(unit.mark());
      throw;
    }
  }

  void LockProcesses() {
    DWORD rc = ::WaitForSingleObject(lock_, static_cast<DWORD>(timeout_.count()));
    // WAIT_ABANDONED: a process died inside a unit; what it left stands.
    if (rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED) return;
    if (rc == WAIT_TIMEOUT) {
      throw StoreError("The store is busy: another program has been using it for " +
                       std::to_string(timeout_.count() / 1000) + " seconds.");
    }
    throw StoreError("Cannot take the store's lock.\n" + SystemText(static_cast<LONG>(::GetLastError())));
  }

  // Notes a change for Undo; the repairs Undo makes are not noted.
  void Remember(Change c) {
    if (!undoing_) journal_.push_back(std::move(c));
  }

  static StoreError ReadFailure(std::string_view key, LONG rc) {
    return StoreError("Failed to read key " + std::string(key) + "\n" + SystemText(rc));
  }

  static void Set(const Key& k, std::string_view name, const Value& v) {
    std::string bytes = RegistryBytes(v);
    LONG rc = ::RegSetValueExW(k.get(), Wide(name).c_str(), 0, static_cast<DWORD>(v.type),
                               reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    if (rc != ERROR_SUCCESS) throw StoreError(Format("Failed to set data for '%s'", {name}) + "\n" + SystemText(rc));
  }

  static std::optional<Value> Query(const Key& k, std::string_view name, std::string_view key) {
    std::wstring wname = Wide(name);
    std::vector<std::uint8_t> buf(256);
    for (;;) {
      DWORD type = 0;
      DWORD size = static_cast<DWORD>(buf.size());
      LONG rc = ::RegQueryValueExW(k.get(), wname.c_str(), nullptr, &type, buf.data(), &size);
      if (rc == ERROR_FILE_NOT_FOUND) return std::nullopt;
      if (rc == ERROR_MORE_DATA) {
        buf.resize(std::max<std::size_t>(size, buf.size() * 2));
        continue;
      }
      if (rc != ERROR_SUCCESS) throw ReadFailure(key, rc);
      return ValueOfRegistry(type, buf.data(), size);
    }
  }

  static std::vector<std::string> EnumKeys(const Key& k, std::string_view key) {
    std::vector<std::string> out;
    wchar_t name[256];  // a key name holds at most 255 characters
    for (DWORD i = 0;; ++i) {
      DWORD len = 256;
      LONG rc = ::RegEnumKeyExW(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) return out;
      if (rc != ERROR_SUCCESS) throw ReadFailure(key, rc);
      out.push_back(Narrow(name, len));
    }
  }

  static std::vector<NamedValue> EnumValues(const Key& k, std::string_view key) {
    std::vector<NamedValue> out;
    std::vector<wchar_t> name(kMaxValueNameLength + 1);
    std::vector<std::uint8_t> data(256);
    for (DWORD i = 0;;) {
      DWORD nameLen = static_cast<DWORD>(name.size());
      DWORD size = static_cast<DWORD>(data.size());
      DWORD type = 0;
      LONG rc = ::RegEnumValueW(k.get(), i, name.data(), &nameLen, nullptr, &type, data.data(), &size);
      if (rc == ERROR_NO_MORE_ITEMS) return out;
      if (rc == ERROR_MORE_DATA) {
        data.resize(std::max<std::size_t>(size, data.size() * 2));
        continue;  // the same value again, with room for its data
      }
      if (rc != ERROR_SUCCESS) throw ReadFailure(key, rc);
      out.push_back({Narrow(name.data(), nameLen), ValueOfRegistry(type, data.data(), size)});
      ++i;
    }
  }

  // The key, or an empty Key when it does not exist.
  Key OpenExisting(const std::vector<std::string_view>& names, REGSAM access, std::string_view key) {
    HKEY h = nullptr;
    LONG rc = ::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Full(names)).c_str(), 0, access, &h);
    if (rc == ERROR_FILE_NOT_FOUND) return Key();
    if (rc != ERROR_SUCCESS) throw ReadFailure(key, rc);
    return Key(h);
  }

  // Opens the key for writing, creating it and its missing parents one by
  // one, so that the journal knows which of them this unit made.
  Key CreatePath(const std::vector<std::string_view>& names, std::string_view key) {
    const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
    HKEY h = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(Full(names)).c_str(), 0, access, &h) == ERROR_SUCCESS) return Key(h);
    Key parent;
    LONG rc = root_.empty() ? ::RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, access, &h)
                            : ::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(root_).c_str(), 0, access, &h);
    if (rc != ERROR_SUCCESS) throw StoreError(Format("Failed to create key %s", {key}) + "\n" + SystemText(rc));
    parent = Key(h);
    std::string path;
    for (std::string_view n : names) {
      path = JoinKeyPath(path, n);
      DWORD disposition = 0;
      rc = ::RegCreateKeyExW(parent.get(), Wide(n).c_str(), 0, nullptr, 0, access, nullptr, &h, &disposition);
      if (rc != ERROR_SUCCESS) throw StoreError(Format("Failed to create key %s", {key}) + "\n" + SystemText(rc));
      parent = Key(h);
      if (disposition == REG_CREATED_NEW_KEY) Remember({Change::Kind::CreatedKey, path, {}, {}, {}});
    }
    return parent;
  }

  // The key with everything below it, or nullopt when it does not exist.
  std::optional<Tree> Snapshot(const std::string& path, std::string_view key) {
    auto names = SplitKeyPath(path);
    Key k = OpenExisting(*names, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, key);
    if (!k) return std::nullopt;
    Tree t;
    t.name = path;
    t.values = EnumValues(k, key);
    for (const std::string& sub : EnumKeys(k, key)) {
      if (auto child = Snapshot(JoinKeyPath(path, sub), key)) t.subkeys.push_back(std::move(*child));
    }
    return t;
  }

  // Puts back, newest first, what the unit changed since mark. Best effort:
  // a registry that refuses the repair leaves what it refused.
  void Undo(std::size_t mark) {
    undoing_ = true;
    while (journal_.size() > mark) {
      Change c = std::move(journal_.back());
      journal_.pop_back();
      try {
        UndoOne(c);
      } catch (const StoreError&) {
      }
    }
    undoing_ = false;
  }

  void UndoOne(const Change& c) {
    auto names = SplitKeyPath(c.path);
    switch (c.kind) {
      case Change::Kind::CreatedKey: ::RegDeleteTreeW(HKEY_CURRENT_USER, Wide(Full(*names)).c_str()); break;
      case Change::Kind::ValueBefore: {
        if (c.before) {
          Set(CreatePath(*names, c.path), c.name, *c.before);
        } else if (Key k = OpenExisting(*names, KEY_SET_VALUE, c.path)) {
          ::RegDeleteValueW(k.get(), Wide(c.name).c_str());
        }
        break;
      }
      case Change::Kind::DeletedTree: Restore(c.tree); break;
    }
  }

  void Restore(const Tree& t) {
    auto names = SplitKeyPath(t.name);
    Key k = CreatePath(*names, t.name);
    for (const NamedValue& v : t.values) {
      if (!Query(k, v.name, t.name)) Set(k, v.name, v.value);
    }
    for (const Tree& sub : t.subkeys) Restore(sub);
  }

  static void CheckValueName(std::string_view name) {
    const std::string problem = ValueNameProblem(name);
    if (!problem.empty()) throw StoreError(Format("Failed to set data for '%s'", {name}) + "\n" + problem);
  }

  static std::optional<std::vector<std::string_view>> CheckedKeyPath(std::string_view key) {
    std::string problem = KeyPathProblem(key);
    if (problem.empty() && !IsValidUtf8(key)) problem = "A key name must be UTF-8 text.";
    if (!problem.empty()) throw StoreError(Format("Failed to create key %s", {key}) + "\n" + problem);
    return SplitKeyPath(key);
  }

  static std::string Joined(const std::vector<std::string_view>& names) {
    std::string out;
    for (std::string_view n : names) out = JoinKeyPath(out, n);
    return out;
  }

  // The path below HKEY_CURRENT_USER.
  std::string Full(const std::vector<std::string_view>& names) const { return JoinKeyPath(root_, Joined(names)); }

  std::string root_;
  std::chrono::milliseconds timeout_;
  HANDLE lock_ = nullptr;
  std::recursive_mutex mutex_;
  int depth_ = 0;
  Mode mode_ = Mode::None;
  std::vector<Change> journal_;
  bool undoing_ = false;
};

}  // namespace

std::unique_ptr<Hive> OpenRegistryHive(const RegistryHiveOptions& options) {
  return std::make_unique<RegistryHive>(options);
}

std::string DefaultStorePath() { return "HKEY_CURRENT_USER"; }

std::unique_ptr<Hive> OpenDefaultHive() { return OpenRegistryHive(); }
std::unique_ptr<Hive> OpenDefaultHive(int) { return OpenRegistryHive(); }

}  // namespace vantor::store
