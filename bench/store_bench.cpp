// SPDX-License-Identifier: GPL-3.0-or-later
// The store's costs as the programs meet them: saving and loading a large
// recipient list, one settings write and read, and the list directory; and
// saving a list against the fewest SQLite statements that write the same rows
// into the same tables.
#include "common/text.h"
#include "store/lists_store.h"
#include "store/settings.h"
#include "scratch_store.h"
#include "store/sqlite_hive.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace {

using namespace vantor::store;

using Store = vantor::bench::ScratchStore;

std::vector<ListMember> Members(int n) {
  std::vector<ListMember> members;
  for (int i = 0; i < n; ++i)
    members.push_back({"member" + std::to_string(i), 2 + i % 3, "Comment, number " + std::to_string(i)});
  return members;
}

void BM_SaveList(benchmark::State& state) {
  Store store;
  ListsStore lists(store.hive());
  auto members = Members(static_cast<int>(state.range(0)));
  for (auto _ : state) lists.SaveList("Everyone", members);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveList)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

// The floor for saving a list: a store file made by the store itself (so the
// tables and indexes are the same), the same settings, and in one transaction
// the directory value, the old list key and its values deleted, the key made
// again and one prepared insert per member with its order number.
class RawSave {
 public:
  explicit RawSave(const std::filesystem::path& file) {
    {
      auto hive = OpenSqliteHive(file.string());
      hive->SetValue(kListNamesKey, "Other", Value::String("0"));
      hive->CreateKey(kListsKey);
    }
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + file.string());
    Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON;");
    listNames_ = Id("SOFTWARE\\VANTOR\\LISTNAMES");
    lists_ = Id("SOFTWARE\\VANTOR\\LISTS");
    directory_ = Prepare(
        "INSERT INTO vals(key, name, fold, seq, type, data) VALUES (?1, ?2, ?3, "
        "(SELECT COALESCE(MAX(seq), 0) + 1 FROM vals WHERE key = ?1), 1, ?4) "
        "ON CONFLICT(key, fold) DO UPDATE SET data = excluded.data");
    deleteValues_ = Prepare("DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE fold = ?1)");
    deleteKey_ = Prepare("DELETE FROM keys WHERE fold = ?1");
    insertKey_ = Prepare("INSERT INTO keys(parent, name, path, fold) VALUES (?1, ?2, ?3, ?4)");
    insertValue_ = Prepare("INSERT INTO vals(key, name, fold, seq, type, data) VALUES (?1, ?2, ?3, ?4, 1, ?5)");
  }
  ~RawSave() {
    for (sqlite3_stmt* s : {directory_, deleteValues_, deleteKey_, insertKey_, insertValue_}) sqlite3_finalize(s);
    sqlite3_close(db_);
  }

  void Save(const std::string& name, const std::vector<ListMember>& members) {
    std::string path = std::string(kListsKey) + "\\" + name, fold = vantor::FoldCase(path);
    Exec("BEGIN IMMEDIATE");
    Bind(directory_, {listNames_}, {name, vantor::FoldCase(name), std::to_string(members.size())});
    Bind(deleteValues_, {}, {fold});
    Bind(deleteKey_, {}, {fold});
    Bind(insertKey_, {lists_}, {name, path, fold});
    sqlite3_int64 key = sqlite3_last_insert_rowid(db_);
    std::int64_t seq = 0;
    for (const ListMember& m : members)
      Bind(insertValue_, {key}, {m.name, vantor::FoldCase(m.name)}, ++seq, ListsStore::MemberData(m.kind, m.comment));
    Exec("COMMIT");
  }

 private:
  void Exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
    return s;
  }
  sqlite3_int64 Id(const std::string& fold) {
    sqlite3_stmt* s = Prepare(("SELECT id FROM keys WHERE fold = '" + fold + "'").c_str());
    sqlite3_int64 id = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
    sqlite3_finalize(s);
    if (id == 0) throw std::runtime_error("no key " + fold);
    return id;
  }
  // Integers first, then texts, then an optional order number and data.
  void Bind(sqlite3_stmt* s, std::initializer_list<sqlite3_int64> ints, std::initializer_list<std::string> texts,
            std::int64_t seq = 0, const std::string& data = {}) {
    int i = 0;
    for (sqlite3_int64 n : ints) sqlite3_bind_int64(s, ++i, n);
    for (const std::string& t : texts)
      sqlite3_bind_text(s, ++i, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    if (seq > 0) {
      sqlite3_bind_int64(s, ++i, seq);
      sqlite3_bind_text(s, ++i, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
    }
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
  }

  sqlite3* db_ = nullptr;
  sqlite3_int64 listNames_ = 0, lists_ = 0;
  sqlite3_stmt *directory_ = nullptr, *deleteValues_ = nullptr, *deleteKey_ = nullptr, *insertKey_ = nullptr,
               *insertValue_ = nullptr;
};

// The two sides alternate, and which goes first alternates too.
void BM_SaveListAgainstRawSqlite(benchmark::State& state) {
  Store store;
  ListsStore lists(store.hive());
  RawSave raw(store.File("raw.db"));
  auto members = Members(static_cast<int>(state.range(0)));
  double storeSeconds = 0, rawSeconds = 0;
  auto timed = [](auto&& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  std::int64_t runs = 0;
  for (auto _ : state) {
    double a = 0, b = 0;
    if (runs % 2 == 0) {
      a = timed([&] { lists.SaveList("Everyone", members); });
      b = timed([&] { raw.Save("Everyone", members); });
    } else {
      b = timed([&] { raw.Save("Everyone", members); });
      a = timed([&] { lists.SaveList("Everyone", members); });
    }
    state.SetIterationTime(a);
    storeSeconds += a;
    rawSeconds += b;
    ++runs;
  }
  if (runs == 0) return;
  state.counters["store_ms"] = storeSeconds / static_cast<double>(runs) * 1e3;
  state.counters["raw_ms"] = rawSeconds / static_cast<double>(runs) * 1e3;
  state.counters["ratio"] = storeSeconds / rawSeconds;
}
BENCHMARK(BM_SaveListAgainstRawSqlite)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_LoadList(benchmark::State& state) {
  Store store;
  ListsStore lists(store.hive());
  lists.SaveList("Everyone", Members(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(lists.LoadList("Everyone"));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadList)->Arg(10)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_WriteSetting(benchmark::State& state) {
  Store store;
  Settings settings(store.hive());
  int i = 0;
  for (auto _ : state) settings.WriteInteger("Main", "Left", ++i);
}
BENCHMARK(BM_WriteSetting)->Unit(benchmark::kMicrosecond);

void BM_ReadSetting(benchmark::State& state) {
  Store store;
  Settings settings(store.hive());
  settings.WriteInteger("Main", "ServerTimeOut", 20);
  for (auto _ : state) benchmark::DoNotOptimize(settings.ReadInteger("main", "servertimeout", 20));
}
BENCHMARK(BM_ReadSetting)->Unit(benchmark::kMicrosecond);

void BM_ListDirectory(benchmark::State& state) {
  Store store;
  ListsStore lists(store.hive());
  for (int i = 0; i < 50; ++i) lists.SaveList("List " + std::to_string(i), Members(5));
  for (auto _ : state) benchmark::DoNotOptimize(lists.ListDirectory());
}
BENCHMARK(BM_ListDirectory)->Unit(benchmark::kMicrosecond);

// Names from several scripts, as a network of many countries has them: every
// look-up and every sorted view folds or compares names like these.
std::vector<std::string> MixedScriptNames(int n) {
  static const char* const kStems[] = {"member", "Müller", "Иванов", "Nguyễn", "Παπαδόπουλος", "Ǆoković"};
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back(kStems[i % 6] + std::to_string(i));
  return names;
}

void BM_FoldNames(benchmark::State& state) {
  auto names = MixedScriptNames(static_cast<int>(state.range(0)));
  for (auto _ : state)
    for (const std::string& name : names) benchmark::DoNotOptimize(vantor::FoldCase(name));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FoldNames)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_SortNamesNoCase(benchmark::State& state) {
  auto names = MixedScriptNames(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto sorted = names;
    std::sort(sorted.begin(), sorted.end(), vantor::LessNoCase());
    benchmark::DoNotOptimize(sorted.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SortNamesNoCase)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_LoadMixedScriptList(benchmark::State& state) {
  Store store;
  ListsStore lists(store.hive());
  std::vector<ListMember> members;
  for (const std::string& name : MixedScriptNames(static_cast<int>(state.range(0)))) members.push_back({name, 2, ""});
  lists.SaveList("Everyone", members);
  for (auto _ : state) benchmark::DoNotOptimize(lists.LoadList("everyone"));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadMixedScriptList)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
