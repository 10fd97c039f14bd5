// SPDX-License-Identifier: GPL-3.0-or-later
// The names this computer receives for: registered in the spool's names
// folder through the samba backend, seen by every later reader, each user
// changing only their own, and "logged on" following the receiver's lock.
#include "lan/samba/message_names.h"
#include "lan/samba/samba_net_api.h"
#include "spool_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace vantor::lan::samba {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr std::uint32_t kNobody = 65534;

class Names : public ::testing::Test {
 protected:
  Names() {
    // The messenger check wants smbd's port to answer on this computer: a
    // listening socket does (connections wait in its backlog).
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::listen(listener_, 16);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
    smbConf_ = fx_.dir.Write("smb.conf", "[global]\nmessage command = /bin/true\nserver min protocol = NT1\n"
                                         "smb ports = " + std::to_string(ntohs(sa.sin_port)) + "\n");
  }
  ~Names() override { ::close(listener_); }

  std::unique_ptr<SambaNetApi> Api() {
    LanConfig c;
    c.netbiosName = "DESK";
    c.sambaConfig = smbConf_;
    c.directory = false;
    c.resolveOrder = {ResolveMethod::kLmhosts};
    c.lmhostsFile.clear();
    c.messageSpool = fx_.spool;
    return std::make_unique<SambaNetApi>(c);
  }
  static std::vector<std::string> Enum(NetApi& api) {
    NetBuffer<MsgInfo0> buf;
    std::uint32_t total = 0, resume = 0;
    EXPECT_EQ(api.NetMessageNameEnum({}, 0, 512, buf, total, resume), NERR_Success);
    std::vector<std::string> names;
    for (const MsgInfo0& m : buf) names.push_back(m.name);
    return names;
  }
  // Writes names/UID as another user would, then gives it to owner.
  void OtherUsersFile(std::uint32_t uid, std::uint32_t owner, const std::string& text) {
    std::string path = fx_.spool + "/names/" + std::to_string(uid);
    std::ofstream(path) << text;
    ASSERT_EQ(::chown(path.c_str(), owner, owner), 0);
  }

  test::SpoolFixture fx_;
  int listener_ = -1;
  std::string smbConf_;
  const std::uint32_t self_ = ::geteuid();
  const std::string selfName_ = AccountName(::geteuid());
};

