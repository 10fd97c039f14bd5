// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostic trace (VANTOR_DEBUG=1) as a user reads it: which backend and
// files were used, what each name look-up method answered and each network
// call's status, on standard error; and nothing at all without the variable.

#include "support/office_network.h"
#include "console/vantorc_runner.h"
#include "lan/samba/fake_peer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace vantor::test {
namespace {

using ::testing::AllOf;
using ::testing::AnyOf;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(DebugTrace, ShowsTheBackendTheStoreAndEveryCallOnTheSimulatedNetwork) {
  ConsoleFixture net{OfficeNetwork()};
  // Recipients enough for sends side by side: every line must come out whole.
  std::vector<std::string> args = {"-v", "-f", "-u", "bob,zoe,carol,dave,erin,ghost1,ghost2,ghost3", "-m", "hi"};
  RunResult quiet = net.Vantorc(args);
  RunResult traced = net.Vantorc(args, {}, {{"VANTOR_DEBUG", "1"}});
  EXPECT_EQ(NormaliseTimes(traced.out), NormaliseTimes(quiet.out)) << "the trace changes nothing else";
  EXPECT_EQ(traced.status, quiet.status);
  EXPECT_THAT(quiet.err, Not(HasSubstr("vantor debug:")));
  EXPECT_EQ(net.Vantorc(args, {}, {{"VANTOR_DEBUG", "0"}}).err, quiet.err);

  const std::string& e = traced.err;
  EXPECT_THAT(e, HasSubstr("vantor debug: backend chosen by VANTOR_LAN=\"sim:" + net.NetworkPath() + "\"\n"));
  EXPECT_THAT(e, HasSubstr("vantor debug: backend: simulated network, network file " + net.NetworkPath() + "\n"));
  EXPECT_THAT(e, ContainsRegex("vantor debug: NetMessageBufferSend on this computer to \"bob\" from \"PC5\", 2 "
                               "characters: status 0 \\(The operation succeeded\\.\\) in [0-9]+\\.[0-9] ms\n"));
  EXPECT_THAT(e, ContainsRegex("vantor debug: NetMessageBufferSend on this computer to \"zoe\" [^\n]*: status 2273 "
                               "\\(The message alias was not found on the network\\.\\) in [0-9.]+ ms\n"));
  EXPECT_THAT(e,
              ContainsRegex("vantor debug: NetGetDCName on this computer domain \"OFFICE\" -> \\\\\\\\DC1: status 0 "));
  EXPECT_THAT(e, HasSubstr("vantor debug: GetComputerName -> \"PC5\"\n"));
  for (const std::string& line : LinesOf(e))
    EXPECT_THAT(line, AnyOf(::testing::StartsWith("vantor debug: "), ::testing::StartsWith("vantorc: "))) << e;

  // The store, when a run reads it.
  net.Reg({"add", "HKCU\\Software\\Vantor\\ListNames", "/v", "Sales", "/d", "0"});
  RunResult lists = net.Vantorc({"-f", "-sl"}, {}, {{"VANTOR_DEBUG", "1"}});
  EXPECT_THAT(lists.err, HasSubstr("vantor debug: store: " + net.StorePath() + " opened\n"));
}

TEST(DebugTrace, ShowsEachNameLookUpMethodAndWhatItAnswered) {
  lan::samba::test::FakePeer peer([](lan::samba::test::PeerConnection& c, lan::samba::test::FakePeer& p) {
    std::uint8_t type;
    std::string body;
    if (!c.ReadFrame(type, body)) return;
    c.Write(lan::samba::test::Frame(0x82, ""));
    while (c.ReadFrame(type, body)) {
      p.Record(body);
      c.Write(lan::samba::test::Frame(0, lan::samba::test::SmbReplyTo(body, 0, 0, {1})));
    }
  });
  TempDir dir;
  std::string lmhosts = dir.Write("lmhosts", "127.0.0.1 FAST\n");
  std::string conf = dir.Write("lan.conf",
                               "samba config =\ndirectory = no\nnetbios name = DESK\n"
                               "resolve order = lmhosts wins bcast\nlmhosts file = " +
                                   lmhosts + "\nsmb port = " + std::to_string(peer.Port()) + "\n");
  RunResult r = RunProgram(VANTORC_PATH, {"-v", "-f", "-u", "fast,Nobody", "-m", "hi"},
                           {{"VANTOR_LAN", "samba:" + conf},
                            {"VANTOR_STORE", dir.File("store.db")},
                            {"LC_ALL", "C"},
                            {"VANTOR_DEBUG", "1"}});
  EXPECT_EQ(r.status, 2) << r.out;
  const std::string& e = r.err;
  EXPECT_THAT(e, HasSubstr("vantor debug: backend: samba, settings file " + conf + "\n"));
  EXPECT_THAT(e, HasSubstr("vantor debug: lan.conf " + conf + ": read\n"));
  EXPECT_THAT(e, HasSubstr("vantor debug: lmhosts " + lmhosts + ": read, 1 name\n"));
  EXPECT_THAT(e, ContainsRegex("resolve \"fast\"<03>: lmhosts: 127\\.0\\.0\\.1 in [0-9.]+ ms\n"));
  EXPECT_THAT(e, AllOf(ContainsRegex("resolve \"Nobody\"<03>: lmhosts: not found in [0-9.]+ ms\n"),
                       HasSubstr("resolve \"Nobody\"<03>: name server: not configured, passed over\n"),
                       HasSubstr("resolve \"Nobody\"<03>: broadcast: not configured, passed over\n")));
  EXPECT_THAT(e, ContainsRegex("NetMessageBufferSend on this computer to \"fast\" [^\n]*: status 0 "));
  EXPECT_THAT(e, ContainsRegex("NetMessageBufferSend on this computer to \"Nobody\" [^\n]*: status 2273 "));
}

}  // namespace
}  // namespace vantor::test
