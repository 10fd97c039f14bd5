// SPDX-License-Identifier: GPL-3.0-or-later
// The windowed program's heavy paths on large simulated networks, each
// against its floor measured side by side in the same run, the two sides
// alternating:
//   - a Net Items refresh against inserting the same rows into the same view
//     with no network at all, at 2,000, 20,000 and 200,000 users (with 25% as
//     many PCs and 10% as many groups);
//   - a session query of 300 checked servers that answer after 100 ms each,
//     against its ideal of 1.0 s (30 workers at a time);
//   - a send to a group of 5,000 members against the backend's own loop
//     sending to the same names;
//   - one line appended to the status log when it holds 10 lines and when it
//     holds 5,000.
// Run: build/<preset>/bench/gui_bench (offscreen unless a display is set).

#include "delivery/session_query.h"
#include "delivery/status_window.h"
#include "lan/directory.h"
#include "lan/sim/sim_net_api.h"
#include "store/settings.h"
#include "support/gui_env.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace vantor;

namespace {

using Clock = std::chrono::steady_clock;

std::string Name(const char* prefix, int i) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%06d", prefix, i);
  return buf;
}

std::string Items(const char* prefix, int n, const char* rest) {
  std::string out;
  out.reserve(static_cast<std::size_t>(n) * 48);
  for (int i = 0; i < n; ++i) out += (i ? "," : "") + std::string(R"({"name": ")") + Name(prefix, i) + "\", " + rest;
  return out;
}

