// How vantorc compares with the fastest thing that could do its job:
//   - a bare listing of 20,000 users against `cat` of a file of the same names;
//   - a verbose query of 200 servers, each answering after 5 ms, against the
//     sum of those latencies (one second: the servers are asked one by one).
// Both run the built tool as a user would, with its output sent to /dev/null.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kUsers = 20000;
constexpr int kServers = 200;
constexpr int kLatencyMs = 5;

struct Files {
  std::filesystem::path dir;
  std::string usersNet, namesFile, serversNet;
};

Files& TheFiles() {
  static Files f;
  return f;
}

// Mean seconds per run, by benchmark, for the ratios printed at the end.
std::map<std::string, double>& Means() {
  static std::map<std::string, double> m;
  return m;
}

std::string Number(int n, int width) {
  std::string s = std::to_string(n);
  return std::string(width - static_cast<int>(s.size()), '0') + s;
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

  std::string users, names;
  for (int i = 1; i <= kUsers; ++i) {
    std::string name = "user" + Number(i, 5);
    if (i > 1) users += ",\n";
    users += R"({ "name": ")" + name + R"(", "full_name": "", "comment": "Desk )" + std::to_string(i) + "\" }";
    names += name + "\n";
  }
  f.usersNet = (f.dir / "users.json").string();
  WriteFile(f.usersNet, R"({ "local": { "computer": "PC1", "user": "user00001", "domain": "BIG" },
  "domains": [ { "name": "BIG", "controller": "DC1", "users": [ )" +
                            users + R"( ] } ],
  "hosts": [ { "name": "DC1", "domain": "BIG", "type": ["nt", "server_nt", "domain_ctrl"] } ] })");
  f.namesFile = (f.dir / "names.txt").string();
  WriteFile(f.namesFile, names);

  std::string hosts;
  for (int i = 1; i <= kServers; ++i) {
    std::string n = Number(i, 3);
    if (i > 1) hosts += ",\n";
    hosts += R"({ "name": "SRV)" + n +
             R"(", "domain": "BIG", "type": ["nt", "server_nt", "domain_ctrl"], "latency_ms": )" +
             std::to_string(kLatencyMs) + R"(, "sessions": [ { "client": "PC)" + n + R"(", "user": "user)" + n +
             R"(" } ] })";
  }
  f.serversNet = (f.dir / "servers.json").string();
  WriteFile(f.serversNet, R"({ "local": { "computer": "PC1", "user": "user00001", "domain": "BIG" },
  "domains": [ { "name": "BIG", "controller": "SRV001" } ],
  "hosts": [ )" + hosts + " ] }");
}

// Runs a program with its output in outFile and returns its exit status.
int Run(const std::string& program, const std::vector<std::string>& args, const std::string& network,
        const char* outFile = "/dev/null") {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string s(*e);
    if (s.rfind("VANTOR_", 0) != 0 && s.rfind("LC_ALL=", 0) != 0) env.push_back(s);
  }
  env.push_back("LC_ALL=C");
  env.push_back("VANTOR_STORE=" + (TheFiles().dir / "store.db").string());
  if (!network.empty()) env.push_back("VANTOR_LAN=sim:" + network);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
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
  int rc = posix_spawnp(&pid, program.c_str(), &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Measure(benchmark::State& state, const char* key, const std::string& program, const std::vector<std::string>& args,
             const std::string& network) {
  auto start = std::chrono::steady_clock::now();
  std::int64_t runs = 0;
  for (auto _ : state) {
    if (Run(program, args, network) != 0) state.SkipWithError("the program failed");
    ++runs;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (runs > 0) Means()[key] = seconds / static_cast<double>(runs);
}

void BM_VantorcBareListing20000Users(benchmark::State& state) {
  Measure(state, "listing", VANTORC_PATH, {"-f", "-b", "-su"}, TheFiles().usersNet);
}
void BM_Cat20000Names(benchmark::State& state) { Measure(state, "cat", "cat", {TheFiles().namesFile}, {}); }
void BM_VantorcVerboseQuery200Servers(benchmark::State& state) {
  Measure(state, "query", VANTORC_PATH, {"-v"}, TheFiles().serversNet);
}

BENCHMARK(BM_VantorcBareListing20000Users)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Cat20000Names)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VantorcVerboseQuery200Servers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The listing must hold every name, else the comparison means nothing.
void CheckListing() {
  std::string out = (TheFiles().dir / "listing.txt").string();
  if (Run(VANTORC_PATH, {"-f", "-b", "-su"}, TheFiles().usersNet, out.c_str()) != 0)
    throw std::runtime_error("vantorc failed on the 20,000-user network");
  std::ifstream in(out, std::ios::binary);
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  if (lines != kUsers) throw std::runtime_error("the listing holds " + std::to_string(lines) + " lines");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MakeFiles();
  CheckListing();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  auto& m = Means();
  double listing = m["listing"], cat = m["cat"], query = m["query"];
  double latencies = kServers * kLatencyMs / 1000.0;
  if (listing > 0 && cat > 0)
    std::printf("bare listing of %d users: vantorc %.1f ms, cat %.1f ms, ratio %.1f\n", kUsers, listing * 1e3,
                cat * 1e3, listing / cat);
  if (query > 0)
    std::printf("verbose query of %d servers: vantorc %.1f ms, sum of latencies %.1f ms, ratio %.2f\n", kServers,
                query * 1e3, latencies * 1e3, query / latencies);
  std::error_code ec;
  std::filesystem::remove_all(TheFiles().dir, ec);
  return 0;
}
