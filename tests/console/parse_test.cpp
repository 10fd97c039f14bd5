// SPDX-License-Identifier: GPL-3.0-or-later
// The command line, run through the real vantorc: every check and its error
// block, the help screen with its pauses, and how options and names are read.

#include "console/vantorc_runner.h"
#include "support/office_network.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>

namespace vantor::test {
namespace {

class ParseTest : public ::testing::Test {
 protected:
  ConsoleFixture net{OfficeNetwork()};
};

struct ErrorCase {
  std::vector<std::string> args;
  std::string message;
};

TEST_F(ParseTest, EachFaultEndsWithItsErrorBlockBeforeAnythingElse) {
  std::string dir = net.dir().path().string();
  std::string fifo = net.dir().File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string m895(895, 'x');
  const std::vector<ErrorCase> cases = {
      {{}, "No parameters supplied"},
      {{"-x"}, "Incorrect parameter: -x"},
      {{"BOB"}, "Incorrect parameter: BOB"},
      {{"-v", "-Qz"}, "Incorrect parameter: -Qz"},  // as typed, not lower-cased
      {{"--v"}, "Incorrect parameter: --v"},
      {{"-v", "-?"}, "Help options should only be used on their own"},
      {{"-?", "-v"}, "Help options should only be used on their own"},
      {{"/HELP", "-f"}, "Help options should only be used on their own"},
      {{"-qd", "-qa"}, "Too many Query options, please just use one"},
      {{"-qd", "-qd"}, "Too many Query options, please just use one"},
      {{"-qn", "-qs", "DC1"}, "Too many Query options, please just use one"},
      // The count is checked before the value is read: no file check.
      {{"-qa", "-qf", "missing.txt"}, "Too many Query options, please just use one"},
      {{"-qf"}, "Query filename '' does not exist."},
      {{"-qf", dir + "/missing.txt"}, "Query filename '" + dir + "/missing.txt' does not exist."},
      {{"-qf", dir}, "Query filename '" + dir + "' is a folder, not a file."},
      {{"-f", "-qf", dir}, "Query filename '" + dir + "' is a folder, not a file."},
      // Never read: it would not end, or (a FIFO without a writer) not begin.
      {{"-qf", "/dev/zero"}, "Query filename '/dev/zero' is not a regular file (a device, a pipe or a socket)."},
      {{"-qf", fifo}, "Query filename '" + fifo + "' is not a regular file (a device, a pipe or a socket)."},
      {{"-u"}, "No user names supplied"},
      {{"-u", ",, ,"}, "No user names supplied"},
      {{"-u", "bob", "-u", "BOB"}, "No user names supplied"},  // a duplicate does not grow the list
      {{"-g"}, "No group names supplied"},
      {{"-l", ""}, "No List names supplied"},
      {{"-p", ","}, "No PC names supplied"},
      {{"-d"}, "No Domain names supplied"},
      {{"-u", "bob", "-m"}, "No Message text supplied"},
      {{"-m", "", "-u", "bob"}, "No Message text supplied"},
      {{"-u", "bob"}, "Recipients given but no message text specified"},
      {{"-u", "-m"}, "Recipients given but no message text specified"},  // "-m" is a user name here
      {{"-sg", "-d", "SALES"}, "Recipients given but no message text specified"},
      {{"-m", "hi"}, "Message text given but no recipients specified"},
      {{"-u", "bob", "-m", m895 + "x"}, "Message text too long by 1 Char(s)."},
      {{"-d", "SALES", "-m", std::string(129, 'x')}, "Domain broadcast too long by 1 Char(s)."},
      // The general limit is checked first.
      {{"-d", "SALES", "-m", std::string(900, 'x')}, "Message text too long by 5 Char(s)."},
      // Joined texts count their LF CR: 126 + 2 + 1.
      {{"-d", "SALES", "-m", std::string(126, 'x'), "-m", "y"}, "Domain broadcast too long by 1 Char(s)."},
      {{"-u", "bob", "-m", std::string(447, 'x'), "-m", std::string(447, 'y')}, "Message text too long by 1 Char(s)."},
  };
  for (const ErrorCase& c : cases) {
    std::string shown;
    for (const auto& a : c.args) shown += "[" + a.substr(0, 20) + "] ";
    SCOPED_TRACE(shown);
    RunResult r = net.Vantorc(c.args);
    EXPECT_EQ(r.out, ErrorBlock(c.message));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
  }
  EXPECT_TRUE(net.Deliveries().empty());
}

TEST_F(ParseTest, OptionsIgnoreCaseAndTakeEitherLeadingCharacter) {
  RunResult lower = net.Vantorc({"-f", "-sg"});
  ASSERT_EQ(lower.status, 0);
  ASSERT_NE(lower.out, "");
  for (const char* spelling : {"-SG", "/Sg", "/sg"}) {
    RunResult r = net.Vantorc({"/F", spelling});
    EXPECT_EQ(r.out, lower.out) << spelling;
    EXPECT_EQ(r.status, 0);
  }
}

TEST_F(ParseTest, MessagesAtTheLimitsPass) {
  RunResult r = net.Vantorc({"-f", "-u", "bob", "-m", std::string(895, 'x')});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
  r = net.Vantorc({"-f", "-d", "SALES", "-m", std::string(128, 'x')});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> d = net.Deliveries();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_NE(d[0].find("\"text\":\"" + std::string(895, 'x') + "\""), std::string::npos);
  EXPECT_NE(d[1].find("\"to\":\"SALES*\""), std::string::npos);
}

TEST_F(ParseTest, JoinedMessageTextsAreSeparatedByLineFeedThenCarriageReturn) {
  RunResult r = net.Vantorc({"-f", "-u", "bob", "-m", "a", "-m", "b"});
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> d = net.Deliveries();
  ASSERT_EQ(d.size(), 1u);
  EXPECT_NE(d[0].find(R"("text":"a\n\rb")"), std::string::npos) << d[0];
}

TEST_F(ParseTest, LengthLimitsCountCharactersAsSentNotBytesOfTheLocaleText) {
  auto repeat = [](std::string_view what, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += what;
    return s;
  };
  const std::map<std::string, std::string> utf8{{"LC_ALL", "C.UTF-8"}};
  // Two bytes each in UTF-8, one character each as sent.
  RunResult r = net.Vantorc({"-f", "-d", "SALES", "-m", repeat("\u00e9", 129)}, {}, utf8);
  EXPECT_EQ(r.out, ErrorBlock("Domain broadcast too long by 1 Char(s)."));
  r = net.Vantorc({"-f", "-u", "bob", "-m", repeat("\u00e9", 896)}, {}, utf8);
  EXPECT_EQ(r.out, ErrorBlock("Message text too long by 1 Char(s)."));
  // A character no code page holds still counts as one.
  r = net.Vantorc({"-f", "-u", "bob", "-m", repeat("\u00e9", 447) + "\u2603"}, {}, utf8);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
  r = net.Vantorc({"-f", "-d", "SALES", "-m", repeat("\u00e9", 128)}, {}, utf8);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> d = net.Deliveries();
  ASSERT_EQ(d.size(), 2u);
  EXPECT_NE(d[0].find("\"text\":\"" + repeat("\u00e9", 447) + "\u2603\""), std::string::npos) << d[0];
  EXPECT_NE(d[1].find("\"text\":\"" + repeat("\u00e9", 128) + "\""), std::string::npos) << d[1];
}

TEST_F(ParseTest, NamesAreSortedWithoutRegardToCaseAndEmptyItemsDropped) {
  RunResult r = net.Vantorc({"-t", "-f", "-u", ",bob,,alice,", "-u", "zed, Amy,BOB", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            VerboseHeader("alice", "PC5", "OFFICE", "DC1") +
                Lines({"Message to User: alice succeeded. TIME", "Message to User: Amy succeeded. TIME",
                       "Message to User: bob succeeded. TIME", "Message to User: zed succeeded. TIME"}));
  EXPECT_EQ(r.status, 0);
}

TEST_F(ParseTest, OptionValuesAreTakenWhateverTheyLookLike) {
  // "-f" is the user's name here, so query stays on and nobody is active.
  RunResult r = net.Vantorc({"-v", "-qs", "DC2", "-u", "-f", "-m", "-v"});
  EXPECT_EQ(NormaliseTimes(r.out),
            VerboseHeader("alice", "PC5", "OFFICE", "DC1") +
                Lines({"DC2 loaded from commandline: DC2", "DC2 queried for active sessions TIME",
                       "DC2 responded successfully TIME", "PC5 queried for active sessions TIME",
                       "PC5 gave no information or did not respond TIME"}) +
                Rule() + Lines({"Message to User: -f not sent. TIME"}));
  EXPECT_EQ(r.status, 0);
}

TEST_F(ParseTest, ListingAndSendMayBeCombined) {
  RunResult r = net.Vantorc({"-f", "-b", "-sg", "-v", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            VerboseHeader("alice", "PC5", "OFFICE", "DC1") +
                Lines({"Staff", "Domain Admins", "Machines", "Empty", "Message to User: bob succeeded. TIME"}));
  EXPECT_EQ(r.status, 0);
}

// The help screen exactly as documented, with a pause before each page after
// the first.
std::string UsageScreen() {
  std::ifstream in(CONSOLE_GOLDEN_DIR "/usage.txt");
  std::string expected, line;
  while (std::getline(in, line)) {
    if (line == "[banner]")
      expected += Banner();
    else if (line == "[pause]")
      expected += Lines({"Press <enter> to continue..."});
    else
      expected += line + "\r\n";
  }
  return expected;
}

TEST_F(ParseTest, HelpPrintsFourPagesThenRunsTheDefaultQuery) {
  std::string usage = UsageScreen();
  ASSERT_GT(usage.size(), 2000u);
  for (const char* help : {"-?", "/?", "-help", "/HELP"}) {
    SCOPED_TRACE(help);
    RunResult r = net.Vantorc({help}, "\n\n\n");
    EXPECT_EQ(r.out, usage);  // the controllers were found and queried silently
    EXPECT_EQ(r.status, 0);
  }
  // The end of input counts as Enter; text typed at a pause is ignored.
  EXPECT_EQ(net.Vantorc({"-?"}).out, usage);
  EXPECT_EQ(net.Vantorc({"-?"}, "yes\nno\n\nmore\n").out, usage);
}

TEST(HelpOnAWorkgroup, EndsWithTheErrorOfTheDefaultQuery) {
  ConsoleFixture wg(WorkgroupNetwork());
  RunResult r = wg.Vantorc({"-?"}, "\n\n\n");
  EXPECT_EQ(r.out, UsageScreen() + ErrorBlock("No Servers found on network"));
  EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace vantor::test
