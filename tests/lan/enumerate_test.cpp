// SPDX-License-Identifier: GPL-3.0-or-later
// The continuation loops against platforms that answer oddly.
#include "lan/enumerate.h"
#include "support/forwarding_net_api.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace vantor::lan {
namespace {

using ::testing::ElementsAre;

// Answers only the server and display enumerations, from a script.
class ScriptedApi : public test::ForwardingNetApi {
 public:
  bool repeatFirst = true;  // the platform's contract
  bool stuck = false;       // answers 234 without ever moving on
  Status failAtIndex = 0;   // display: the continued call's status, when set
  std::vector<std::string> servers{"A", "B", "C", "D", "E"};
  int calls = 0;
  // Calls and visits in the order they happened; a call ahead logs from its
  // own thread.
  std::mutex logMutex;
  std::vector<std::string> log;
  void Log(std::string what) {
    std::lock_guard lock(logMutex);
    log.push_back(std::move(what));
  }

  Status NetServerEnumEx(std::string_view, std::uint32_t, std::uint32_t, std::uint32_t, std::string_view,
                         std::string_view first, NetBuffer<ServerInfo101>& out, std::uint32_t& total) override {
    ++calls;
    Log("call " + std::string(first));
    std::vector<ServerInfo101> batch;
    std::size_t i = 0;
    if (!first.empty()) {
      while (i < servers.size() && servers[i] < first) ++i;
      if (!repeatFirst && i < servers.size() && servers[i] == first) ++i;
    }
    if (stuck) i = 0;
    for (std::size_t n = 0; i < servers.size() && n < 2; ++i, ++n) batch.push_back({500, servers[i], 5, 0, 0, ""});
    total = static_cast<std::uint32_t>(servers.size());
    out.Reset(batch);
    return (stuck || i < servers.size()) ? ERROR_MORE_DATA : NERR_Success;
  }
  Status NetQueryDisplayInformation(std::string_view, std::uint32_t, std::uint32_t index, std::uint32_t, std::uint32_t,
                                    NetBuffer<DisplayEntry>& out) override {
    ++calls;
    Log("call " + std::to_string(index));
    if (index != 0 && failAtIndex != 0) return failAtIndex;
    if (index == 0) {
      out.Reset({{"x", "", "", 1, 1}});
      return ERROR_MORE_DATA;
    }
    out.Reset({{"y", "", "", 2, stuck ? 1u : 2u}});
    return stuck ? ERROR_MORE_DATA : NERR_Success;
  }
};

// Runs each call it is given on a thread of its own (the loops have one on
// its way at a time) and logs the start on the loop's thread.
class ThreadAhead : public CallAhead {
 public:
  ScriptedApi* api = nullptr;
  std::function<void()> Start(std::function<void()> call) override {
    api->Log("start");
    auto thread = std::make_shared<std::thread>(std::move(call));
    return [thread] { thread->join(); };
  }
};

// The log's entries that start with prefix, or all the others.
std::vector<std::string> Entries(const std::vector<std::string>& log, const std::string& prefix, bool with) {
  std::vector<std::string> out;
  for (const std::string& e : log)
    if ((e.rfind(prefix, 0) == 0) == with) out.push_back(e);
  return out;
}

// Every loop behaves the same whether its next call waits or runs ahead.
class Enumerate : public ::testing::TestWithParam<bool> {
 protected:
  CallAhead* Ahead(ScriptedApi& api) {
    m_ahead.api = &api;
    return GetParam() ? &m_ahead : nullptr;
  }

  std::vector<std::string> Servers(ScriptedApi& api, Status& status) {
    std::vector<std::string> names;
    status = EnumerateServers(
        api, 0x8018, {},
        [&](const ServerInfo101& s) {
          api.Log("visit " + s.name);
          names.push_back(s.name);
        },
        {}, Ahead(api));
    return names;
  }

