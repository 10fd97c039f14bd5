// SPDX-License-Identifier: GPL-3.0-or-later
// How vantorc compares with the fastest thing that could do its job, each
// side run as a whole process, as a user runs it, output to /dev/null:
//   - a bare listing of users (`vantorc -f -b -su`) on networks of 2,000,
//     20,000 and 200,000 users, against a program that only reads the same
//     file with the same JSON parser and writes the same names
//     (net_names_reader); the two alternate, run by run, and each run's time
//     and peak memory are taken by peak_rss;
//   - a verbose query of 200 servers, each answering after 5 ms, against the
//     sum of those latencies (one second: the servers are asked one by one).
// --vantorc=PATH measures another build of vantorc against the same reader.

#include "bench_network.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kServers = 200;
constexpr int kLatencyMs = 5;
constexpr int kSizes[] = {2000, 20000, 200000};

std::string& VantorcPath() {
  static std::string path = VANTORC_PATH;
  return path;
}

struct Files {
  std::filesystem::path dir;
  std::map<int, std::string> usersNet;  // by number of users
  std::string serversNet;
};

Files& TheFiles() {
  static Files f;
  return f;
}

void WriteFile(const std::filesystem::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + p.string());
}

void MakeFiles() {
  Files& f = TheFiles();
  std::string tmpl = (std::filesystem::temp_directory_path() / "vantorc-bench-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  f.dir = tmpl;
  for (int users : kSizes) {
    f.usersNet[users] = (f.dir / ("users" + std::to_string(users) + ".json")).string();
    WriteFile(f.usersNet[users], vantor::bench::ScaledNetwork(users));
  }

  std::string hosts;
  for (int i = 1; i <= kServers; ++i) {
    std::string n = vantor::bench::NumberedName("", i);
    if (i > 1) hosts += ",\n";
    hosts += R"({ "name": "SRV)" + n +
             R"(", "domain": "BIG", "type": ["nt", "server_nt", "domain_ctrl"], "latency_ms": )" +
             std::to_string(kLatencyMs) + R"(, "sessions": [ { "client": "PC)" + n + R"(", "user": "user)" + n +
             R"(" } ] })";
  }
  f.serversNet = (f.dir / "servers.json").string();
  WriteFile(f.serversNet, R"({ "local": { "computer": "PC1", "user": "user00001", "domain": "BIG" },
  "domains": [ { "name": "BIG", "controller": "SRV000001" } ],
  "hosts": [ )" + hosts + " ] }");
}

