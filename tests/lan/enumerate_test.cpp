// SPDX-License-Identifier: GPL-3.0-or-later
// The continuation loops against platforms that answer oddly.
#include "lan/enumerate.h"
#include "support/forwarding_net_api.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::lan {
namespace {

using ::testing::ElementsAre;

// Answers only the server and display enumerations, from a script.
class ScriptedApi : public test::ForwardingNetApi {
 public:
  bool repeatFirst = true;  // the platform's contract
  bool stuck = false;       // answers 234 without ever moving on
  std::vector<std::string> servers{"A", "B", "C", "D", "E"};
  int calls = 0;

  Status NetServerEnumEx(std::string_view, std::uint32_t, std::uint32_t, std::uint32_t, std::string_view,
                         std::string_view first, NetBuffer<ServerInfo101>& out, std::uint32_t& total) override {
    ++calls;
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
    if (index == 0) {
      out.Reset({{"x", "", "", 1, 1}});
      return ERROR_MORE_DATA;
    }
    out.Reset({{"y", "", "", 2, stuck ? 1u : 2u}});
    return stuck ? ERROR_MORE_DATA : NERR_Success;
  }
};

std::vector<std::string> Servers(ScriptedApi& api, Status& status) {
  std::vector<std::string> names;
  status = EnumerateServers(api, 0x8018, {}, [&](const ServerInfo101& s) { names.push_back(s.name); });
  return names;
}

TEST(EnumerateServers, DropsTheRepeatedFirstEntryOfContinuedBatches) {
  ScriptedApi api;
  Status status;
  EXPECT_THAT(Servers(api, status), ElementsAre("A", "B", "C", "D", "E"));
  EXPECT_EQ(status, NERR_Success);
  EXPECT_EQ(api.calls, 4);
}

TEST(EnumerateServers, KeepsEntriesWhenAPlatformDoesNotRepeat) {
  ScriptedApi api;
  api.repeatFirst = false;
  Status status;
  EXPECT_THAT(Servers(api, status), ElementsAre("A", "B", "C", "D", "E"));
}

TEST(EnumerateServers, StopsWhenThePlatformMakesNoProgress) {
  ScriptedApi api;
  api.stuck = true;
  Status status;
  auto names = Servers(api, status);
  EXPECT_EQ(status, ERROR_BAD_NET_RESP);
  EXPECT_LT(api.calls, 5);
}

TEST(EnumerateDisplay, FirstBatchHookRunsOnceAndStuckIndexEnds) {
  ScriptedApi api;
  int firsts = 0;
  std::vector<std::string> names;
  EXPECT_EQ(EnumerateDisplay(
                api, "", 1, [&](const DisplayEntry& e) { names.push_back(e.name); }, [&] { ++firsts; }),
            NERR_Success);
  EXPECT_EQ(firsts, 1);
  EXPECT_THAT(names, ElementsAre("x", "y"));
  api.stuck = true;
  EXPECT_EQ(EnumerateDisplay(api, "", 1, [](const DisplayEntry&) {}), ERROR_BAD_NET_RESP);
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