TEST_F(Names, AliasesAreRegisteredForGoodAndEachUserChangesOnlyTheirOwn) {
  auto api = Api();
  EXPECT_EQ(api->NetMessageNameAdd({}, "HelpDesk"), NERR_Success);
  EXPECT_EQ(api->NetMessageNameAdd({}, "HELPDESK"), NERR_AlreadyExists);
  EXPECT_EQ(api->NetMessageNameAdd({}, "desk"), NERR_AlreadyExists);         // the computer
  EXPECT_EQ(api->NetMessageNameAdd({}, selfName_), NERR_AlreadyExists);     // the user's own name
  EXPECT_EQ(api->NetMessageNameAdd({}, "Zoë Desk"), NERR_Success);          // a sender name only
  EXPECT_EQ(api->NetMessageNameAdd({}, "TOO-LONG-FOR-AN-ALIAS"), ERROR_INVALID_NAME);

  // Another program (a later run, another process) sees the registered
  // alias but not the sender-only one; the user is listed once logged on.
  auto later = Api();
  EXPECT_THAT(Enum(*later), ElementsAre("DESK", "HelpDesk"));
  MessageNames names(fx_.spool);
  files::UniqueFd session;
  std::string why;
  ASSERT_EQ(names.OpenSession(self_, session, why), MessageNames::SessionResult::kOpened) << why;
  EXPECT_EQ(names.OpenSession(self_, session, why), MessageNames::SessionResult::kHeld);
  EXPECT_THAT(Enum(*later), ElementsAre("DESK", selfName_, "HelpDesk"));
  session.Reset();
  EXPECT_THAT(Enum(*later), ElementsAre("DESK", "HelpDesk"));

  EXPECT_EQ(later->NetMessageNameDel({}, "DESK"), 2278u);
  EXPECT_EQ(later->NetMessageNameDel({}, selfName_), ERROR_ACCESS_DENIED);
  EXPECT_EQ(later->NetMessageNameDel({}, "helpdesk"), NERR_Success);
  EXPECT_EQ(later->NetMessageNameDel({}, "HelpDesk"), NERR_NameNotFound);
  EXPECT_THAT(Enum(*api), ElementsAre("DESK"));

  for (std::size_t i = 0; i < MessageNames::kMaxAliases; ++i)
    ASSERT_EQ(api->NetMessageNameAdd({}, "A" + std::to_string(i)), NERR_Success);
  EXPECT_EQ(api->NetMessageNameAdd({}, "ONEMORE"), NERR_TooManyNames);

  if (!test::SpoolFixture::Root()) GTEST_SKIP() << "files of other users need root";
  // Another user's alias can be neither taken nor removed; a file put in
  // another user's name is passed over.
  OtherUsersFile(kNobody, kNobody, "# theirs\nOPS\nbad name\n");
  ASSERT_FALSE(AccountName(1).empty());
  OtherUsersFile(1, self_, "SQUAT\n");
  EXPECT_EQ(api->NetMessageNameDel({}, "ops"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(api->NetMessageNameAdd({}, "OPS"), NERR_AlreadyExists);
  std::vector<std::string> listed = Enum(*api);
  EXPECT_THAT(listed, Contains("OPS"));
  EXPECT_THAT(listed, Not(Contains("SQUAT")));
  EXPECT_THAT(listed, Not(Contains("bad name")));
  EXPECT_TRUE(names.Resolve("SQUAT", {}).users.empty());
}

TEST_F(Names, AMessageReachesTheComputersLoggedOnUsersAnAliasOwnerOrAUser) {
  MessageNames names(fx_.spool);
  ASSERT_EQ(names.Register(self_), NERR_Success);
  ASSERT_EQ(names.AddAlias(self_, "OPS", "DESK"), NERR_Success);
  auto uids = [](const MessageNames::Reach& r) {
    std::vector<std::uint32_t> v;
    for (const MessageUser& u : r.users) v.push_back(u.uid);
    return v;
  };
  // Not logged on: messages to the user and the alias still reach the
  // user (they wait); the computer's name reaches nobody.
  EXPECT_THAT(uids(names.Resolve("ops", "host")), ElementsAre(self_));
  EXPECT_THAT(uids(names.Resolve(selfName_, "host")), ElementsAre(self_));
  MessageNames::Reach computer = names.Resolve("Desk", "host");
  EXPECT_TRUE(computer.toComputer);
  EXPECT_THAT(uids(computer), IsEmpty());
  files::UniqueFd session;
  std::string why;
  ASSERT_EQ(names.OpenSession(self_, session, why), MessageNames::SessionResult::kOpened) << why;
  EXPECT_THAT(uids(names.Resolve("DESK", "host")), ElementsAre(self_));
  EXPECT_THAT(uids(names.Resolve("HOST", "host")), ElementsAre(self_));
  for (const char* stranger : {"", "../inbox", "nobody-here", "OPS2", "*"})
    EXPECT_THAT(uids(names.Resolve(stranger, "host")), IsEmpty()) << stranger;

  if (!test::SpoolFixture::Root()) GTEST_SKIP() << "files of other users need root";
  // Two users with the computer's name: both logged-on users get it.
  OtherUsersFile(kNobody, kNobody, "");
  files::UniqueFd theirs(::open((fx_.spool + "/names/65534.session").c_str(), O_RDWR | O_CREAT, 0644));
  ASSERT_EQ(::fchown(theirs.Get(), kNobody, kNobody), 0);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_len = 1;
  ASSERT_EQ(::fcntl(theirs.Get(), F_OFD_SETLK, &fl), 0);
  EXPECT_THAT(uids(names.Resolve("DESK", "host")), ElementsAre(self_, kNobody));
}

}  // namespace
}  // namespace vantor::lan::samba
