// SPDX-License-Identifier: GPL-3.0-or-later
// One message at a time to a private smbd on 127.0.0.1, as a user sends it:
// `vantorc -f -u VANTORPEER -m TEXT` (the samba backend, a new process and a
// new NetBIOS session per message) against `smbclient -M VANTORPEER` (the
// same), whole processes, alternated round by round, which of the two goes
// first changing every round so that neither always meets a warmer peer.
// Prints the median time per message of each and the ratio ours/smbclient.
// Skips when smbd or smbclient is missing.
//   samba_send_bench [rounds [vantorc]]
// rounds: 200 unless given; vantorc: the one built with the benchmark unless
// given (another build, to compare before and after a change).
#include "support/private_smbd.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

const char* kText = "Benchmark message: Grüße, the printer on floor 2 is back.";

std::string FindSmbclient() {
  for (const char* p : {"/usr/bin/smbclient", "/usr/local/bin/smbclient"})
    if (::access(p, X_OK) == 0) return p;
  return {};
}

// Runs args[0] with env added to ours, input on its standard input and its
// output thrown away; true when it exited 0.
bool Run(std::vector<std::string> args, const std::vector<std::string>& env, const std::string& input) {
  int in[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return false;
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings(env);
  for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
  std::vector<char*> envp;
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, in[0], 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  ::close(in[0]);
  if (rc != 0) {
    ::close(in[1]);
    return false;
  }
  bool written = input.empty() || ::write(in[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
  ::close(in[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return written && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Milliseconds one call of f takes; failures are counted.
template <typename F>
double Timed(F f, int& failures) {
  auto t0 = std::chrono::steady_clock::now();
  if (!f()) ++failures;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int CountDelivered(const std::string& file, const std::string& from) {
  std::ifstream in(file);
  int n = 0;
  for (std::string line; std::getline(in, line);)
    if (line == "FROM=" + from) ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
  std::string vantorc = argc > 2 ? argv[2] : VANTORC_PATH;
  if (rounds < 1 || argc > 3 || ::access(vantorc.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "usage: samba_send_bench [rounds [vantorc]]\n");
    return 2;
  }
  std::string smbclient = FindSmbclient();
  if (vantor::test::PrivateSmbd::FindSmbd().empty() || smbclient.empty()) {
    std::printf("skipped: smbd or smbclient is not installed\n");
    return 0;
  }
  vantor::test::PrivateSmbd smbd;
  if (!smbd.Running()) {
    std::printf("skipped: %s\n", smbd.Why().c_str());
    return 0;
  }
  std::string lmhosts = (smbd.Dir() / "lmhosts").string(), conf = (smbd.Dir() / "lan.conf").string();
  std::ofstream(lmhosts) << "127.0.0.1 VANTORPEER\n";
  std::ofstream(conf) << "netbios name = BENCH\nsamba config =\ndirectory = no\nresolve order = lmhosts\nlmhosts file = " << lmhosts
                      << "\nsmb port = " << smbd.Port() << "\n";

  std::vector<std::string> oursEnv = {"VANTOR_LAN=samba:" + conf, "LC_ALL=C.UTF-8"};
  std::vector<std::string> ours = {vantorc, "-f", "-u", "VANTORPEER", "-m", kText};
  std::vector<std::string> theirs = {
      smbclient, "-M",    "VANTORPEER", "-I",          "127.0.0.1", "-p", std::to_string(smbd.Port()),
      "-n",      "BENCH", "-U",         "BENCHCLIENT", "-N",        "-s", smbd.ConfigFile()};
  std::vector<double> oursMs, theirsMs;
  int oursFailed = 0, theirsFailed = 0;
  auto runOurs = [&] { oursMs.push_back(Timed([&] { return Run(ours, oursEnv, {}); }, oursFailed)); };
  // smbclient -M exits 0 even when delivery failed: the message file is the judge.
  auto runTheirs = [&] { theirsMs.push_back(Timed([&] { return Run(theirs, {}, kText); }, theirsFailed)); };
  for (int i = 0; i < rounds; ++i) {
    if (i % 2 == 0) {
      runOurs();
      runTheirs();
    } else {
      runTheirs();
      runOurs();
    }
  }

  double a = Median(oursMs), b = Median(theirsMs);
  std::printf("rounds: %d, each one vantorc and one smbclient -M process, alternated\n", rounds);
  std::printf("delivered: vantorc %d of %d (%d failed), smbclient -M %d of %d\n",
              CountDelivered(smbd.MessagesFile(), "BENCH"), rounds, oursFailed,
              CountDelivered(smbd.MessagesFile(), "BENCHCLIENT"), rounds);
  std::printf("median per message: vantorc %.2f ms, smbclient -M %.2f ms, ratio vantorc/smbclient %.2f\n", a, b,
              b > 0 ? a / b : 0.0);
  return 0;
}
