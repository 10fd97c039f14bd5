// SPDX-License-Identifier: GPL-3.0-or-later
// The store file's own bytes, as a damaged disk, another program or a hand
// with sqlite3 may leave them:
// - a file that is refused is left byte for byte as it was;
// - a file that opens can be walked, exported, read through the settings and
//   lists layouts, and written, each step ending in a StoreError at worst;
// - while another connection holds the write lock, a store still opens and
//   reads without waiting.
#include "fuzz_support.h"
#include "store/hive.h"
#include "store/lists_store.h"
#include "store/reg_script.h"
#include "store/settings.h"
#include "store/sqlite_hive.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>

namespace {

using namespace vantor;
using namespace vantor::store;

void RemoveStore(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix);
}

// Each step may find the store damaged; anything but a StoreError is a finding.
template <class F>
void Step(const char* what, F&& f) {
  try {
    f();
  } catch (const StoreError&) {
  } catch (const std::exception& e) {
    fuzz::Fail(std::string(what) + " threw something else than a StoreError: " + e.what());
  }
}

void Use(Hive& hive) {
  Step("walking", [&] {
    WalkKeys(hive, "", [&](const std::string& key) {
      for (const NamedValue& v : hive.Values(key)) hive.GetValue(key, v.name);
    });
  });
  Step("export", [&] { RegScript::Export(hive, ""); });
  Step("settings", [&] {
    Settings s(hive);
    s.ReadInteger("Main", "Left", 35);
    s.ReadString("Main", "Split", "");
    s.ReadNameValuePairs("Main\\Servers");
  });
  Step("lists", [&] {
    ListsStore lists(hive);
    for (const ListDirectoryEntry& e : lists.ListDirectory()) {
      if (ListsStore::IsValidListName(e.name)) lists.LoadList(e.name);
    }
  });
  Step("saving a list", [&] { ListsStore(hive).SaveList("Sales", {{"alice", 2, "Alice"}}); });
  Step("clearing", [&] { hive.DeleteKey("Software"); });
}

// The write lock of another process, for as long as this lives.
class Writer {
 public:
  explicit Writer(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
      locked_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
  }
  ~Writer() {
    if (locked_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  bool locked() const { return locked_; }

 private:
  sqlite3* db_ = nullptr;
  bool locked_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::ScratchFile("store.db");
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RemoveStore(path);
  fuzz::WriteFile(path, bytes);

  std::unique_ptr<Hive> hive;
  try {
    hive = OpenSqliteHive(path, SqliteHiveOptions{100});
  } catch (const StoreError&) {
    if (fuzz::ReadFile(path) != bytes) fuzz::Fail("a refused file was changed");
    RemoveStore(path);
    return 0;
  } catch (const std::exception& e) {
    fuzz::Fail(std::string("open threw something else than a StoreError: ") + e.what());
  }
  Use(*hive);
  hive.reset();

  // The file is a store now (it was opened); readers do not wait for a writer.
  Writer writer(path);
  if (writer.locked()) {
    try {
      auto reader = OpenSqliteHive(path, SqliteHiveOptions{0});
      reader->KeyExists("Software\\Vantor");
    } catch (const StoreError& e) {
      if (std::string_view(e.what()).find("locked") != std::string_view::npos) {
        fuzz::Fail(std::string("a reader waited for the writer: ") + e.what());
      }
    }
  }
  RemoveStore(path);
  return 0;
}
