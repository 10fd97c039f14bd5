// SPDX-License-Identifier: GPL-3.0-or-later
// --version and --help of the three programs, run as built: answered on
// standard output with status 0 before the network, the store or a display is
// opened, the version being the build's one version. The programs' own
// options keep their meaning beside them.

#include "common/version.h"
#include "console/vantorc_runner.h"
#include "support/office_network.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::test {
namespace {

using ::testing::HasSubstr;

// Anything that opened the network, the store or a window would fail here.
const std::map<std::string, std::string> kNothingUsable = {
    {"VANTOR_LAN", "no-such-backend"},
    {"VANTOR_STORE", "/nonexistent/folder/store.db"},
    {"DISPLAY", ""},
    {"WAYLAND_DISPLAY", ""},
    {"QT_QPA_PLATFORM", ""},
};

struct Program {
  std::string name;
  std::string path;
  std::string lineEnd;
};

std::vector<Program> Programs() {
  std::vector<Program> programs = {{"vantorc", VANTORC_PATH, "\r\n"}, {"vantor-reg", VANTOR_REG_PATH, "\n"}};
#ifdef VANTOR_PATH
  programs.push_back({"vantor", VANTOR_PATH, "\n"});
#endif
  return programs;
}

TEST(CommandLineConventions, VersionAndHelpAnswerAloneWithoutOpeningAnything) {
  for (const Program& p : Programs()) {
    SCOPED_TRACE(p.name);
    RunResult version = RunProgram(p.path, {"--version"}, kNothingUsable);
    EXPECT_EQ(version.out, p.name + " " + kVersion + p.lineEnd);
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(version.status, 0);
    for (const char* help : {"--help", "-h"}) {
      SCOPED_TRACE(help);
      RunResult usage = RunProgram(p.path, {help}, kNothingUsable);
      EXPECT_THAT(usage.out, HasSubstr(p.name));
      EXPECT_THAT(usage.out, ::testing::Not(HasSubstr("ERROR")));
      EXPECT_EQ(usage.err, "");
      EXPECT_EQ(usage.status, 0);
    }
  }
}

// Without the pauses of -? and -help: the same screen, read from no input,
// and the run ends there instead of going on to the default query.
TEST(CommandLineConventions, VantorcHelpIsThePausedScreenWithoutItsPauses) {
  ConsoleFixture wg(WorkgroupNetwork());  // where the default query would fail
  std::string paused = wg.Vantorc({"-?"}, "\n\n\n").out;
  const std::string error = ErrorBlock("No Servers found on network");
  ASSERT_GT(paused.size(), error.size());
  ASSERT_EQ(paused.substr(paused.size() - error.size()), error);
  paused.resize(paused.size() - error.size());
  const std::string pause = "Press <enter> to continue...\r\n";
  std::string continuous = paused;
  for (std::size_t at; (at = continuous.find(pause)) != std::string::npos;) continuous.erase(at, pause.size());
  ASSERT_NE(continuous, paused);
  for (const char* help : {"--help", "-h", "/H"}) {
    SCOPED_TRACE(help);
    RunResult r = wg.Vantorc({help});
    EXPECT_EQ(r.out, continuous);
    EXPECT_EQ(r.status, 0);
  }
}

TEST(CommandLineConventions, InfoOptionsStandAloneAndAreSpelledExactly) {
  ConsoleFixture net(OfficeNetwork());
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--version", "-f"}, {"-sd", "--version"}, {"--help", "-v"}, {"-h", "-f", "-sd"}}) {
    RunResult r = net.Vantorc(args);
    EXPECT_EQ(r.out, ErrorBlock("Help options should only be used on their own")) << args[0];
    EXPECT_EQ(r.status, 1);
  }
  for (const char* wrong : {"--VERSION", "/-version", "--Help", "-version"}) {
    RunResult r = net.Vantorc({wrong});
    EXPECT_EQ(r.out, ErrorBlock(std::string("Incorrect parameter: ") + wrong));
    EXPECT_EQ(r.status, 1);
  }
  RunResult reg = RunProgram(VANTOR_REG_PATH, {"--version", "query"}, kNothingUsable);
  EXPECT_EQ(reg.out, "");
  EXPECT_THAT(reg.err, HasSubstr("vantor-reg: "));
  EXPECT_EQ(reg.status, 1);
}

}  // namespace
}  // namespace vantor::test
