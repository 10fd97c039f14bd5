// SPDX-License-Identifier: GPL-3.0-or-later
// Setting receiving up and turning it off: smb.conf gains exactly the lines
// that hand messages to the helper, and gets back every byte it had.
#include "lan/samba/samba_config.h"
#include "receive/setup.h"
#include "spool_fixture.h"

#include <grp.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace vantor::receive {
namespace {

using ::testing::HasSubstr;

const std::string kCommand = "/usr/libexec/vantor/vantor-deliver --spool=/var/spool/vantor --file=%s --from=%f --to=%L";

TEST(Setup, AddingAndRemovingGivesSmbConfBackByteForByte) {
  const std::vector<std::string> files = {
      // The usual file: the old recipe's command is replaced, SMB2 gives way.
      "# comment\n[global]\n   workgroup = WG\n   message command = /bin/sh -c 'xmessage -file %s; rm %s' &\n"
      "   server min protocol = SMB2\n\n[share]\n   path = /srv\n   message command = not global\n",
      // No [global] at all, no line end at the end.
      "[homes]\n   browseable = no",
      // Lines before the first section are global; continued lines; CR LF.
      "Message_Command = a \\\n   b\r\nmin protocol = NT1\r\n[Global]\r\n  netbios name = X\r\n",
      // Empty.
      "",
  };
  for (const std::string& original : files) {
    std::string added = AddReceiving(original, kCommand);
    lan::samba::SmbConf conf = lan::samba::ParseSmbConf(added);
    EXPECT_EQ(conf.messageCommand, kCommand) << original;
    EXPECT_TRUE(lan::samba::AllowsMessageProtocol(conf.serverMinProtocol)) << original;
    EXPECT_EQ(AddReceiving(added, kCommand), added) << "setting up twice is setting up once";
    EXPECT_EQ(RemoveReceiving(added), original);
  }
  // A protocol that already allows messages is left as it is.
  std::string nt1 = AddReceiving("[global]\n  server min protocol = LANMAN2\n", kCommand);
  EXPECT_THAT(nt1, HasSubstr("\n  server min protocol = LANMAN2\n"));
  EXPECT_EQ(nt1.find("= NT1"), std::string::npos);
  // A block whose end marker someone removed is not guessed at.
  std::string cut = "# Added by vantor-receive --setup; vantor-receive --remove takes it out.\n[global]\n  a = b\n";
  EXPECT_EQ(RemoveReceiving(cut), "[global]\n  a = b\n");
}

TEST(Setup, OneStepMakesTheSpoolAndTheRemovalUndoesSmbConf) {
  if (::geteuid() != 0) GTEST_SKIP() << "the set-up runs as root";
  test::TempDir dir;
  const std::string original = "[global]\n   netbios name = rcvhost\n   guest account = nobody\n";
  const std::string smbConf = dir.Write("smb.conf", original);
  SetupOptions o;
  o.smbConf = smbConf;
  o.spool = (dir.path() / "spool").string();
  o.helper = "/bin/true";
  std::ostringstream out, err;
  ASSERT_EQ(RunSetup(o, out, err), 0) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("Warning: messages travel by SMB1"));
  EXPECT_THAT(out.str(), HasSubstr("vantor-receive --remove"));
  EXPECT_EQ(lan::samba::ReadSmbConf(smbConf).messageCommand,
            "/bin/true --spool=" + o.spool + " --file=%s --from=%f --to=%L");
  auto mode = [](const std::string& p, gid_t* gid = nullptr) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    if (gid) *gid = st.st_gid;
    return st.st_mode & 07777;
  };
  gid_t inboxGroup = 0;
  EXPECT_EQ(mode(o.spool), 0755u);
  EXPECT_EQ(mode(o.spool + "/names"), 01777u);
  EXPECT_EQ(mode(o.spool + "/inbox", &inboxGroup), 03713u);
  struct group* g = ::getgrgid(inboxGroup);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(std::string(g->gr_name), "nogroup");
  EXPECT_EQ(test::ReadFile(o.spool + "/names/computer"), "RCVHOST\n");

  // A path smbd's shell would take apart is refused before anything changes.
  SetupOptions spaced = o;
  spaced.spool = o.spool + " x";
  EXPECT_EQ(RunSetup(spaced, out, err), 1);
  // So is a character set that would end the helper's arguments.
  const std::string hostile = "[global]\n   unix charset = CP850;touch " + (dir.path() / "ran").string() + "\n";
  SetupOptions charset = o;
  charset.smbConf = dir.Write("hostile.conf", hostile);
  err.str({});
  EXPECT_EQ(RunSetup(charset, out, err), 1);
  EXPECT_THAT(err.str(), HasSubstr("unix charset"));
  EXPECT_EQ(test::ReadFile(charset.smbConf), hostile);

  ASSERT_EQ(RunRemove(o, out, err), 0) << err.str();
  EXPECT_EQ(test::ReadFile(smbConf), original);
  EXPECT_TRUE(std::filesystem::exists(o.spool + "/names/computer")) << "waiting messages stay";
}

}  // namespace
}  // namespace vantor::receive
