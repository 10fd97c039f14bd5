// SPDX-License-Identifier: GPL-3.0-or-later
// Server choice, the session query and the sends, through the real vantorc on
// simulated networks: every verbose line, the order of the sends, what is
// delivered, and the exit status.

#include "console/vantorc_runner.h"
#include "support/office_network.h"

#include <gtest/gtest.h>

namespace vantor::test {
namespace {

const std::string kHeader = VerboseHeader("alice", "PC5", "OFFICE", "DC1");

// The default query: the two controllers, then the own computer.
const std::string kControllersQueried = Lines({
    "DC1 found on network TIME",
    "DC2 found on network TIME",
    "DC1 queried for active sessions TIME",
    "DC1 responded successfully TIME",
    "DC2 queried for active sessions TIME",
    "DC2 responded successfully TIME",
    "PC5 queried for active sessions TIME",
    "PC5 gave no information or did not respond TIME",
});

std::string Replace(std::string text, std::string_view what, std::string_view with) {
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + with.size()))
    text.replace(p, what.size(), with);
  return text;
}

class QuerySendTest : public ::testing::Test {
 protected:
  ConsoleFixture net{OfficeNetwork()};
};

TEST_F(QuerySendTest, VerboseSendShowsHeaderQueryAndResult) {
  RunResult r = net.Vantorc({"-v", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader + kControllersQueried + Rule() + Lines({"Message to User: bob succeeded. TIME"}));
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> d = net.Deliveries();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_NE(d[0].find(R"("from":"PC5","to":"bob","host":"PC7","text":"hi")"), std::string::npos) << d[0];
}

TEST_F(QuerySendTest, SendWithoutVerbosePrintsNothing) {
  RunResult r = net.Vantorc({"-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(net.Deliveries().size(), 1u);
}

TEST_F(QuerySendTest, TestModeReportsButSendsNothing) {
  RunResult r = net.Vantorc({"-t", "-u", "bob,erin", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader + kControllersQueried + Rule() +
                Lines({"Message to User: bob succeeded. TIME", "Message to User: erin not sent. TIME"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(net.Deliveries().empty());

  // A test scan of the network alone.
  r = net.Vantorc({"-t"});
  EXPECT_EQ(NormaliseTimes(r.out), kHeader + kControllersQueried + Rule());
  EXPECT_EQ(r.status, 0);
}

TEST_F(QuerySendTest, OnlyActiveRecipientsAreSentToUnlessTheyAreAlwaysReached) {
  // PC9 holds no session itself, so nobody is found active; the own user and
  // computer, the controller (spelt exactly) and a broadcast still go out.
  // As the query told of no session at all, bob was left out unjudged: the
  // run did not reach everyone it was asked to.
  RunResult r = net.Vantorc({"-v", "-qs", "PC9", "-u", "bob,alice", "-p", "PC5,DC1", "-d", "SALES", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader +
                Lines({"PC9 loaded from commandline: PC9", "PC9 queried for active sessions TIME",
                       "PC9 gave no information or did not respond TIME", "PC5 queried for active sessions TIME",
                       "PC5 gave no information or did not respond TIME"}) +
                Rule() +
                Lines({"Message to User: alice succeeded. TIME", "Message to User: bob not sent. TIME",
                       "Message to Computer: DC1 succeeded. TIME", "Message to Computer: PC5 succeeded. TIME",
                       "Message to Domain: SALES* succeeded. TIME"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(net.Deliveries().size(), 4u);

  // The controller is compared exactly; own names without regard to case.
  r = net.Vantorc({"-v", "-qs", "PC9", "-p", "dc1,pc5", "-u", "ALICE", "-m", "hi"});
  std::string out = NormaliseTimes(r.out);
  EXPECT_NE(out.find(Lines({"Message to User: ALICE succeeded. TIME", "Message to Computer: dc1 not sent. TIME",
                            "Message to Computer: pc5 succeeded. TIME"})),
            std::string::npos)
      << out;
}

TEST_F(QuerySendTest, SendsGoToUsersGroupsComputersThenDomainsInSortedOrder) {
  RunResult r = net.Vantorc({"-v", "-f", "-d", "SALES", "-p", "PC9", "-g", "Staff", "-u", "zed,bob", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out), kHeader + Lines({
                                                 "Message to User: bob succeeded. TIME",
                                                 "Message to User: zed failed. TIME",
                                                 "Message to Staff: bob succeeded. TIME",
                                                 "Message to Staff: PC7 succeeded. TIME",
                                                 "Message to Staff: carol succeeded. TIME",
                                                 "Message to Computer: PC9 failed. TIME",
                                                 "Message to Domain: SALES* succeeded. TIME",
                                             }));
  EXPECT_EQ(r.status, 2);  // zed is unknown and PC9's messenger does not run
}

TEST_F(QuerySendTest, GroupMembersLoseOneDollarAndUnknownGroupsAreReported) {
  RunResult r = net.Vantorc({"-v", "-g", "Nope,Machines,Empty", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader + kControllersQueried + Rule() +
                Lines({"Message to Machines: PC17 succeeded. TIME", "Message to Machines: ODD$ not sent. TIME",
                       "Group 'Nope' not found TIME"}));
  EXPECT_EQ(r.status, 2);  // nobody of Nope was reached
  std::vector<std::string> d = net.Deliveries();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_NE(d[0].find(R"("to":"PC17")"), std::string::npos);
}

TEST_F(QuerySendTest, AServerThatFailsItsQueryAddsNothing) {
  RunResult r = net.Vantorc({"-v", "-qa", "-u", "erin", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out), kHeader +
                                       Lines({
                                           "DC1 found on network TIME",
                                           "DC2 found on network TIME",
                                           "FILES found on network TIME",
                                           "DC1 queried for active sessions TIME",
                                           "DC1 responded successfully TIME",
                                           "DC2 queried for active sessions TIME",
                                           "DC2 responded successfully TIME",
                                           "FILES queried for active sessions TIME",
                                           "FILES gave no information or did not respond TIME",
                                           "PC5 queried for active sessions TIME",
                                           "PC5 gave no information or did not respond TIME",
                                       }) +
                                       Rule() + Lines({"Message to User: erin not sent. TIME"}));
  EXPECT_EQ(r.status, 0);
}

TEST(QueryBatches, ContinuedServerEnumerationsTakeEveryServerOnce) {
  // Batches of two: each continued batch repeats the last server before it.
  ConsoleFixture one(OfficeNetwork(2)), many(OfficeNetwork());
  RunResult a = one.Vantorc({"-v", "-qa"});
  RunResult b = many.Vantorc({"-v", "-qa"});
  EXPECT_EQ(NormaliseTimes(a.out), NormaliseTimes(b.out));
  EXPECT_NE(NormaliseTimes(a.out).find(Lines({"DC1 found on network TIME", "DC2 found on network TIME",
                                              "FILES found on network TIME", "DC1 queried for active sessions TIME"})),
            std::string::npos);
}

TEST_F(QuerySendTest, NamedServersAreDeduplicatedAndTheOwnComputerQueriedOnce) {
  RunResult r = net.Vantorc({"-v", "-qs", "pc5, DC1,dc1", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader +
                Lines({"DC1 loaded from commandline: DC1", "pc5 loaded from commandline: pc5",
                       "DC1 queried for active sessions TIME", "DC1 responded successfully TIME",
                       "pc5 queried for active sessions TIME", "pc5 gave no information or did not respond TIME"}) +
                Rule() + Lines({"Message to User: bob succeeded. TIME"}));
  EXPECT_EQ(r.status, 0);
}

TEST_F(QuerySendTest, ServerFileLinesEndAtCrLfOrCrLfAndAreNotTrimmed) {
  std::string file = net.dir().Write("servers.txt", "DC2\rDC1\n PC5 \r\n\r\nDC2\r\n");
  RunResult r = net.Vantorc({"-v", "-qf", file, "-u", "dave", "-m", "hi"});
  std::string out = Replace(NormaliseTimes(r.out), file, "FILE");
  // The empty line names the own computer; " PC5 " is no known server.
  EXPECT_EQ(out, kHeader +
                     Lines({" loaded from file: FILE", " PC5  loaded from file: FILE", "DC1 loaded from file: FILE",
                            "DC2 loaded from file: FILE", " queried for active sessions TIME",
                            " gave no information or did not respond TIME", " PC5  queried for active sessions TIME",
                            " PC5  gave no information or did not respond TIME", "DC1 queried for active sessions TIME",
                            "DC1 responded successfully TIME", "DC2 queried for active sessions TIME",
                            "DC2 responded successfully TIME", "PC5 queried for active sessions TIME",
                            "PC5 gave no information or did not respond TIME"}) +
                     Rule() + Lines({"Message to User: dave succeeded. TIME"}));
  EXPECT_EQ(r.status, 0);

  // A final line break adds no empty name.
  file = net.dir().Write("one.txt", "DC2\n");
  r = net.Vantorc({"-v", "-qf", file});
  out = Replace(NormaliseTimes(r.out), file, "FILE");
  EXPECT_EQ(out, kHeader +
                     Lines({"DC2 loaded from file: FILE", "DC2 queried for active sessions TIME",
                            "DC2 responded successfully TIME", "PC5 queried for active sessions TIME",
                            "PC5 gave no information or did not respond TIME"}) +
                     Rule());
}

TEST_F(QuerySendTest, AServerFileThatCannotBeReadEndsTheRun) {
  // It exists, so the command line passes, but reading it fails.
  RunResult r = net.Vantorc({"-qf", "/proc/self/mem", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.out, ErrorBlock("Query filename '/proc/self/mem' could not be read: Input/output error"));
  EXPECT_EQ(r.status, 1);
  std::string huge = net.dir().Write("huge.txt", std::string((4 << 20) + 1, 'x'));
  r = net.Vantorc({"-qf", huge, "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.out, ErrorBlock("Query filename '" + huge + "' is too large (more than 4 MiB)."));
  EXPECT_TRUE(net.Deliveries().empty());
}

TEST_F(QuerySendTest, WithoutQueryEveryRecipientIsSentToAndNoSecondRule) {
  RunResult r = net.Vantorc({"-v", "-f", "-qa", "-u", "erin,dave", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader + Lines({"Message to User: dave succeeded. TIME", "Message to User: erin failed. TIME"}));
  EXPECT_EQ(r.status, 2);
}

TEST_F(QuerySendTest, ServerSelectionErrors) {
  RunResult r = net.Vantorc({"-v", "-qs", ", ,"});
  EXPECT_EQ(r.out, kHeader + ErrorBlock("No server names found on command-line"));
  EXPECT_EQ(r.status, 1);
  r = net.Vantorc({"-qs"});
  EXPECT_EQ(r.out, ErrorBlock("No server names found on command-line"));
  EXPECT_EQ(r.status, 1);

  std::string empty = net.dir().Write("empty.txt", "");
  r = net.Vantorc({"-qf", empty, "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.out, ErrorBlock("No server names found in file " + empty));
  EXPECT_EQ(r.status, 1);

  ConsoleFixture wg(WorkgroupNetwork());
  r = wg.Vantorc({"-v", "-qa"});
  EXPECT_EQ(NormaliseTimes(r.out), VerboseHeader("kim", "HOMEPC", "WORKGROUP", "") + Lines({"No servers found TIME"}) +
                                       ErrorBlock("No Servers found on network"));
  EXPECT_EQ(r.status, 1);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-sg"}, {"-qd", "-u", "kim", "-m", "hi"}, {"-u", "kim", "-m", "hi"}}) {
    r = wg.Vantorc(args);
    EXPECT_EQ(r.out, ErrorBlock("No Servers found on network"));
    EXPECT_EQ(r.status, 1);
  }
  EXPECT_TRUE(wg.Deliveries().empty());
}

TEST(Workgroup, WithoutQueryGroupsAreReadFromTheOwnComputer) {
  ConsoleFixture wg(WorkgroupNetwork());
  RunResult r = wg.Vantorc({"-v", "-f", "-g", "Family", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            VerboseHeader("kim", "HOMEPC", "WORKGROUP", "") +
                Lines({"Message to Family: kim succeeded. TIME", "Message to Family: LAPTOP succeeded. TIME"}));
  EXPECT_EQ(r.status, 0);
}

TEST_F(QuerySendTest, ExitStatusTellsWhetherEveryMessageWentOut) {
  // Failed sends: 2, with or without verbose output, whatever else succeeded.
  RunResult r = net.Vantorc({"-f", "-u", "erin", "-m", "hi"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 2);
  r = net.Vantorc({"-f", "-u", "bob,nobody", "-m", "hi"});
  EXPECT_EQ(r.status, 2);
  // Recipients left out because a server told they are not active are not
  // failures; left out because no server told anything, they are.
  r = net.Vantorc({"-u", "bob,nobody", "-m", "hi"});
  EXPECT_EQ(r.status, 0);
  r = net.Vantorc({"-qs", "DC2", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.status, 0);
  r = net.Vantorc({"-qs", "NOWHERE", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.status, 2);
  // A group that does not exist reaches nobody, also when it is all there is.
  r = net.Vantorc({"-f", "-g", "Nope", "-m", "hi"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 2);
  // Nor are failed sends in test mode, which sends nothing.
  r = net.Vantorc({"-t", "-f", "-u", "erin", "-m", "hi"});
  EXPECT_EQ(r.status, 0);
}

TEST_F(QuerySendTest, AnUnusableNetworkBackendEndsWithTheErrorBlock) {
  RunResult r = net.Vantorc({"-f", "-sg"}, {}, {{"VANTOR_LAN", "carrier-pigeon"}});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.substr(0, 28), "\r\nVantorc ERROR: VANTOR_LAN=");
  EXPECT_EQ(r.out.substr(r.out.size() - Banner().size()), Banner());

  std::string broken = net.dir().Write("broken.json", "{ \"local\": ");
  r = net.Vantorc({"-f", "-sg"}, {}, {{"VANTOR_LAN", "sim:" + broken}});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.substr(0, 29), "\r\nVantorc ERROR: VANTOR_LAN: ");
  EXPECT_NE(r.out.find("broken.json"), std::string::npos);
}

}  // namespace
}  // namespace vantor::test
