// One message at a time to a private smbd on 127.0.0.1: the samba backend
// (a new NetBIOS session per message) against `smbclient -M` (a new process
// per message), in the same run. Prints the median time per message of each
// and their ratio. Skips when smbd or smbclient is missing.
#include "common/utf.h"
#include "lan/samba/samba_net_api.h"
#include "support/private_smbd.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kMessages = 200;
const char* kText = "Benchmark message: Grüße, the printer on floor 2 is back.";

vantor::test::PrivateSmbd* g_smbd = nullptr;
std::string g_smbclient;
std::unique_ptr<vantor::lan::samba::SambaNetApi> g_api;
std::vector<double> g_backendMs, g_smbclientMs;

std::string FindSmbclient() {
  for (const char* p : {"/usr/bin/smbclient", "/usr/local/bin/smbclient"})
    if (::access(p, X_OK) == 0) return p;
  return {};
}

// Runs smbclient -M with the text on its standard input; true when it exited 0
// (which it also does when delivery failed: the message file is the judge).
bool SmbclientSend() {
  int in[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return false;
  std::string port = std::to_string(g_smbd->Port());
  std::string conf = g_smbd->ConfigFile();
  std::vector<std::string> args = {g_smbclient, "-M",    "VANTORPEER", "-I",          "127.0.0.1", "-p", port,
                                   "-n",        "BENCH", "-U",         "BENCHCLIENT", "-N",        "-s", conf};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, in[0], 0);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, g_smbclient.c_str(), &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  ::close(in[0]);
  if (rc != 0) {
    ::close(in[1]);
    return false;
  }
  std::string text = kText;
  ssize_t w = ::write(in[1], text.data(), text.size());
  ::close(in[1]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return w == static_cast<ssize_t>(text.size()) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_SambaBackend(benchmark::State& state) {
  std::u16string text = vantor::Utf8ToUtf16(kText);
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    auto s = g_api->NetMessageBufferSend({}, "VANTORPEER", "BENCH", text);
    g_backendMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    if (s != 0) state.SkipWithError(("send failed with status " + std::to_string(s)).c_str());
  }
}

void BM_SmbclientM(benchmark::State& state) {
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    bool ok = SmbclientSend();
    g_smbclientMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    if (!ok) state.SkipWithError("smbclient -M failed");
  }
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int CountDelivered(const std::string& from) {
  std::ifstream in(g_smbd->MessagesFile());
  int n = 0;
  for (std::string line; std::getline(in, line);)
    if (line == "FROM=" + from) ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  g_smbclient = FindSmbclient();
  if (vantor::test::PrivateSmbd::FindSmbd().empty() || g_smbclient.empty()) {
    std::printf("skipped: smbd or smbclient is not installed\n");
    return 0;
  }
  vantor::test::PrivateSmbd smbd;
  if (!smbd.Running()) {
    std::printf("skipped: %s\n", smbd.Why().c_str());
    return 0;
  }
  g_smbd = &smbd;
  {
    std::ofstream(smbd.Dir() / "lmhosts") << "127.0.0.1 VANTORPEER\n";
    vantor::lan::samba::LanConfig c;
    c.netbiosName = "BENCH";
    c.sambaConfig.clear();
    c.resolveOrder = {vantor::lan::samba::ResolveMethod::kLmhosts};
    c.lmhostsFile = (smbd.Dir() / "lmhosts").string();
    c.smbPort = smbd.Port();
    g_api = std::make_unique<vantor::lan::samba::SambaNetApi>(c);
  }
  for (auto* b : {benchmark::RegisterBenchmark("samba_backend/one_message", BM_SambaBackend),
                  benchmark::RegisterBenchmark("smbclient_M/one_message", BM_SmbclientM)}) {
    b->Iterations(1)->Repetitions(kMessages)->ReportAggregatesOnly(true)->UseRealTime()->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  double backend = Median(g_backendMs), client = Median(g_smbclientMs);
  std::printf("\nmessages: backend %zu sent, %d delivered; smbclient -M %zu sent, %d delivered\n", g_backendMs.size(),
              CountDelivered("BENCH"), g_smbclientMs.size(), CountDelivered("BENCHCLIENT"));
  std::printf("median per message: samba backend %.2f ms, smbclient -M %.2f ms, ratio %.2f\n", backend, client,
              backend > 0 ? client / backend : 0.0);
  g_api.reset();
  return 0;
}
