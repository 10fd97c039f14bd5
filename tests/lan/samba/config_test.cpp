// SPDX-License-Identifier: GPL-3.0-or-later
// The backend's settings: lan.conf, smb.conf and lmhosts, and how a broken
// file reaches the user.
#include "lan/backend.h"
#include "lan/samba/name_resolver.h"
#include "lan/samba/samba_config.h"
#include "lan/samba/samba_net_api.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

namespace vantor::lan::samba {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

std::string ParseError(const std::string& text) {
  try {
    ParseLanConfig(text, "lan.conf");
  } catch (const ConfigError& e) {
    return e.what();
  }
  return {};
}

TEST(LanConfig, DefaultsWhenEmpty) {
  LanConfig c = ParseLanConfig("# nothing but a comment\n\n; and another\n", "lan.conf");
  EXPECT_EQ(c.codePage, "CP850");
  EXPECT_EQ(c.smbPort, 139);
  EXPECT_EQ(c.connectTimeout, 3000ms);
  EXPECT_EQ(c.replyTimeout, 5000ms);
  EXPECT_EQ(c.messageTimeout, 10000ms);
  EXPECT_THAT(c.resolveOrder, ElementsAre(ResolveMethod::kLmhosts, ResolveMethod::kWins, ResolveMethod::kBroadcast,
                                          ResolveMethod::kDns));
  EXPECT_FALSE(c.nameServer);
  EXPECT_FALSE(c.broadcastAddress);  // never a guessed broadcast address
  EXPECT_EQ(c.sambaConfig, "/etc/samba/smb.conf");
}

TEST(LanConfig, EveryKey) {
  LanConfig c = ParseLanConfig(test::ReadFile(LAN_TEST_DATA_DIR "/every_key.conf"), "lan.conf");
  EXPECT_EQ(c.netbiosName, "Desk7");
  EXPECT_EQ(c.workgroup, "OFFICE");
  EXPECT_EQ(c.codePage, "CP437");
  EXPECT_EQ(c.smbPort, 1139);
  EXPECT_EQ(c.namePort, 1137);
  EXPECT_EQ(c.datagramPort, 1138);
  EXPECT_EQ(c.connectTimeout, 2500ms);
  EXPECT_EQ(c.replyTimeout, 750ms);
  EXPECT_EQ(c.messageTimeout, 20000ms);
  EXPECT_EQ(c.nameTimeout, 1000ms);
  EXPECT_THAT(c.resolveOrder, ElementsAre(ResolveMethod::kDns, ResolveMethod::kLmhosts));
  EXPECT_EQ(c.lmhostsFile, "/tmp/hosts.lm");
  EXPECT_TRUE(c.lmhostsRequired);
  EXPECT_EQ(c.nameServer, 0x0A010203u);
  EXPECT_EQ(c.broadcastAddress, 0x0A01FFFFu);
  EXPECT_EQ(c.sambaConfig, "");
}

TEST(LanConfig, BrokenLinesNameFileAndLine) {
  EXPECT_THAT(ParseError("\n\nsmb port = 0\n"), AllOf(HasSubstr("lan.conf:3:"), HasSubstr("smb port")));
  EXPECT_THAT(ParseError("smb port = 13x9\n"), HasSubstr("lan.conf:1:"));
  EXPECT_THAT(ParseError("colour = blue\n"), AllOf(HasSubstr("lan.conf:1:"), HasSubstr("unknown key \"colour\"")));
  EXPECT_THAT(ParseError("just words\n"), HasSubstr("key = value"));
  EXPECT_THAT(ParseError("reply timeout = forever\n"), HasSubstr("reply timeout"));
  EXPECT_THAT(ParseError("reply timeout = 0\n"), HasSubstr("reply timeout"));
  EXPECT_THAT(ParseError("reply timeout = 1e3\n"), HasSubstr("reply timeout"));
  EXPECT_THAT(ParseError("connect timeout = 601\n"), HasSubstr("connect timeout"));
  EXPECT_THAT(ParseError("resolve order = lmhosts carrier-pigeon\n"), HasSubstr("carrier-pigeon"));
  EXPECT_THAT(ParseError("resolve order = dns dns\n"), HasSubstr("twice"));
  EXPECT_THAT(ParseError("resolve order =\n"), HasSubstr("no method"));
  EXPECT_THAT(ParseError("name server = 10.1.2\n"), HasSubstr("IPv4"));
  EXPECT_THAT(ParseError("broadcast address = everyone\n"), HasSubstr("IPv4"));
  EXPECT_THAT(ParseError("code page = KLINGON-1\n"), HasSubstr("KLINGON-1"));
  EXPECT_THAT(ParseError("message timeout = 0.001\n"), HasSubstr("message timeout"));
  EXPECT_THAT(ParseError("netbios name = MUCHTOOLONGFORNETBIOS\n"), HasSubstr("15"));
  EXPECT_THAT(ParseError("workgroup = A/B\n"), HasSubstr("workgroup"));
}

TEST(LanConfig, FilesAndTheirPlace) {
  test::TempDir dir;
  EXPECT_EQ(LoadLanConfig(dir.File("absent.conf"), false).smbPort, 139);
  EXPECT_THROW(LoadLanConfig(dir.File("absent.conf"), true), ConfigError);
  EXPECT_EQ(LoadLanConfig(dir.Write("lan.conf", "smb port = 2139\n"), true).smbPort, 2139);

  const char* saved = std::getenv(kConfigVariable);
  std::string savedValue = saved ? saved : "";
  bool explicitPath = false;
  ::setenv(kConfigVariable, "/somewhere/lan.conf", 1);
  EXPECT_EQ(DefaultLanConfigPath(explicitPath), "/somewhere/lan.conf");
  EXPECT_TRUE(explicitPath);
  ::unsetenv(kConfigVariable);
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string xdgValue = xdg ? xdg : "";
  ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(DefaultLanConfigPath(explicitPath), "/xdg/vantor/lan.conf");
  EXPECT_FALSE(explicitPath);
  if (xdg)
    ::setenv("XDG_CONFIG_HOME", xdgValue.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  if (saved) ::setenv(kConfigVariable, savedValue.c_str(), 1);
}

TEST(SmbConf, GlobalSectionOnly) {
  SmbConf c = ParseSmbConf(
      "# comment\n"
      "[global]\n"
      "   workgroup = OFFICE\n"
      "   NetBIOS Name = FILER\n"
      "   message command = /bin/sh -c 'x %s' \\\n"
      "       &\n"
      "   min protocol = NT1\n"
      "   smb ports = 139\n"
      "[share]\n"
      "   workgroup = NOT-THIS\n"
      "   netbios name = NOR-THIS\n");
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.workgroup, "OFFICE");
  EXPECT_EQ(c.netbiosName, "FILER");
  EXPECT_EQ(c.messageCommand, "/bin/sh -c 'x %s' &");
  EXPECT_EQ(c.serverMinProtocol, "NT1");
  EXPECT_EQ(c.smbPorts, "139");
  EXPECT_FALSE(ReadSmbConf("/no/such/smb.conf").found);
  EXPECT_FALSE(ReadSmbConf("").found);

  EXPECT_TRUE(AllowsMessageProtocol("nt1"));
  EXPECT_TRUE(AllowsMessageProtocol("LANMAN2"));
  EXPECT_FALSE(AllowsMessageProtocol(""));  // Samba's default has no SMB1
  EXPECT_FALSE(AllowsMessageProtocol("SMB2_02"));
}

TEST(SmbConf, OurOwnSettingsWin) {
  test::TempDir dir;
  std::string smbConf = dir.Write("smb.conf", "[global]\nworkgroup = fromsamba\nnetbios name = sambaname\n");
  LanConfig c;
  c.sambaConfig = smbConf;
  c.lmhostsFile.clear();
  SambaNetApi fromSamba(c);
  std::string name;
  ASSERT_TRUE(fromSamba.GetComputerName(name));
  EXPECT_EQ(name, "SAMBANAME");
  WkstaInfo100 info;
  ASSERT_EQ(fromSamba.NetWkstaGetInfo({}, 100, info), NERR_Success);
  EXPECT_EQ(info.langroup, "FROMSAMBA");

  c.netbiosName = "mine";
  c.workgroup = "OURS";
  SambaNetApi ours(c);
  ASSERT_TRUE(ours.GetComputerName(name));
  EXPECT_EQ(name, "MINE");
  ASSERT_EQ(ours.NetWkstaGetInfo({}, 100, info), NERR_Success);
  EXPECT_EQ(info.langroup, "OURS");
}

TEST(Lmhosts, ParseAndFind) {
  auto entries = ParseLmhosts(
      "# address   name\n"
      "127.0.0.1   peer   #PRE\n"
      "10.0.0.9    \"Two Words\"\n"
      "10.0.0.7    FILER#20\n"
      "\n",
      "lmhosts");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(FindInLmhosts(entries, "PEER", 3), 0x7F000001u);
  EXPECT_EQ(FindInLmhosts(entries, "two words", 3), 0x0A000009u);
  EXPECT_EQ(FindInLmhosts(entries, "FILER", 0x20), 0x0A000007u);
  EXPECT_FALSE(FindInLmhosts(entries, "FILER", 3));  // that entry is for the server name only
  EXPECT_FALSE(FindInLmhosts(entries, "nobody", 3));

  try {
    ParseLmhosts("127.0.0.1 ok\npeer 127.0.0.1\n", "my.lmhosts");
    FAIL() << "no error";
  } catch (const ConfigError& e) {
    EXPECT_THAT(e.what(), AllOf(HasSubstr("my.lmhosts:2:"), HasSubstr("IPv4")));
  }
  EXPECT_THROW(ParseLmhosts("127.0.0.1\n", "x"), ConfigError);
}

TEST(Dns, NamesThatAreNoHostNamesAreNotLookedUp) {
  // Returns at once: nothing is asked of any name service.
  EXPECT_FALSE(ResolveDns("two words", 1000ms));
  EXPECT_FALSE(ResolveDns("-dash", 1000ms));
  EXPECT_FALSE(ResolveDns("", 1000ms));
  EXPECT_FALSE(ResolveDns("Zo\xC3\xAB", 1000ms));
}

TEST(SambaBackend, BrokenSettingsAreRefusedThroughVantorLan) {
  test::TempDir dir;
  auto errorOf = [](const std::string& form) -> std::string {
    try {
      CreateNetApi(form);
    } catch (const BackendError& e) {
      return e.what();
    }
    return {};
  };
  std::string bad = dir.Write("bad.conf", "samba config =\nsmb port = 99999\n");
  EXPECT_THAT(errorOf("samba:" + bad), AllOf(HasSubstr("VANTOR_LAN"), HasSubstr("bad.conf:2:")));
  EXPECT_THAT(errorOf("samba:" + dir.File("missing.conf")), AllOf(HasSubstr("VANTOR_LAN"), HasSubstr("missing.conf")));
  EXPECT_THAT(errorOf("samba:"), HasSubstr("samba:PATH"));
  std::string lm = dir.Write("lm.conf", "samba config =\nlmhosts file = " + dir.File("no-lmhosts") + "\n");
  EXPECT_THAT(errorOf("samba:" + lm), AllOf(HasSubstr("VANTOR_LAN"), HasSubstr("no-lmhosts")));
  std::string badHosts = dir.Write("lmhosts", "not-an-address peer\n");
  std::string withHosts = dir.Write("h.conf", "samba config =\nlmhosts file = " + badHosts + "\n");
  EXPECT_THAT(errorOf("samba:" + withHosts), HasSubstr("lmhosts:1:"));
  EXPECT_THAT(errorOf("nonsense"), AllOf(HasSubstr("samba"), HasSubstr("sim:PATH")));
  // Code pages that would break the text on the wire are refused at start,
  // whether from the file or from settings built in code.
  std::string utf16 = dir.Write("utf16.conf", "samba config =\nlmhosts file =\n\ncode page = UTF-16\n");
  EXPECT_THAT(errorOf("samba:" + utf16),
              AllOf(HasSubstr("utf16.conf:4:"), HasSubstr("\"UTF-16\" does not keep the ASCII characters")));
  LanConfig utf8;
  utf8.sambaConfig.clear();
  utf8.lmhostsFile.clear();
  utf8.codePage = "UTF-8";
  EXPECT_THROW(SambaNetApi{utf8}, ConfigError);

  std::string good = dir.Write("good.conf", "samba config =\nlmhosts file =\nnetbios name = DESK\n");
  auto api = CreateNetApi("samba:" + good);
  std::string name;
  ASSERT_TRUE(api->GetComputerName(name));
  EXPECT_EQ(name, "DESK");
}

TEST(SambaBackend, OnlyRegularFilesAreReadAndNeverWithoutEnd) {
  test::TempDir dir;
  auto errorOf = [](const std::string& form) -> std::string {
    try {
      CreateNetApi(form);
    } catch (const BackendError& e) {
      return e.what();
    }
    return "accepted";
  };
  std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string notAFile = "is not a regular file";
  EXPECT_THAT(errorOf("samba:/dev/zero"), AllOf(HasSubstr("/dev/zero"), HasSubstr(notAFile)));
  EXPECT_THAT(errorOf("samba:" + fifo), HasSubstr(notAFile));
  EXPECT_THAT(errorOf("samba:" + dir.path().string()), HasSubstr("is a folder"));
  EXPECT_THAT(errorOf("samba:" + dir.Write("big.conf", std::string(2 << 20, '#'))), HasSubstr("too large"));

  auto conf = [&](const std::string& lines) { return "samba:" + dir.Write("lan.conf", lines); };
  EXPECT_THAT(errorOf(conf("lmhosts file = /dev/zero\nsamba config =\n")), HasSubstr(notAFile));
  EXPECT_THAT(errorOf(conf("lmhosts file = " + dir.path().string() + "\nsamba config =\n")), HasSubstr("is a folder"));
  EXPECT_THAT(errorOf(conf("lmhosts file =\nsamba config = " + fifo + "\n")), HasSubstr(notAFile));
  EXPECT_THAT(errorOf(conf("lmhosts file =\nsamba config = " + dir.path().string() + "\n")), HasSubstr("is a folder"));

  // A byte-order mark does not hide the first key.
  EXPECT_EQ(errorOf(conf("\xEF\xBB\xBFnetbios name = DESK\nlmhosts file =\nsamba config =\n")), "accepted");
}

}  // namespace
}  // namespace vantor::lan::samba
