// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated network's answers, batch by batch, as the call contracts give them.
#include "lan/sim/sim_net_api.h"
#include "common/utf.h"
#include "lan/enumerate.h"
#include "support/office_network.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <thread>

namespace vantor::lan::sim {
namespace {

using ::testing::ElementsAre;

class SimNet : public ::testing::Test {
 protected:
  std::unique_ptr<SimNetApi> Open(int batch = 1000, std::string_view extraHosts = "[]") {
    return Open(test::OfficeNetwork(batch, extraHosts));
  }
  std::unique_ptr<SimNetApi> Open(const test::Json& network) { return Open(test::NetworkText(network)); }
  std::unique_ptr<SimNetApi> Open(const std::string& text) {
    path_ = dir_.Write("office.json", text);
    return std::make_unique<SimNetApi>(LoadNetwork(path_), clock_);
  }
  std::vector<nlohmann::json> Deliveries() {
    std::vector<nlohmann::json> out;
    for (const auto& line : test::ReadLines(dir_.File("deliveries.jsonl"))) out.push_back(nlohmann::json::parse(line));
    return out;
  }

  test::TempDir dir_;
  std::string path_;
  FixedClock clock_{std::chrono::system_clock::time_point{}};
};

TEST_F(SimNet, DisplayQueryContinuesByNextIndex) {
  auto api = Open(2);
  std::vector<std::string> names;
  std::uint32_t index = 0;
  int calls = 0;
  Status s;
  do {
    NetBuffer<DisplayEntry> buf;
    s = api->NetQueryDisplayInformation("\\\\DC1", kDisplayUsers, index, 1000, 96000, buf);
    ++calls;
    ASSERT_TRUE(s == NERR_Success || s == ERROR_MORE_DATA) << s;
    ASSERT_LE(buf.size(), 2u);
    for (const auto& e : buf) names.push_back(e.name);
    if (!buf.empty()) index = buf.back().nextIndex;
  } while (s == ERROR_MORE_DATA);
  EXPECT_EQ(calls, 4);
  EXPECT_THAT(names,
              ElementsAre("alice", "bob", "carol", "Christopher_Montague", "dave", "Maximilian_Fitzgerald1", "erin"));

  NetBuffer<DisplayEntry> groups;
  EXPECT_EQ(api->NetQueryDisplayInformation("\\\\DC1", kDisplayGroups, 3, 1000, 80000, groups), NERR_Success);
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].name, "Empty");
}

TEST_F(SimNet, PreferredLengthAlsoLimitsABatch) {
  auto api = Open();
  NetBuffer<DisplayEntry> buf;
  EXPECT_EQ(api->NetQueryDisplayInformation("\\\\DC1", kDisplayUsers, 0, 1000, 100, buf), ERROR_MORE_DATA);
  EXPECT_GE(buf.size(), 1u);
  EXPECT_LT(buf.size(), 7u);

  // An entry's size counts characters in UTF-16, not bytes of UTF-8: each
  // entry here is 24 + 2 * (12 + 1 + 1) = 52, so two fill exactly 104.
  auto accented = Open(std::string(R"({"local": {"computer": "PC1", "user": "u", "domain": "D"},
    "domains": [{"name": "D", "controller": "DC1", "users": [
      {"name": "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9a"},
      {"name": "\u00e9a\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"}, {"name": "z"}]}],
    "hosts": [{"name": "DC1", "domain": "D", "type": ["nt", "domain_ctrl"]}]})"));
  EXPECT_EQ(accented->NetQueryDisplayInformation("\\\\DC1", kDisplayUsers, 0, 1000, 104, buf), ERROR_MORE_DATA);
  EXPECT_EQ(buf.size(), 2u);
  EXPECT_EQ(accented->NetQueryDisplayInformation("\\\\DC1", kDisplayUsers, 0, 1000, 103, buf), ERROR_MORE_DATA);
  EXPECT_EQ(buf.size(), 1u);
}

