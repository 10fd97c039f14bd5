// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/private_smbd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace vantor::test {

namespace {

std::uint16_t FreeLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  std::uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
    port = ntohs(sa.sin_port);
  ::close(fd);
  return port;
}

bool Accepts(std::uint16_t port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = htons(port);
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

std::string PrivateSmbd::FindSmbd() {
  for (const char* p : {"/usr/sbin/smbd", "/usr/local/sbin/smbd", "/usr/bin/smbd"})
    if (::access(p, X_OK) == 0) return p;
  return {};
}

bool PrivateSmbd::Required() {
  const char* v = std::getenv("VANTOR_REQUIRE_SMBD");
  return v && *v && std::string(v) != "0";
}

PrivateSmbd::PrivateSmbd(Options options) {
  std::string smbd = FindSmbd();
  if (smbd.empty()) {
    why_ = "smbd is not installed";
    return;
  }
  std::string tmpl = (std::filesystem::temp_directory_path() / "vantor-smbd-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) {
    why_ = "no temporary directory";
    return;
  }
  dir_ = tmpl;
  // The message command runs as the guest account: it must reach the output folder.
  ::chmod(dir_.c_str(), 0755);
  for (const char* sub : {"lock", "state", "cache", "private", "pid", "ncalrpc", "out"})
    std::filesystem::create_directories(dir_ / sub);
  ::chmod((dir_ / "out").c_str(), 0777);
  for (int attempt = 0; attempt < 3 && pid_ <= 0; ++attempt) StartOnce(smbd, options);
}

bool PrivateSmbd::StartOnce(const std::string& smbd, const Options& options) {
  port_ = FreeLoopbackPort();
  if (port_ == 0) {
    why_ = "no free port on 127.0.0.1";
    return false;
  }
  std::string d = dir_.string();
  std::ostringstream conf;
  conf << "[global]\n"
       << "  netbios name = " << options.netbiosName << "\n"
       << "  workgroup = VANTORTEST\n"
       << "  server role = standalone server\n"
       << "  server min protocol = NT1\n"
       << "  smb ports = " << port_ << "\n"
       << "  interfaces = 127.0.0.1\n"
       << "  bind interfaces only = yes\n"
       << "  lock directory = " << d << "/lock\n"
       << "  state directory = " << d << "/state\n"
       << "  cache directory = " << d << "/cache\n"
       << "  private dir = " << d << "/private\n"
       << "  pid directory = " << d << "/pid\n"
       << "  ncalrpc dir = " << d << "/ncalrpc\n"
       << "  log file = " << d << "/log.smbd\n"
       << "  load printers = no\n"
       << "  printcap name = /dev/null\n"
       << "  disable spoolss = yes\n"
       << "  map to guest = bad user\n";
  if (options.messageCommand)
    conf << "  message command = /bin/sh -c '(echo \"FROM=%f\"; /bin/cat %s; echo; echo \"--END--\") >> " << d
         << "/out/messages.txt; /bin/rm -f %s'\n";
  std::ofstream(dir_ / "smb.conf") << conf.str();

  std::string config = ConfigFile();
  std::string log = d + "/smbd.stdout";
  std::vector<std::string> args = {smbd, "--foreground", "--debug-stdout", "-s", config};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&fa, 1, 2);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, smbd.c_str(), &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) {
    why_ = "smbd could not be started";
    return false;
  }
  pid_ = pid;
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      std::ifstream in(log);
      std::ostringstream ss;
      ss << in.rdbuf();
      why_ = "smbd ended at start: " + ss.str().substr(0, 2000);
      return false;
    }
    if (Accepts(port_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  why_ = "smbd did not listen within 15 s";
  Stop();
  return false;
}

void PrivateSmbd::Stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

PrivateSmbd::~PrivateSmbd() {
  Stop();
  if (!dir_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
}

std::string PrivateSmbd::Messages() const {
  std::ifstream in(MessagesFile(), std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace vantor::test
