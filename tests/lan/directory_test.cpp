// SPDX-License-Identifier: GPL-3.0-or-later
// The directory helpers on a domain member and on a workgroup computer.
#include "lan/directory.h"
#include "lan/net_error_text.h"
#include "lan/sim/sim_net_api.h"
#include "support/office_network.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace vantor::lan {
namespace {

using ::testing::ElementsAre;

const char* kWorkgroup = R"({
  "local": { "computer": "LONER", "user": "zoe", "domain": "HOME",
    "users": [ { "name": "zoe", "full_name": "Zoe Quinn" } ],
    "groups": [ { "name": "Family", "members": ["zoe", "TABLET$", "kim$$"] } ],
    "trusts": [] },
  "hosts": [ { "name": "NAS", "domain": "HOME", "type": ["server_nt"] } ]
})";

class Directory : public ::testing::Test {
 protected:
  sim::SimNetApi& Office() {
    if (!office_)
      office_ = std::make_unique<sim::SimNetApi>(sim::ParseNetwork(test::OfficeNetwork(2), dir_.File("o.json")));
    return *office_;
  }
  sim::SimNetApi& Workgroup() {
    if (!home_) home_ = std::make_unique<sim::SimNetApi>(sim::ParseNetwork(kWorkgroup, dir_.File("h.json")));
    return *home_;
  }

  test::TempDir dir_;
  std::unique_ptr<sim::SimNetApi> office_, home_;
};

TEST_F(Directory, OwnNamesAndController) {
  EXPECT_EQ(GetLocalUserName(Office()), "alice");
  EXPECT_EQ(GetLocalComputerName(Office()), "PC5");
  EXPECT_EQ(GetPrimaryDomainName(Office()), "OFFICE");
  // The answer \\DC1 loses its two backslashes.
  EXPECT_EQ(GetDomainControllerName(Office(), ""), "DC1");
  EXPECT_EQ(GetDomainControllerName(Office(), "SALES"), "SDC");
  EXPECT_EQ(GetDomainControllerName(Office(), "LAB"), "");
}

TEST_F(Directory, ComputerNamesLongerThanFifteenCountAsFailure) {
  sim::SimNetApi api(sim::ParseNetwork(R"({"local": {"computer": "ABCDEFGHIJKLMNOP"}})", dir_.File("l.json")));
  EXPECT_EQ(GetLocalComputerName(api), "");
  EXPECT_EQ(GetLocalUserName(api), "");  // no user in the file
}

TEST_F(Directory, GroupMembersDropOneTrailingDollar) {
  std::vector<std::string> members{"left over"};
  EXPECT_EQ(GetGroupMembers(Office(), "Staff", members), NERR_Success);
  EXPECT_THAT(members, ElementsAre("bob", "PC7", "carol"));  // continued over two batches
  EXPECT_EQ(GetGroupMembers(Office(), "Empty", members), NERR_Success);
  EXPECT_TRUE(members.empty());
  EXPECT_EQ(GetGroupMembers(Office(), "Ghosts", members), NERR_GroupNotFound);
}

TEST_F(Directory, WorkgroupLookUpsGoToTheLocalComputer) {
  EXPECT_EQ(GetDomainControllerName(Workgroup(), ""), "");
  std::vector<std::string> members;
  EXPECT_EQ(GetGroupMembers(Workgroup(), "family", members), NERR_Success);
  EXPECT_THAT(members, ElementsAre("zoe", "TABLET", "kim$"));
  std::vector<std::string> trusts{"kept"};
  EXPECT_EQ(GetTrustedDomains(Workgroup(), trusts), NERR_Success);
  EXPECT_THAT(trusts, ElementsAre("kept"));
  EXPECT_EQ(GetUserFullName(Workgroup(), "zoe", ""), "Zoe Quinn");
}

TEST_F(Directory, TrustedDomainsAndFullNamesComeFromTheController) {
  std::vector<std::string> trusts;
  EXPECT_EQ(GetTrustedDomains(Office(), trusts), NERR_Success);
  EXPECT_THAT(trusts, ElementsAre("SALES", "LAB"));
  EXPECT_EQ(GetUserFullName(Office(), "bob", "DC1"), "Bob Smith");
  EXPECT_EQ(GetUserFullName(Office(), "bob", ""), "");  // not a local account
  EXPECT_EQ(GetUserFullName(Office(), "nobody", "DC1"), "");
}

TEST_F(Directory, MessengerNamesAndHostAddresses) {
  std::vector<std::string> names;
  EXPECT_EQ(GetMessengerNames(Office(), names), NERR_Success);
  EXPECT_THAT(names, ElementsAre("PC5", "alice"));
  EXPECT_EQ(GetHostAddress(Office(), "pc17"), "10.0.0.17");
  EXPECT_EQ(GetHostAddress(Office(), "PC7"), "");
  EXPECT_EQ(GetHostAddress(Office(), "www.example.com"), "");
}

class StoredChecks : public ServerCheckStates {
 public:
  std::map<std::string, bool> stored;
  bool IsChecked(std::string_view server) const override {
    auto it = stored.find(std::string(server));
    return it == stored.end() ? true : it->second;
  }
};

TEST_F(Directory, QueryableServersCarryTheirCheckMarks) {
  StoredChecks checks;
  checks.stored["DC2"] = false;
  std::vector<ServerRow> rows;
  EXPECT_EQ(ListQueryableServers(Office(), checks, rows), NERR_Success);
  ASSERT_EQ(rows.size(), 3u);  // continued over two batches of two
  EXPECT_EQ(rows[0].name, "DC1");
  EXPECT_TRUE(rows[0].checked);  // never stored: checked
  EXPECT_EQ(rows[0].comment, "Main controller");
  EXPECT_EQ(rows[1].name, "DC2");
  EXPECT_FALSE(rows[1].checked);
  EXPECT_EQ(rows[2].name, "FILES");
  EXPECT_TRUE(rows[2].checked);
}

TEST(NetErrorText, NetworkAndSystemTexts) {
  std::string user = NetErrorText(NERR_UserNotFound);
  EXPECT_FALSE(user.empty());
  EXPECT_NE(user, "Unrecognised Error.");
  EXPECT_NE(user.back(), '\n');
  std::string denied = NetErrorText(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(denied.empty());
  EXPECT_NE(denied, user);
  EXPECT_EQ(NetErrorText(2999), "Unrecognised Error.");
  EXPECT_EQ(NetErrorText(2101), "Unrecognised Error.");
  for (Status s : {NERR_MsgNotStarted, NERR_NameNotFound, NERR_DCNotFound, NERR_GroupNotFound, NERR_NetworkError,
                   ERROR_BAD_NETPATH, ERROR_MORE_DATA, ERROR_TIMEOUT, ERROR_CONNECTION_REFUSED})
    EXPECT_FALSE(NetErrorText(s).empty()) << s;
}

}  // namespace
}  // namespace vantor::lan
