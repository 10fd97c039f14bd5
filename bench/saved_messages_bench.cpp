// SPDX-License-Identifier: GPL-3.0-or-later
// Saved messages at their limit of 1000: filling the view at start-up,
// storing one, and exporting and importing them all.
#include "common/codepage.h"
#include "scratch_store.h"
#include "store/saved_messages.h"
#include "store/sqlite_hive.h"
#include "store/transfer_files.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace vantor::store;

class Store : public vantor::bench::ScratchStore {
 public:
  // n messages of three lines and two recipients, in the view's order.
  void Fill(int n) {
    SavedMessages messages(hive());
    std::vector<int> order;
    hive().WriteTransaction([&] {
      for (int i = 0; i < n; ++i) order.push_back(Add(messages, i));
      messages.WriteOrder(order);
    });
  }
  static int Add(SavedMessages& messages, int i) {
    std::string n = std::to_string(i);
    return messages
        .Store({"Meeting " + n + " moved to 3pm", "", "Room 4, second floor"},
               {{"alice" + n, 2, "Alice Smith"}, {"pc" + n, 3, "Front desk"}}, "-- Ann", "")
        ->slot;
  }
};

void BM_FillView(benchmark::State& state) {
  Store store;
  store.Fill(static_cast<int>(state.range(0)));
  SavedMessages messages(store.hive());
  for (auto _ : state) benchmark::DoNotOptimize(messages.Fill());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillView)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_StoreAndDelete(benchmark::State& state) {
  Store store;
  store.Fill(999);
  SavedMessages messages(store.hive());
  for (auto _ : state) messages.Delete(Store::Add(messages, 0), false);
}
BENCHMARK(BM_StoreAndDelete)->Unit(benchmark::kMillisecond);

void BM_ExportMessages(benchmark::State& state) {
  Store store;
  store.Fill(static_cast<int>(state.range(0)));
  vantor::TextCodec codec("CP1252");
  std::string file = store.File("vtrmsgs.reg");
  for (auto _ : state) {
    if (ExportMessages(store.hive(), file, codec)) state.SkipWithError("export failed");
  }
}
BENCHMARK(BM_ExportMessages)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_ImportMessages(benchmark::State& state) {
  Store store;
  store.Fill(static_cast<int>(state.range(0)));
  vantor::TextCodec codec("CP1252");
  std::string file = store.File("vtrmsgs.reg");
  if (ExportMessages(store.hive(), file, codec)) std::abort();
  for (auto _ : state) {
    if (ImportMessages(store.hive(), file, codec).report) state.SkipWithError("import failed");
  }
}
BENCHMARK(BM_ImportMessages)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