struct RunResult {
  int exitStatus = -1;
  double seconds = 0;     // wall time
  double cpuSeconds = 0;  // user and system time
  double peakBytes = 0;
};

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs a program with its output in outFile, through peak_rss, which times it
// and reads its peak memory.
RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::string& network,
              const char* outFile = "/dev/null") {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string s(*e);
    if (s.rfind("VANTOR_", 0) != 0 && s.rfind("LC_ALL=", 0) != 0) env.push_back(s);
  }
  env.push_back("LC_ALL=C");
  env.push_back("VANTOR_STORE=" + (TheFiles().dir / "store.db").string());
  if (!network.empty()) env.push_back("VANTOR_LAN=sim:" + network);
  std::string result = (TheFiles().dir / "run.txt").string();
  std::vector<char*> argv{const_cast<char*>(PEAK_RSS_PATH), result.data(), const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, outFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid;
  int rc = posix_spawn(&pid, PEAK_RSS_PATH, &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  RunResult r;
  r.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(result);
  long peakKb = 0;
  if (!(in >> r.seconds >> r.cpuSeconds >> peakKb)) throw std::runtime_error("no measurement of " + program);
  r.peakBytes = static_cast<double>(peakKb) * 1024.0;
  return r;
}

RunResult Listing(int users, const char* outFile = "/dev/null") {
  return Run(VantorcPath(), {"-f", "-b", "-su"}, TheFiles().usersNet.at(users), outFile);
}
RunResult Reader(int users, const char* outFile = "/dev/null") {
  return Run(NET_NAMES_READER_PATH, {TheFiles().usersNet.at(users)}, {}, outFile);
}

// The listing's time and peak memory against the reader's, the two sides
// alternating, and which of them goes first alternating too. The ratios are
// of the medians, which a busy machine disturbs less than the means: of the
// wall time, as the user waits, and of the processor time.
void BM_BareListingAgainstReader(benchmark::State& state) {
  int users = static_cast<int>(state.range(0));
  std::vector<double> listing, reader, listingCpu, readerCpu;
  double listingPeak = 0, readerPeak = 0;
  for (auto _ : state) {
    RunResult a, b;
    if (listing.size() % 2 == 0) {
      a = Listing(users);
      b = Reader(users);
    } else {
      b = Reader(users);
      a = Listing(users);
    }
    if (a.exitStatus != 0 || b.exitStatus != 0) state.SkipWithError("a program failed");
    state.SetIterationTime(a.seconds);
    listing.push_back(a.seconds);
    reader.push_back(b.seconds);
    listingCpu.push_back(a.cpuSeconds);
    readerCpu.push_back(b.cpuSeconds);
    listingPeak = std::max(listingPeak, a.peakBytes);
    readerPeak = std::max(readerPeak, b.peakBytes);
  }
  if (listing.empty()) return;
  double fileBytes = static_cast<double>(std::filesystem::file_size(TheFiles().usersNet.at(users)));
  state.counters["vantorc_ms"] = Median(listing) * 1e3;
  state.counters["reader_ms"] = Median(reader) * 1e3;
  state.counters["ratio"] = Median(listing) / Median(reader);
  state.counters["cpu_ratio"] = Median(listingCpu) / Median(readerCpu);
  state.counters["file_MB"] = fileBytes / 1e6;
  state.counters["vantorc_MB"] = listingPeak / 1e6;
  state.counters["reader_MB"] = readerPeak / 1e6;
  state.counters["peak_per_file"] = listingPeak / fileBytes;
}
BENCHMARK(BM_BareListingAgainstReader)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

// The servers are asked one after another: the floor is the sum of their
// latencies.
void BM_VerboseQueryAgainstLatencies(benchmark::State& state) {
  double total = 0;
  std::int64_t runs = 0;
  for (auto _ : state) {
    RunResult r = Run(VantorcPath(), {"-v"}, TheFiles().serversNet);
    if (r.exitStatus != 0) state.SkipWithError("vantorc failed");
    state.SetIterationTime(r.seconds);
    total += r.seconds;
    ++runs;
  }
  if (runs == 0) return;
  double latencies = kServers * kLatencyMs / 1000.0;
  state.counters["latencies_ms"] = latencies * 1e3;
  state.counters["ratio"] = total / static_cast<double>(runs) / latencies;
}
BENCHMARK(BM_VerboseQueryAgainstLatencies)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The two sides must write the same names, else the comparison means nothing.
void CheckListings() {
  for (int users : kSizes) {
    std::string a = (TheFiles().dir / "listing.txt").string(), b = (TheFiles().dir / "names.txt").string();
    if (Listing(users, a.c_str()).exitStatus != 0 || Reader(users, b.c_str()).exitStatus != 0)
      throw std::runtime_error("a program failed on the " + std::to_string(users) + "-user network");
    std::string listing = ReadAll(a), names = ReadAll(b);
    if (listing != names)
      throw std::runtime_error("vantorc and the reader disagree on the " + std::to_string(users) + "-user network");
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--vantorc=", 10) == 0) {
      VantorcPath() = argv[i] + 10;
    } else {
      std::fprintf(stderr, "unknown argument %s\n", argv[i]);
      return 1;
    }
  }
  MakeFiles();
  CheckListings();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(TheFiles().dir, ec);
  return 0;
}