TEST_F(SimNet, ServerEnumerationResumesByNameAndRepeatsIt) {
  auto api = Open(3);
  NetBuffer<ServerInfo101> first;
  std::uint32_t total = 0;
  ASSERT_EQ(api->NetServerEnumEx({}, 101, 96000, sv_type::NT, {}, {}, first, total), ERROR_MORE_DATA);
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0].name, "DC1");
  EXPECT_EQ(first[2].name, "FILES");
  EXPECT_EQ(first[0].comment, "Main controller");

  NetBuffer<ServerInfo101> next;
  ASSERT_EQ(api->NetServerEnumEx({}, 101, 96000, sv_type::NT, {}, "FILES", next, total), ERROR_MORE_DATA);
  ASSERT_EQ(next.size(), 3u);
  EXPECT_EQ(next[0].name, "FILES");  // the name asked for comes again first
  EXPECT_EQ(next[1].name, "PC17");
  EXPECT_EQ(next[2].name, "PC5");

  NetBuffer<ServerInfo101> last;
  ASSERT_EQ(api->NetServerEnumEx({}, 101, 96000, sv_type::NT, {}, "pc5", last, total), NERR_Success);
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[1].name, "PC7");
}

TEST_F(SimNet, ServerEnumerationFiltersByMaskAndDomain) {
  auto api = Open();
  auto names = [&](std::uint32_t mask, std::string_view domain) {
    NetBuffer<ServerInfo101> buf;
    std::uint32_t total = 0;
    EXPECT_EQ(api->NetServerEnumEx({}, 101, 96000, mask, domain, {}, buf, total), NERR_Success);
    std::vector<std::string> out;
    for (const auto& s : buf) out.push_back(s.name);
    return out;
  };
  EXPECT_THAT(names(sv_type::kDomainControllers, {}), ElementsAre("DC1", "DC2"));
  EXPECT_THAT(names(sv_type::kQueryableServers, {}), ElementsAre("DC1", "DC2", "FILES"));
  EXPECT_THAT(names(sv_type::kComputers, {}), ElementsAre("DC1", "DC2", "FILES", "PC17", "PC5", "PC7", "PC9"));
  EXPECT_THAT(names(sv_type::kComputers, "sales"), ElementsAre("S1"));
}

// Small batches must add up to what one large batch gives, also when the
// hosts of the asked domain are scattered between those of another.
TEST_F(SimNet, SmallBatchesAddUpToOneBatch) {
  const std::string sales = R"([
    { "name": "PC10", "domain": "SALES", "type": ["nt"] }, { "name": "PC8", "domain": "SALES", "type": ["nt"] },
    { "name": "E", "domain": "SALES", "type": ["nt"] } ])";
  auto everything = [&](int batch) {
    auto api = Open(batch, sales);
    std::vector<std::string> out;
    auto add = [&](std::string_view kind, const std::string& name) { out.push_back(std::string(kind) + name); };
    EXPECT_EQ(EnumerateServers(*api, sv_type::kComputers, {}, [&](const ServerInfo101& s) { add("pc ", s.name); }),
              NERR_Success);
    EXPECT_EQ(
        EnumerateServers(*api, sv_type::kComputers, "SALES", [&](const ServerInfo101& s) { add("sales ", s.name); }),
        NERR_Success);
    EXPECT_EQ(EnumerateDisplay(*api, "\\\\DC1", kDisplayUsers, [&](const DisplayEntry& e) { add("user ", e.name); }),
              NERR_Success);
    EXPECT_EQ(EnumerateDisplay(*api, "\\\\DC1", kDisplayGroups, [&](const DisplayEntry& e) { add("group ", e.name); }),
              NERR_Success);
    EXPECT_EQ(EnumerateGroupUsers(*api, "\\\\DC1", "Staff", [&](const std::string& m) { add("member ", m); }),
              NERR_Success);
    EXPECT_EQ(EnumerateSessions(*api, "\\\\DC1", [&](const SessionInfo10& s) { add("session ", s.cname); }),
              NERR_Success);
    return out;
  };
  std::vector<std::string> whole = everything(1000);
  EXPECT_EQ(whole.size(), 7u + 4 + 7 + 4 + 3 + 3);
  EXPECT_EQ(everything(2), whole);
  EXPECT_EQ(everything(3), whole);

  // A continued server enumeration may name a server that is not there.
  auto api = Open(2, sales);
  NetBuffer<ServerInfo101> buf;
  std::uint32_t total = 0;
  ASSERT_EQ(api->NetServerEnumEx({}, 101, 96000, sv_type::NT, {}, "Dz", buf, total), ERROR_MORE_DATA);
  EXPECT_EQ(buf[0].name, "FILES");
}

