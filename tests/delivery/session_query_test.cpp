// SPDX-License-Identifier: GPL-3.0-or-later
// The session query: worker threads, the limit of 30, the time-out, and the
// merge of answers into ActiveSessions.
#include "delivery/session_query.h"
#include "lan/sim/sim_net_api.h"
#include "support/forwarding_net_api.h"
#include "support/gui_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace vantor;

namespace {

// Passes every call to a simulated network; session queries can be held at a
// gate until the test lets them through, and are counted.
class GatedApi : public test::ForwardingNetApi {
 public:
  explicit GatedApi(lan::NetApi& inner) : ForwardingNetApi(&inner) {}

  std::mutex mutex;
  std::condition_variable cv;
  bool gated = false;
  int released = 0;  // how many held calls may pass
  int inFlight = 0;
  int maxInFlight = 0;
  std::vector<std::string> servers;  // in the order the calls began

  int Started() {
    std::lock_guard lock(mutex);
    return int(servers.size());
  }
  void Release(int n) {
    std::lock_guard lock(mutex);
    released += n;
    cv.notify_all();
  }
  bool WaitForStarted(int n, int ms) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return int(servers.size()) >= n; });
  }

  lan::Status NetSessionEnum(std::string_view server, std::string_view c, std::string_view u, std::uint32_t level,
                             std::uint32_t pref, lan::NetBuffer<lan::SessionInfo10>& out, std::uint32_t& total,
                             std::uint32_t& resume) override {
    int ticket;
    {
      std::unique_lock lock(mutex);
      ticket = int(servers.size());
      servers.emplace_back(server);
      ++inFlight;
      maxInFlight = std::max(maxInFlight, inFlight);
      cv.notify_all();
      if (gated) cv.wait(lock, [&] { return released > ticket; });
    }
    lan::Status s = ForwardingNetApi::NetSessionEnum(server, c, u, level, pref, out, total, resume);
    std::lock_guard lock(mutex);
    --inFlight;
    return s;
  }

  void CancelPendingCalls() override {
    {
      std::lock_guard lock(mutex);
      gated = false;
      released = 1 << 30;
      cv.notify_all();
    }
    ForwardingNetApi::CancelPendingCalls();
  }
};

// A network of n servers SRV00.. each with one session, and the local PC05.
std::string Servers(int n, int latencyMs = 0, const std::string& extra = "") {
  std::string hosts;
  for (int i = 0; i < n; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "SRV%02d", i);
    hosts += std::string(i ? "," : "") + R"({"name": ")" + name + R"(", "type": ["server_nt"], "latency_ms": )" +
             std::to_string(latencyMs) + R"(, "sessions": [{"client": "C)" + name + R"(", "user": "u)" + name +
             R"("}]})";
  }
  return R"({"local": {"computer": "PC05", "user": "alice", "domain": "D"}, "hosts": [)" + hosts + extra + "]}";
}

std::vector<delivery::QueryServer> Checked(int n) {
  std::vector<delivery::QueryServer> out;
  for (int i = 0; i < n; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "SRV%02d", i);
    out.push_back({name, true});
  }
  return out;
}

// Keeps the event loop running until done() holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

bool Holds(const delivery::SessionQuery& q, const std::string& entry) {
  const auto* set = q.ActiveSessions();
  return set && set->count(entry) == 1;
}

struct Rig {
  explicit Rig(const std::string& json)
      : api(lan::sim::ParseNetwork(json, dir.File("n.json"))), gated(api), query(gated, abort) {
    query.SetReporter([this](const std::string& t) { reports.push_back(t); });
  }
  ~Rig() { gated.CancelPendingCalls(); }
  test::TempDir dir;
  lan::sim::SimNetApi api;
  GatedApi gated;
  std::atomic<bool> abort{false};
  delivery::SessionQuery query;
  std::vector<std::string> reports;
};

}  // namespace

TEST(SessionQuery, NoCheckedServerAndOwnComputerUnlistedQueriesOnlyItself) {
  Rig rig(Servers(2, 0, R"(, {"name": "PC05", "type": ["nt"], "sessions": [{"client": "PC09", "user": "zoe"}]})"));
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum({{"SRV00", false}, {"SRV01", false}}, "PC05", 5);
  EXPECT_EQ(rig.gated.servers, std::vector<std::string>{"\\\\PC05"});
  EXPECT_FALSE(rig.abort);
  EXPECT_EQ(*rig.query.ActiveSessions(), (delivery::SessionSet{"2zoe", "3PC09"}));
  EXPECT_EQ(rig.reports,
            (std::vector<std::string>{"Reading active sessions from PC05", "Waiting for server responses"}));
}

TEST(SessionQuery, OwnComputerListedButUncheckedIsNotQueried) {
  Rig rig(Servers(1));
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum({{"PC05", false}, {"SRV00", true}}, "PC05", 5);
  EXPECT_EQ(rig.gated.servers, std::vector<std::string>{"\\\\SRV00"});
  EXPECT_EQ(*rig.query.ActiveSessions(), (delivery::SessionSet{"2uSRV00", "3CSRV00"}));
}

