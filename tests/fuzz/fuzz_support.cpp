// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_support.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vantor::fuzz {

namespace {

std::atomic<std::uint16_t> g_redirectPort{0};

std::string MakeScratch() {
  std::string base;
  if (const char* t = std::getenv("TMPDIR"); t && *t) {
    base = t;
  } else if (::access("/dev/shm", W_OK) == 0) {
    base = "/dev/shm";  // tmpfs: the store targets write a database on every run
  } else {
    base = "/tmp";
  }
  std::string tmpl = base + "/vantor-fuzz-XXXXXX";
  if (!::mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  static std::string removeAtExit;
  removeAtExit = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(removeAtExit, ec);
  });
  return tmpl;
}

}  // namespace

std::uint8_t Input::Byte() {
  if (rest_.empty()) return 0;
  auto b = static_cast<std::uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  return b;
}

std::uint16_t Input::Be16() {
  std::uint16_t hi = Byte();
  return static_cast<std::uint16_t>((hi << 8) | Byte());
}

std::string Input::Take(std::size_t n) {
  std::string out(rest_.substr(0, n));
  rest_.remove_prefix(out.size());
  return out;
}

std::string Input::Line() {
  size_t nl = rest_.find('\n');
  std::string out(rest_.substr(0, nl));
  rest_.remove_prefix(nl == std::string_view::npos ? rest_.size() : nl + 1);
  return out;
}

std::string Input::Rest() { return Take(rest_.size()); }

const std::string& Scratch() {
  static const std::string dir = MakeScratch();
  return dir;
}

std::string ScratchFile(std::string_view name) { return Scratch() + "/" + std::string(name); }

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "\n==FINDING== %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void RedirectConnections(std::uint16_t port) { g_redirectPort = port; }

}  // namespace vantor::fuzz

// The wrapped socket calls (linked with --wrap). A fuzzed reply can name any
// address to connect to; none of them is ever used.
extern "C" {
int __real_connect(int fd, const sockaddr* addr, socklen_t len);

int __wrap_connect(int fd, const sockaddr* addr, socklen_t len) {
  std::uint16_t port = vantor::fuzz::g_redirectPort;
  if (port == 0 || !addr || addr->sa_family != AF_INET || len < sizeof(sockaddr_in)) {
    errno = ECONNREFUSED;
    return -1;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return __real_connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

ssize_t __wrap_sendto(int, const void*, size_t, int, const sockaddr*, socklen_t) {
  errno = ENETUNREACH;
  return -1;
}

int __wrap_getaddrinfo(const char*, const char*, const addrinfo*, addrinfo** res) {
  if (res) *res = nullptr;
  return EAI_FAIL;
}
}