TEST_F(SimNet, SessionsContinueByResumeHandleAndHonourFaults) {
  auto api = Open(2);
  std::vector<std::string> seen;
  std::uint32_t resume = 0, total = 0;
  NetBuffer<SessionInfo10> buf;
  ASSERT_EQ(api->NetSessionEnum("\\\\DC1", {}, {}, 10, 64000, buf, total, resume), ERROR_MORE_DATA);
  EXPECT_EQ(total, 3u);
  for (const auto& s : buf) seen.push_back(s.cname + "/" + s.username);
  ASSERT_EQ(api->NetSessionEnum("\\\\DC1", {}, {}, 10, 64000, buf, total, resume), NERR_Success);
  for (const auto& s : buf) seen.push_back(s.cname + "/" + s.username);
  EXPECT_THAT(seen, ElementsAre("PC7/bob", "PC9/", "UNIX1/"));

  resume = 0;
  EXPECT_EQ(api->NetSessionEnum("\\\\FILES", {}, {}, 10, 64000, buf, total, resume), 5u);
  EXPECT_TRUE(buf.empty());
  EXPECT_EQ(api->NetSessionEnum("\\\\NOWHERE", {}, {}, 10, 64000, buf, total, resume), ERROR_BAD_NETPATH);
  EXPECT_EQ(api->NetSessionEnum("", {}, {}, 10, 64000, buf, total, resume), NERR_Success);  // local, no sessions
  EXPECT_TRUE(buf.empty());
  EXPECT_EQ(api->NetSessionEnum("\\\\DC1", {}, {}, 2, 64000, buf, total, resume), ERROR_INVALID_LEVEL);

  // The local computer answers also where the hosts do not list it.
  test::Json unlisted = test::OfficeNetworkJson();
  test::RemoveHost(unlisted, "PC5");
  api = Open(unlisted);
  resume = 0;
  EXPECT_EQ(api->NetSessionEnum("", {}, {}, 10, 64000, buf, total, resume), NERR_Success);
  EXPECT_TRUE(buf.empty());
}

TEST_F(SimNet, GroupMembersContinueAndUnknownGroupsFail) {
  auto api = Open(2);
  std::uint32_t resume = 0, total = 0;
  NetBuffer<GroupUsersInfo0> buf;
  ASSERT_EQ(api->NetGroupGetUsers("\\\\DC1", "staff", 0, 16000, buf, total, resume), ERROR_MORE_DATA);
  EXPECT_EQ(buf.size(), 2u);
  ASSERT_EQ(api->NetGroupGetUsers("\\\\DC1", "staff", 0, 16000, buf, total, resume), NERR_Success);
  ASSERT_EQ(buf.size(), 1u);
  EXPECT_EQ(buf[0].name, "carol");
  resume = 0;
  EXPECT_EQ(api->NetGroupGetUsers("\\\\DC1", "Nobody", 0, 16000, buf, total, resume), NERR_GroupNotFound);
  // A host that is no controller answers with no entries.
  EXPECT_EQ(api->NetGroupGetUsers("\\\\PC7", "Staff", 0, 16000, buf, total, resume), NERR_GroupNotFound);
}

TEST_F(SimNet, ControllerAnswersForItsDomainOthersWithNothing) {
  auto api = Open();
  NetBuffer<DisplayEntry> buf;
  EXPECT_EQ(api->NetQueryDisplayInformation("\\\\DC2", kDisplayUsers, 0, 1000, 96000, buf), NERR_Success);
  EXPECT_EQ(buf.size(), 7u);  // a backup controller of OFFICE
  EXPECT_EQ(api->NetQueryDisplayInformation("\\\\PC7", kDisplayUsers, 0, 1000, 96000, buf), NERR_Success);
  EXPECT_TRUE(buf.empty());
  EXPECT_EQ(api->NetQueryDisplayInformation("", kDisplayUsers, 0, 1000, 96000, buf), NERR_Success);
  ASSERT_EQ(buf.size(), 2u);
  EXPECT_EQ(buf[0].name, "Administrator");
  EXPECT_EQ(api->NetQueryDisplayInformation("\\\\pc5", kDisplayGroups, 0, 1000, 80000, buf), NERR_Success);
  EXPECT_EQ(buf[0].name, "None");
  // SDC is named as SALES's controller but not listed: known, with SALES's (empty) directory.
  EXPECT_EQ(api->NetQueryDisplayInformation("\\\\SDC", kDisplayUsers, 0, 1000, 96000, buf), NERR_Success);
  EXPECT_EQ(api->NetQueryDisplayInformation("\\\\GHOST", kDisplayUsers, 0, 1000, 96000, buf), ERROR_BAD_NETPATH);
}