 private:
  ThreadAhead m_ahead;
};
INSTANTIATE_TEST_SUITE_P(WaitingOrAhead, Enumerate, ::testing::Bool());

TEST_P(Enumerate, ServersDropTheRepeatedFirstEntryOfContinuedBatches) {
  ScriptedApi api;
  Status status;
  EXPECT_THAT(Servers(api, status), ElementsAre("A", "B", "C", "D", "E"));
  EXPECT_EQ(status, NERR_Success);
  EXPECT_EQ(api.calls, 4);
  // The same calls in the same order; ahead, each continued one starts
  // before the batch before it is visited.
  EXPECT_THAT(Entries(api.log, "call ", true), ElementsAre("call ", "call B", "call C", "call D"));
  if (GetParam())
    EXPECT_THAT(Entries(api.log, "call ", false),
                ElementsAre("start", "visit A", "visit B", "start", "visit C", "start", "visit D", "visit E"));
  else
    EXPECT_THAT(api.log, ElementsAre("call ", "visit A", "visit B", "call B", "visit C", "call C", "visit D", "call D",
                                     "visit E"));
}

TEST_P(Enumerate, ServersKeepEntriesWhenAPlatformDoesNotRepeat) {
  ScriptedApi api;
  api.repeatFirst = false;
  Status status;
  EXPECT_THAT(Servers(api, status), ElementsAre("A", "B", "C", "D", "E"));
}

TEST_P(Enumerate, ServersStopWhenThePlatformMakesNoProgress) {
  ScriptedApi api;
  api.stuck = true;
  Status status;
  auto names = Servers(api, status);
  EXPECT_EQ(status, ERROR_BAD_NET_RESP);
  EXPECT_LT(api.calls, 5);
}

TEST_P(Enumerate, DisplayHookRunsOnceStuckIndexEndsAndAFailedBatchKeepsTheFirst) {
  ScriptedApi api;
  int firsts = 0;
  std::vector<std::string> names;
  auto visit = [&](const DisplayEntry& e) { names.push_back(e.name); };
  EXPECT_EQ(EnumerateDisplay(
                api, "", 1, visit, [&] { ++firsts; }, Ahead(api)),
            NERR_Success);
  EXPECT_EQ(firsts, 1);
  EXPECT_THAT(names, ElementsAre("x", "y"));

  api.stuck = true;
  names.clear();
  EXPECT_EQ(EnumerateDisplay(api, "", 1, visit, {}, Ahead(api)), ERROR_BAD_NET_RESP);
  EXPECT_THAT(names, ElementsAre("x", "y"));

  api.stuck = false;
  api.failAtIndex = NERR_NetworkError;
  names.clear();
  EXPECT_EQ(EnumerateDisplay(api, "", 1, visit, {}, Ahead(api)), NERR_NetworkError);
  EXPECT_THAT(names, ElementsAre("x"));
}

// Enumerations chained as a refresh runs them: the next one's first call is
// started before the last batch of the one before is visited, while the calls
// keep their order; without a CallAhead the next one makes its own call.
TEST_P(Enumerate, ChainedEnumerationStartsBeforeTheLastBatchIsVisited) {
  ScriptedApi api;
  CallAhead* ahead = Ahead(api);
  ServerEnumeration servers(api, 0x8018, {});
  DisplayEnumeration users(api, "", 1);
  auto startUsers = [&] {
    api.Log("last");
    if (ahead) users.StartAhead(*ahead);
  };
  EXPECT_EQ(servers.Run([&](const ServerInfo101& s) { api.Log("visit " + s.name); }, {{}, ahead, startUsers}),
            NERR_Success);
  EXPECT_EQ(users.Run([&](const DisplayEntry& e) { api.Log("visit " + e.name); }, {{}, ahead, {}}), NERR_Success);

  EXPECT_THAT(Entries(api.log, "call ", true), ElementsAre("call ", "call B", "call C", "call D", "call 0", "call 1"));
  const auto rest = Entries(api.log, "call ", false);
  if (ahead)
    EXPECT_THAT(rest, ElementsAre("start", "visit A", "visit B", "start", "visit C", "start", "visit D", "last",
                                  "start", "visit E", "start", "visit x", "visit y"));
  else
    EXPECT_THAT(rest, ElementsAre("visit A", "visit B", "visit C", "visit D", "last", "visit E", "visit x", "visit y"));
}

TEST(EnumerateDisplay, FailingFirstCallSkipsTheHook) {
  ScriptedApi api;
  int firsts = 0;
  EXPECT_EQ(EnumerateGroupUsers(api, "", "g", [](const std::string&) {}), 50u);
  EXPECT_EQ(EnumerateSessions(api, "", [](const SessionInfo10&) {}), 50u);
  EXPECT_EQ(firsts, 0);
}

}  // namespace
}  // namespace vantor::lan