std::string LargeNetwork(int users) {
  return R"({"local": {"computer": "PC000000", "user": "alice", "domain": "BIG"},
    "domains": [{"name": "BIG", "controller": "DC1", "users": [)" +
         Items("user", users, R"("comment": "Account"})") + R"(], "groups": [)" +
         Items("group", users / 10, R"("comment": "Group"})") + R"(]}],
    "hosts": [)" +
         Items("PC", users / 4, R"("type": ["nt"], "comment": "Desk"})") + "]}";
}

std::string SlowServers(int n, int latencyMs) {
  std::string hosts;
  for (int i = 0; i < n; ++i)
    hosts += (i ? "," : "") + std::string(R"({"name": ")") + Name("SRV", i) + R"(", "type": ["server_nt"], )" +
             R"("latency_ms": )" + std::to_string(latencyMs) + R"(, "sessions": [{"client": "C", "user": "u"}]})";
  return R"({"local": {"computer": "PC05", "user": "alice", "domain": "D"}, "hosts": [)" + hosts + "]}";
}

// A group whose members are all logged on at one PC, so that every message
// is delivered (and written to the deliveries file) on both sides.
std::string GroupNetwork(int members) {
  std::string names;
  for (int i = 0; i < members; ++i) names += (i ? ",\"" : "\"") + Name("m", i) + "\"";
  return R"({"local": {"computer": "PC05", "user": "alice", "domain": "BIG", "messenger": true},
    "domains": [{"name": "BIG", "controller": "DC1", "groups": [{"name": "All", "members": [)" +
         names + R"(]}]}],
    "hosts": [{"name": "DC1", "type": ["nt", "server_nt", "domain_ctrl"]},
              {"name": "PC1", "type": ["nt"], "logged_on": [)" +
         names + "]}]}";
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <typename Work>
double Millis(Work work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the two sides in turn, rounds times, and reports their medians and
// the ratio of the first to the second.
template <typename A, typename B>
void SideBySide(benchmark::State& state, int rounds, A measured, B floor) {
  std::vector<double> a, b;
  for (auto _ : state) {
    for (int r = 0; r < rounds; ++r) {
      a.push_back(Millis(measured));
      b.push_back(Millis(floor));
    }
  }
  state.counters["measured_ms"] = Median(a);
  state.counters["floor_ms"] = Median(b);
  state.counters["ratio"] = Median(a) / Median(b);
}

void BM_RefreshAgainstInsert(benchmark::State& state) {
  test::GuiEnv env(LargeNetwork(static_cast<int>(state.range(0))));
  auto app = env.StartApp();
  QAction& refresh = test::Action(*app, "NetRefreshBtn");
  gui::ItemModel& model = test::View(*app, "NetView").itemModel();
  const std::vector<gui::ItemRow> rows(model.Rows());
  // Enough rounds for a steady median where one round takes a millisecond.
  const int rounds = std::max(5, 200000 / static_cast<int>(state.range(0)));
  SideBySide(
      state, rounds, [&] { refresh.trigger(); },
      [&] {
        model.Clear();
        model.BeginUpdate();
        for (const auto& r : rows) model.Append(r);
        model.EndUpdate(true);
      });
  state.counters["rows"] = static_cast<double>(rows.size());
}
BENCHMARK(BM_RefreshAgainstInsert)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SessionQuery300Servers(benchmark::State& state) {
  test::TempDir dir;
  lan::sim::SimNetApi api(lan::sim::ParseNetwork(SlowServers(300, 100), dir.File("n.json")));
  std::atomic<bool> abort{false};
  delivery::SessionQuery query(api, abort);
  std::vector<delivery::QueryServer> servers;
  for (int i = 0; i < 300; ++i) servers.push_back({Name("SRV", i), true});
  servers.push_back({"PC05", false});
  std::vector<double> times;
  for (auto _ : state) {
    query.CreateActiveSessions();
    times.push_back(Millis([&] { query.NetSesEnum(servers, "PC05", 60); }));
    if (abort || query.ActiveSessions()->size() != 2) state.SkipWithError("query incomplete");
    query.FreeActiveSessions();
  }
  state.counters["ratio_to_ideal"] = Median(times) / 1000.0;
}
BENCHMARK(BM_SessionQuery300Servers)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_SendToGroupAgainstBackendLoop(benchmark::State& state) {
  const int members = static_cast<int>(state.range(0));
  test::GuiEnv env(GroupNetwork(members));
  auto app = env.StartApp();
  gui::ItemView& net = test::View(*app, "NetView");
  test::ClickRow(net, test::RowOf(net, "All"));
  test::Find<QToolButton>(app->main(), "sbAddRecip").click();
  test::Find<QPlainTextEdit>(app->main(), "Memo1").setPlainText(QStringLiteral("Hello"));
  auto& send = test::Find<QPushButton>(app->main(), "SendBtn");
  auto& close = test::Find<QPushButton>(app->status(), "Button1");
  std::vector<std::string> names;
  lan::GetGroupMembers(*env.api, "All", names);
  const std::u16string text = u"Hello\r\n\r\nSent by alice from PC05";
  SideBySide(
      state, 7,
      [&] {
        send.click();
        close.click();
      },
      [&] {
        for (const std::string& n : names) benchmark::DoNotOptimize(env.api->NetMessageBufferSend({}, n, "PC05", text));
      });
  state.counters["names"] = static_cast<double>(names.size());
}
BENCHMARK(BM_SendToGroupAgainstBackendLoop)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(1);

// One line appended to the status log (and the window let repaint), with
// the log already holding range(0) lines.
void BM_StatusLogAppend(benchmark::State& state) {
  test::GuiEnv env(GroupNetwork(1));
  auto app = env.StartApp();
  delivery::TStatus& status = *app->status();
  status.show();
  status.ClearLog();
  for (int i = 0; i < state.range(0); ++i) status.Log(QStringLiteral("Message to All:m%1 succeeded").arg(i));
  QCoreApplication::processEvents();
  for (auto _ : state) {
    status.Log(QStringLiteral("Message to All:m999999 succeeded"));
    QCoreApplication::processEvents();
  }
  status.hide();
}
BENCHMARK(BM_StatusLogAppend)->Arg(10)->Arg(5000)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace

int main(int argc, char** argv) {
  test::PrepareQtTestEnvironment();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