TEST_F(SimNet, ControllerLookUp) {
  auto api = Open();
  std::string dc;
  EXPECT_EQ(api->NetGetDCName({}, {}, dc), NERR_Success);
  EXPECT_EQ(dc, "\\\\DC1");
  EXPECT_EQ(api->NetGetDCName({}, "sales", dc), NERR_Success);
  EXPECT_EQ(dc, "\\\\SDC");
  EXPECT_EQ(api->NetGetDCName({}, "LAB", dc), NERR_DCNotFound);
  EXPECT_EQ(api->NetGetDCName({}, "MARS", dc), NERR_DCNotFound);
}

TEST_F(SimNet, DeliversToTheHostThatRegisteredTheName) {
  auto api = Open();
  EXPECT_EQ(api->NetMessageBufferSend({}, "bob", "PC5", u"Hello\r\nBob"), NERR_Success);
  EXPECT_EQ(api->NetMessageBufferSend({}, "helpdesk", "PC5", u"Printer"), NERR_Success);
  EXPECT_EQ(api->NetMessageBufferSend({}, "PC9", "PC5", u"x"), NERR_NameNotFound);  // its messenger is off
  EXPECT_EQ(api->NetMessageBufferSend({}, "nobody", "PC5", u"x"), NERR_NameNotFound);
  EXPECT_EQ(api->NetMessageBufferSend({}, "FILES", "PC5", u"x"), NERR_NetworkError);  // its message_status
  EXPECT_EQ(api->NetMessageBufferSend({}, "alice", "OPS", u"Grüße"), NERR_Success);   // the local user

  auto lines = Deliveries();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0]["to"], "bob");
  EXPECT_EQ(lines[0]["host"], "PC7");
  EXPECT_EQ(lines[0]["from"], "PC5");
  EXPECT_EQ(lines[0]["text"], "Hello\r\nBob");
  EXPECT_EQ(lines[0]["time"].get<std::string>().substr(0, 4), "1970");
  EXPECT_EQ(lines[1]["host"], "DC1");
  EXPECT_EQ(lines[2]["host"], "PC5");
  EXPECT_EQ(lines[2]["text"], "Grüße");
}

TEST_F(SimNet, BroadcastReachesEveryRunningMessengerOfTheDomain) {
  auto broadcast = [&](const test::Json& network) {
    std::filesystem::remove(dir_.File("deliveries.jsonl"));
    auto api = Open(network);
    EXPECT_EQ(api->NetMessageBufferSend({}, "OFFICE*", "PC5", u"Fire drill"), NERR_Success);
    EXPECT_EQ(api->NetMessageBufferSend({}, "NOWHERE*", "PC5", u"x"), NERR_Success);
    std::vector<std::string> hosts;
    for (const auto& d : Deliveries()) {
      EXPECT_EQ(d["to"], "OFFICE*");
      hosts.push_back(d["host"]);
    }
    return hosts;
  };
  // The messengers of PC9 and PRN are off, FILES fails its deliveries and S1
  // is in SALES; the local PC5 once, in its place among the hosts.
  test::Json network = test::OfficeNetworkJson();
  EXPECT_THAT(broadcast(network), ElementsAre("DC1", "DC2", "PC17", "PC5", "PC7", "UNIX1"));
  // Not listed as a host, the local computer still receives it, first.
  test::RemoveHost(network, "PC5");
  EXPECT_THAT(broadcast(network), ElementsAre("PC5", "DC1", "DC2", "PC17", "PC7", "UNIX1"));
}

