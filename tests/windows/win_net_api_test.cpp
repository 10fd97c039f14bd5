// SPDX-License-Identifier: GPL-3.0-or-later
// The network operations on the system's own services, as far as a machine
// without a network shows them: own names, statuses passed through, the
// calls Wine only stubs, and the status texts.
#include "lan/windows/win_net_api.h"
#include "lan/directory.h"
#include "lan/net_error_text.h"
#include "lan/status_texts.h"
#include "lan/windows/stub_guard.h"
#include "support/registry_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace vantor::lan::win {
namespace {

using ::testing::IsEmpty;
using ::testing::Not;

class WinNet : public ::testing::Test {
 protected:
  WinNetApi api;
};

TEST_F(WinNet, OwnNamesComeFromTheSystem) {
  std::string user, computer;
  ASSERT_TRUE(api.GetUserName(user));
  ASSERT_TRUE(api.GetComputerName(computer));
  EXPECT_EQ(GetLocalUserName(api), user);
  EXPECT_EQ(GetLocalComputerName(api), computer);
  EXPECT_LE(computer.size(), 15u);

  WkstaInfo100 info;
  ASSERT_EQ(api.NetWkstaGetInfo("", 100, info), NERR_Success);
  EXPECT_THAT(info.langroup, Not(IsEmpty()));
  EXPECT_EQ(GetPrimaryDomainName(api), info.langroup);
  EXPECT_EQ(api.NetWkstaGetInfo("", 102, info), ERROR_INVALID_LEVEL) << "levels the layer cannot read are refused";

  // A workgroup computer has no controller: the status passes through and
  // the name stays empty.
  std::string dc = "stale";
  EXPECT_NE(api.NetGetDCName("", "", dc), NERR_Success);
  EXPECT_EQ(dc, "");
  EXPECT_EQ(GetDomainControllerName(api, ""), "");
}

TEST_F(WinNet, EnumerationsReturnTheirEntriesAndStatus) {
  // The display query of this computer lists at least the own user.
  NetBuffer<DisplayEntry> users;
  Status s = api.NetQueryDisplayInformation("", kDisplayUsers, 0, 1000, 96000, users);
  ASSERT_TRUE(s == NERR_Success || s == ERROR_MORE_DATA) << s;
  std::vector<std::string> names;
  for (const DisplayEntry& e : users) names.push_back(e.name);
  EXPECT_THAT(names, ::testing::Contains(GetLocalUserName(api)));

  NetBuffer<SessionInfo10> sessions;
  std::uint32_t total = 99, resume = 0;
  EXPECT_EQ(api.NetSessionEnum("", "", "", 7, 64000, sessions, total, resume), ERROR_INVALID_LEVEL);
  EXPECT_EQ(total, 0u);
}

// Wine exports these calls but would end the process on each; here they
// give a status like any failure, on every thread, as often as called.
TEST_F(WinNet, CallsTheSystemOnlyStubsGiveAStatusNeverAnAbort) {
  const bool wine = vantor::test::RunningUnderWine();
  auto calls = [&] {
    std::vector<Status> out;
    out.push_back(api.NetMessageBufferSend("", "nobody", "", u"hello"));
    out.push_back(api.NetMessageNameAdd("", "ALIAS"));
    out.push_back(api.NetMessageNameDel("", "ALIAS"));
    NetBuffer<MsgInfo0> msgNames;
    std::uint32_t total = 0, resume = 0;
    out.push_back(api.NetMessageNameEnum("", 0, 512, msgNames, total, resume));
    NetBuffer<GroupUsersInfo0> members;
    out.push_back(api.NetGroupGetUsers("", "Staff", 0, 16000, members, total, resume));
    NetBuffer<char> domains;
    out.push_back(api.NetEnumerateTrustedDomains("", domains));
    return out;
  };
  std::vector<std::vector<Status>> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results) threads.emplace_back([&] { r = calls(); });
  for (auto& t : threads) t.join();
  results.push_back(calls());
  for (const auto& r : results) {
    for (Status s : r) {
      if (wine) {
        EXPECT_EQ(s, kStubStatus);
      } else {
        EXPECT_NE(s, NERR_Success);  // no messenger service, no domain
      }
    }
  }
  // The helpers report the status and keep what they had.
  std::vector<std::string> found = {"kept"};
  EXPECT_NE(GetMessengerNames(api, found), NERR_Success);
  EXPECT_THAT(found, ::testing::ElementsAre("kept"));
}

TEST(WinNetErrorText, NetworkCodesFromTheMessageTableOrTheOwnTexts) {
  // Wine has no netmsg.dll: the project's own texts stand in.
  if (vantor::test::RunningUnderWine()) {
    EXPECT_EQ(NetErrorText(2221), NetworkStatusText(2221));
    EXPECT_EQ(NetErrorText(2999), "Unrecognised Error.");
  }
  std::string net = NetErrorText(2221);
  EXPECT_THAT(net, Not(IsEmpty()));
  EXPECT_NE(net.back(), '\n') << "the message's line break is cut off";
  // Other codes: the system's own texts.
  std::string denied = NetErrorText(5);
  EXPECT_THAT(denied, Not(IsEmpty()));
  EXPECT_NE(denied.back(), '\n');
  EXPECT_NE(NetErrorText(120), NetErrorText(5));
}

}  // namespace
}  // namespace vantor::lan::win