TEST(SessionQuery, TheThirtyFirstWaitsForAFreePlace) {
  Rig rig(Servers(31));
  rig.gated.gated = true;
  std::atomic<bool> thirtyHeld{false}, thirtyFirstEarly{false}, thirtyFirstLater{false};
  std::thread gatekeeper([&] {
    thirtyHeld = rig.gated.WaitForStarted(30, 10000);
    // While all thirty are held, no further worker may begin.
    thirtyFirstEarly = rig.gated.WaitForStarted(31, 300);
    rig.gated.Release(1);
    thirtyFirstLater = rig.gated.WaitForStarted(31, 10000);
    rig.gated.Release(1000);
  });
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum(Checked(31), "PC05", 30);
  gatekeeper.join();
  EXPECT_TRUE(thirtyHeld);
  EXPECT_FALSE(thirtyFirstEarly);
  EXPECT_TRUE(thirtyFirstLater);
  EXPECT_EQ(rig.gated.servers.size(), std::size_t(32));  // and the own computer
  EXPECT_EQ(rig.gated.servers.back(), std::string("\\\\PC05"));
  EXPECT_LE(rig.gated.maxInFlight, 31);
  EXPECT_EQ(rig.query.ActiveSessions()->size(), std::size_t(62));
  EXPECT_FALSE(rig.abort);
}

TEST(SessionQuery, SlowServerTimesOutAndItsLateAnswerIsMerged) {
  Rig rig(Servers(1, 1600));
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum({{"SRV00", true}}, "PC05", 1);
  EXPECT_TRUE(rig.abort);
  EXPECT_EQ(rig.reports.back(), std::string("Time-out reading active sessions"));
  EXPECT_TRUE(rig.query.ActiveSessions()->empty());
  // The caller still holds the set: the late answer is merged when it comes.
  EXPECT_TRUE(PumpUntil([&] { return Holds(rig.query, "2uSRV00"); }, 5000));
}

TEST(SessionQuery, LateAnswerIsDroppedOnceTheSetIsFreed) {
  Rig rig(Servers(1, 1600));
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum({{"SRV00", true}}, "PC05", 1);
  EXPECT_TRUE(rig.abort);  // timed out: SRV00's answer is still to come
  rig.query.FreeActiveSessions();
  // The answer arrives while no set exists, and is dropped.
  EXPECT_TRUE(PumpUntil([&] { return rig.query.LiveWorkers() == 0; }, 5000));
  rig.query.CreateActiveSessions();
  EXPECT_TRUE(rig.query.ActiveSessions()->empty());
}

TEST(SessionQuery, ALateWorkerDoesNotEndANewerQuery) {
  // SRV00 answers after 1.5 s, past the first query's time-out of 1 s. The
  // second query asks SRV01, which answers after 1.2 s; the first query's
  // late worker ends half a second into it and must not end it early.
  Rig rig(Servers(1, 1500, R"(, {"name": "SRV01", "type": ["server_nt"], "latency_ms": 1200,
                                "sessions": [{"client": "CX", "user": "late"}]})"));
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum({{"SRV00", true}, {"PC05", false}}, "PC05", 1);
  EXPECT_TRUE(rig.abort);
  rig.query.FreeActiveSessions();
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum({{"SRV01", true}, {"PC05", false}}, "PC05", 10);
  EXPECT_FALSE(rig.abort);
  EXPECT_TRUE(Holds(rig.query, "2late"));
}

TEST(SessionQuery, SessionsWithoutUsersAndRepeatedUsers) {
  Rig rig(R"({"local": {"computer": "PC05"}, "hosts": [
    {"name": "A", "type": ["server_nt"], "sessions": [{"client": "PC1"}, {"client": "PC2", "user": "Bob"}]},
    {"name": "B", "type": ["server_nt"], "sessions": [{"client": "PC3", "user": "bob"}]},
    {"name": "C", "type": ["server_nt"], "session_status": 5, "sessions": [{"client": "PC4", "user": "x"}]}]})");
  rig.query.CreateActiveSessions();
  rig.query.NetSesEnum({{"A", true}, {"B", true}, {"C", true}, {"PC05", true}}, "PC05", 5);
  // One entry for bob although he is at two servers (spelt as whichever
  // answer came first); PC1 without a user; C fails silently.
  EXPECT_EQ(rig.query.ActiveSessions()->size(), std::size_t(4));
  for (const char* entry : {"2BOB", "3PC1", "3PC2", "3PC3"}) EXPECT_TRUE(Holds(rig.query, entry)) << entry;
}

TEST(SessionQuery, DestroyingTheQueryWaitsForItsWorkers) {
  auto rig = std::make_unique<Rig>(Servers(3, 100000000));
  rig->query.CreateActiveSessions();
  QTimer::singleShot(200, [&] { rig->abort = true; });
  rig->query.NetSesEnum(Checked(3), "PC05", 60);
  EXPECT_GE(rig->query.LiveWorkers(), 3);
  rig->gated.CancelPendingCalls();
  rig.reset();  // must not hang or crash
}

int main(int argc, char** argv) {
  vantor::test::PrepareQtTestEnvironment();
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