TEST_F(SimNet, AliasesBelongToTheLocalComputerForTheRun) {
  auto api = Open();
  EXPECT_EQ(api->NetMessageBufferSend({}, "OPS", "PC5", u"x"), NERR_NameNotFound);
  EXPECT_EQ(api->NetMessageNameAdd({}, "OPS"), NERR_Success);
  EXPECT_EQ(api->NetMessageNameAdd({}, "ops"), NERR_AlreadyExists);
  EXPECT_EQ(api->NetMessageNameAdd({}, "BAD NAME,"), ERROR_INVALID_NAME);
  EXPECT_EQ(api->NetMessageBufferSend({}, "OPS", "PC5", u"x"), NERR_Success);
  std::vector<std::string> names;
  std::uint32_t resume = 0, total = 0;
  NetBuffer<MsgInfo0> buf;
  ASSERT_EQ(api->NetMessageNameEnum({}, 0, 512, buf, total, resume), NERR_Success);
  for (const auto& n : buf) names.push_back(n.name);
  EXPECT_THAT(names, ElementsAre("PC5", "alice", "OPS"));
  EXPECT_EQ(api->NetMessageNameDel({}, "OPS"), NERR_Success);
  EXPECT_EQ(api->NetMessageNameDel({}, "OPS"), NERR_NameNotFound);
}

TEST_F(SimNet, StoppedMessengerRefusesNamesButStillSends) {
  test::Json network = test::OfficeNetworkJson();
  network["local"]["messenger"] = false;
  auto api = std::make_unique<SimNetApi>(ParseNetwork(test::NetworkText(network), dir_.File("office.json")));
  NetBuffer<MsgInfo0> buf;
  std::uint32_t resume = 0, total = 0;
  EXPECT_EQ(api->NetMessageNameEnum({}, 0, 512, buf, total, resume), NERR_MsgNotStarted);
  EXPECT_EQ(api->NetMessageNameAdd({}, "OPS"), NERR_MsgNotStarted);
  EXPECT_EQ(api->NetMessageBufferSend({}, "bob", "PC5", u"x"), NERR_Success);
}

TEST_F(SimNet, ConcurrentCallsOnSlowHostsWaitSideBySide) {
  test::Json network = test::OfficeNetworkJson();
  for (int i = 0; i < 8; ++i)
    network["hosts"].push_back(test::Json::object(
        {{"name", "SLOW" + std::to_string(i)},
         {"type", test::Json::array({"nt"})},
         {"latency_ms", 300},
         {"sessions", test::Json::array({test::Json::object({{"client", "C" + std::to_string(i)}, {"user", "u"}})})}}));
  auto api = Open(network);
  auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  std::atomic<int> answered{0};
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      NetBuffer<SessionInfo10> buf;
      std::uint32_t resume = 0, total = 0;
      if (api->NetSessionEnum("\\\\SLOW" + std::to_string(i), {}, {}, 10, 64000, buf, total, resume) == 0 &&
          buf.size() == 1)
        ++answered;
    });
  }
  for (auto& t : threads) t.join();
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(answered, 8);
  // One after another would take 8 x 300 ms; side by side about 300 ms.
  EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
}

TEST_F(SimNet, ShutdownWakesACallThatWouldNeverReturn) {
  auto api = Open(1000, R"([{"name": "DEAD", "type": ["nt"], "latency_ms": 100000000}])");
  std::atomic<Status> status{0};
  std::thread caller([&] {
    NetBuffer<SessionInfo10> buf;
    std::uint32_t resume = 0, total = 0;
    status = api->NetSessionEnum("\\\\DEAD", {}, {}, 10, 64000, buf, total, resume);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  api->CancelPendingCalls();
  caller.join();
  EXPECT_EQ(status.load(), NERR_NetworkError);
}

TEST_F(SimNet, UnwritableDeliveriesFileFailsTheSend) {
  test::Json network = test::OfficeNetworkJson();
  network["deliveries"] = "no/such/dir/d.jsonl";
  SimNetApi api(ParseNetwork(test::NetworkText(network), dir_.File("office.json")));
  EXPECT_EQ(api.NetMessageBufferSend({}, "bob", "PC5", u"x"), NERR_NetworkError);
  EXPECT_THAT(api.LastDeliveryError(), ::testing::HasSubstr("d.jsonl"));
}

}  // namespace
}  // namespace vantor::lan::sim
