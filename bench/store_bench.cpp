// The store's costs as the programs meet them: saving and loading a large
// recipient list, one settings write and read, and the list directory.
#include "store/lists_store.h"
#include "store/settings.h"
#include "store/sqlite_hive.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace vantor::store;

class Store {
 public:
  Store() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vantor-bench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    dir_ = tmpl;
    hive_ = OpenSqliteHive((dir_ / "store.db").string());
  }
  ~Store() {
    hive_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  Hive& hive() { return *hive_; }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<Hive> hive_;
};

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

}  // namespace

BENCHMARK_MAIN();
