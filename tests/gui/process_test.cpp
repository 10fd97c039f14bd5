// SPDX-License-Identifier: GPL-3.0-or-later
// The built windowed program as a process: its command line, and its end on
// a signal from the system.
#include "store/hive.h"
#include "store/settings.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace vantor::test {
namespace {

constexpr const char* kNetwork = R"({"local": {"computer": "PC05", "user": "alice", "domain": "OFFICE"},
  "domains": [{"name": "OFFICE", "controller": "DC1", "users": [{"name": "bob"}]}],
  "hosts": [{"name": "DC1", "type": ["nt", "server_nt", "domain_ctrl"]}]})";

// One run of vantor on a private network and store, its standard error in a
// file.
class VantorRun {
 public:
  VantorRun(TempDir& dir, const std::vector<std::string>& args) : m_errFile(dir.File("stderr.txt")) {
    const std::string net = dir.Write("net.json", kNetwork);
    m_store = dir.File("store.db");
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "VANTOR_LAN=sim:" + net, "VANTOR_STORE=" + m_store,
                                    "XDG_RUNTIME_DIR=" + dir.path().string()};
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<std::string> argv = {VANTOR_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp, envp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, m_errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&m_pid, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~VantorRun() {
    if (m_pid > 0 && !m_waited) {
      ::kill(m_pid, SIGKILL);
      Wait();
    }
  }

  std::string Err() const { return ReadFile(m_errFile); }
  // Waits up to timeoutMs for standard error to hold text.
  bool WaitForErr(const std::string& text, int timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (Err().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  void Signal(int sig) const { ::kill(m_pid, sig); }
  // The exit status, or 128 + the signal that ended the run.
  int Wait() {
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_waited = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::unique_ptr<store::Hive> Store() const { return store::OpenSqliteHive(m_store); }
  bool Started() const { return m_pid > 0; }

 private:
  std::string m_errFile;
  std::string m_store;
  pid_t m_pid = -1;
  bool m_waited = false;
};

TEST(VantorProcess, ToolkitOptionsAreRefusedLikeAnyOtherParameter) {
  TempDir dir;
  VantorRun run(dir, {"-reverse"});
  ASSERT_TRUE(run.Started());
  // The box waits for the user; the same text goes to standard error.
  EXPECT_TRUE(run.WaitForErr("vantor: Vantor: \"-reverse\" is not a valid parameter\n", 20000)) << run.Err();
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(), 2);
  EXPECT_FALSE(run.Store()->KeyExists(store::kRootKey));  // the store is untouched
}

TEST(VantorProcess, SigtermEndsTheRunAsExitDoes) {
  TempDir dir;
  VantorRun run(dir, {});
  ASSERT_TRUE(run.Started());
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  run.Signal(SIGTERM);
  EXPECT_EQ(run.Wait(), 0) << run.Err();
  auto hive = run.Store();
  const store::Settings s(*hive);
  EXPECT_NE(s.ReadString(store::kMainSection, "Listnumber", "<missing>"), "<missing>");
  EXPECT_EQ(s.ReadString(store::kMainSection, "Width", "<missing>"), "384");
  EXPECT_EQ(s.ReadString(store::kStatusSection, "Left", "<missing>"), "336");
  EXPECT_EQ(s.ReadString(store::kMainSection, "ScanDomain", "<missing>"), "1");
}

}  // namespace
}  // namespace vantor::test
