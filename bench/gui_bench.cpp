// The windowed program's heavy paths on large simulated networks:
//   - a Net Items refresh of 20,000 users, 5,000 PCs and 2,000 groups, against
//     inserting the same rows into the same view with no network at all;
//   - a session query of 300 checked servers that answer after 100 ms each,
//     against its ideal of 1.0 s (30 workers at a time).
// Run: build/<preset>/bench/gui_bench (offscreen unless a display is set).

#include "common/clock.h"
#include "delivery/session_query.h"
#include "gui/application.h"
#include "gui/item_view.h"
#include "gui/main_window.h"
#include "lan/sim/sim_net_api.h"
#include "store/hive.h"
#include "store/settings.h"
#include "support/gui_env.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <QApplication>

#include <cstdio>

using namespace vantor;

namespace {

std::string Name(const char* prefix, int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%05d", prefix, i);
  return buf;
}

std::string LargeNetwork() {
  std::string users, groups, hosts;
  for (int i = 0; i < 20000; ++i)
    users += (i ? "," : "") + std::string(R"({"name": ")") + Name("user", i) + R"(", "comment": "Account )" +
             std::to_string(i) + R"("})";
  for (int i = 0; i < 2000; ++i)
    groups += (i ? "," : "") + std::string(R"({"name": ")") + Name("group", i) + R"(", "comment": "Group"})";
  for (int i = 0; i < 5000; ++i)
    hosts += (i ? "," : "") + std::string(R"({"name": ")") + Name("PC", i) + R"(", "type": ["nt"], "comment": "Desk"})";
  return R"({"local": {"computer": "PC00000", "user": "alice", "domain": "BIG"},
    "domains": [{"name": "BIG", "controller": "DC1", "users": [)" +
         users + R"(], "groups": [)" + groups + R"(]}],
    "hosts": [)" +
         hosts + "]}";
}

std::string SlowServers(int n, int latencyMs) {
  std::string hosts;
  for (int i = 0; i < n; ++i)
    hosts += (i ? "," : "") + std::string(R"({"name": ")") + Name("SRV", i) + R"(", "type": ["server_nt"], )" +
             R"("latency_ms": )" + std::to_string(latencyMs) + R"(, "sessions": [{"client": "C", "user": "u"}]})";
  return R"({"local": {"computer": "PC05", "user": "alice", "domain": "D"}, "hosts": [)" + hosts + "]}";
}

void BM_RefreshLargeNetwork(benchmark::State& state) {
  test::GuiEnv env(LargeNetwork());
  store::Settings(*env.hive).WriteString("Main", "ScanDomain", "1");
  auto app = env.StartApp();
  QAction& refresh = test::Action(*app, "NetRefreshBtn");
  for (auto _ : state) refresh.trigger();
  state.counters["rows"] = test::View(*app, "NetView").itemModel().Count();
}
BENCHMARK(BM_RefreshLargeNetwork)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same rows, added to the same view the same way, without asking a network.
void BM_InsertSameRowsWithoutNetwork(benchmark::State& state) {
  test::GuiEnv env(LargeNetwork());
  auto app = env.StartApp();
  gui::ItemModel& model = test::View(*app, "NetView").itemModel();
  std::vector<gui::ItemRow> rows(model.Rows());
  for (auto _ : state) {
    model.Clear();
    model.BeginUpdate();
    for (const auto& r : rows) model.Append(r);
    model.EndUpdate(true);
  }
  state.counters["rows"] = model.Count();
}
BENCHMARK(BM_InsertSameRowsWithoutNetwork)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SessionQuery300Servers(benchmark::State& state) {
  test::TempDir dir;
  lan::sim::SimNetApi api(lan::sim::ParseNetwork(SlowServers(300, 100), dir.File("n.json")));
  std::atomic<bool> abort{false};
  delivery::SessionQuery query(api, abort);
  std::vector<delivery::QueryServer> servers;
  for (int i = 0; i < 300; ++i) servers.push_back({Name("SRV", i), true});
  servers.push_back({"PC05", false});
  for (auto _ : state) {
    query.CreateActiveSessions();
    query.NetSesEnum(servers, "PC05", 60);
    if (abort || query.ActiveSessions()->size() != 2) state.SkipWithError("query incomplete");
    query.FreeActiveSessions();
  }
  state.counters["ideal_s"] = 1.0;
}
BENCHMARK(BM_SessionQuery300Servers)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
