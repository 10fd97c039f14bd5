// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated backend's own costs at 2,000, 20,000 and 200,000 users (with a
// quarter as many PCs and a tenth as many groups): loading the network file,
// and whole enumerations of users, computers and groups through the LAN
// layer's continuation loops, 1,000 entries a batch as the programs ask.
// "per_entry" is the time per entry: equal at every size means linear.
#include "bench_network.h"
#include "lan/enumerate.h"
#include "lan/sim/sim_net_api.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace {

using namespace vantor;

const std::string& NetworkText(int users) {
  static std::map<int, std::string> texts;
  auto it = texts.find(users);
  if (it == texts.end()) it = texts.emplace(users, bench::ScaledNetwork(users)).first;
  return it->second;
}

lan::sim::SimNetApi& Api(int users) {
  static std::map<int, std::unique_ptr<lan::sim::SimNetApi>> apis;
  auto& api = apis[users];
  if (!api) api = std::make_unique<lan::sim::SimNetApi>(lan::sim::ParseNetwork(NetworkText(users), "bench.json"));
  return *api;
}

void PerEntry(benchmark::State& state, std::int64_t entries) {
  state.SetItemsProcessed(state.iterations() * entries);
  state.counters["per_entry"] = benchmark::Counter(
      static_cast<double>(entries), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadNetwork(benchmark::State& state) {
  int users = static_cast<int>(state.range(0));
  const std::string& text = NetworkText(users);
  for (auto _ : state) benchmark::DoNotOptimize(lan::sim::ParseNetwork(text, "bench.json"));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  PerEntry(state, users);
}

void BM_EnumerateUsers(benchmark::State& state) {
  auto& api = Api(static_cast<int>(state.range(0)));
  std::int64_t n = 0;
  for (auto _ : state) {
    n = 0;
    lan::Status s = lan::EnumerateDisplay(api, "\\\\DC1", lan::kDisplayUsers, [&](const lan::DisplayEntry&) { ++n; });
    if (s != lan::NERR_Success || n != state.range(0)) state.SkipWithError("the enumeration fell short");
  }
  PerEntry(state, n);
}

void BM_EnumerateComputers(benchmark::State& state) {
  auto& api = Api(static_cast<int>(state.range(0)));
  std::int64_t n = 0;
  for (auto _ : state) {
    n = 0;
    lan::Status s = lan::EnumerateServers(api, lan::sv_type::kComputers, {}, [&](const lan::ServerInfo101&) { ++n; });
    if (s != lan::NERR_Success || n != state.range(0) / 4 + 1) state.SkipWithError("the enumeration fell short");
  }
  PerEntry(state, n);
}

void BM_EnumerateGroups(benchmark::State& state) {
  auto& api = Api(static_cast<int>(state.range(0)));
  std::int64_t n = 0;
  for (auto _ : state) {
    n = 0;
    lan::Status s = lan::EnumerateDisplay(api, "\\\\DC1", lan::kDisplayGroups, [&](const lan::DisplayEntry&) { ++n; });
    if (s != lan::NERR_Success || n != state.range(0) / 10) state.SkipWithError("the enumeration fell short");
  }
  PerEntry(state, n);
}

void Sizes(benchmark::internal::Benchmark* b) { b->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond); }

BENCHMARK(BM_LoadNetwork)->Apply(Sizes);
BENCHMARK(BM_EnumerateUsers)->Apply(Sizes);
BENCHMARK(BM_EnumerateComputers)->Apply(Sizes);
BENCHMARK(BM_EnumerateGroups)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
