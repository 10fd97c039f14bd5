// SPDX-License-Identifier: GPL-3.0-or-later
// A whole message session against a peer whose replies are the fuzzed bytes:
// the session request, the start, text and end commands with their replies,
// keep-alives, redirections. The peer on 127.0.0.1 writes its bytes at once
// and closes its side; every connection the session opens reaches it (the
// first gets the first part of the input, a redirected one the rest), so no
// fuzzed address is ever dialled. The session ends with a status.
//
// Input: the number of text blocks (byte, modulo 4), each block as a length
// byte (at most 127 taken) and its bytes; the length of the first
// connection's replies (big-endian) and those bytes; the rest for a second.
#include "lan/samba/message_session.h"
#include "fuzz_support.h"
#include "lan/samba/netbios.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace {

using namespace vantor;
using namespace vantor::lan;
using namespace vantor::lan::samba;
using namespace std::chrono_literals;

class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
      fuzz::Fail("no loopback listener");
    }
    port_ = ntohs(sa.sin_port);
    fuzz::RedirectConnections(port_);
  }
  int fd() const { return fd_; }
  std::uint16_t port() const { return port_; }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// Wakes the peer at once when the session has ended.
class Wake {
 public:
  Wake() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fuzz::Fail("no pipe");
  }
  int fd() const { return fds_[0]; }
  void Signal() { (void)!::write(fds_[1], "x", 1); }
  void Clear() {
    char buf[16];
    while (::read(fds_[0], buf, sizeof buf) > 0) {
    }
  }

 private:
  int fds_[2] = {-1, -1};
};

// Waits for fd to become readable; false when the session has ended first.
bool WaitFor(int fd, int wakeFd) {
  pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  while (::poll(p, 2, -1) < 0) {
  }
  return (p[1].revents & POLLIN) == 0;
}

// Serves each connection of one session with its part of the replies.
void Serve(int listenFd, int wakeFd, const std::vector<std::string>& parts) {
  for (const std::string& part : parts) {
    if (!WaitFor(listenFd, wakeFd)) return;
    int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    for (std::size_t sent = 0; sent < part.size();) {
      ssize_t n = ::send(fd, part.data() + sent, part.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    // Reads what the session sends until it closes its side or ends.
    char buf[4096];
    while (WaitFor(fd, wakeFd) && ::recv(fd, buf, sizeof buf, 0) > 0) {
    }
    ::close(fd);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Listener listener;
  fuzz::Input in(data, size);
  MessageDelivery d;
  d.peer = {0x0A000001, 139};  // any address: the connection reaches the listener
  d.calledName = "PEER";
  d.callingName = "DESK";
  d.from = "alice";
  d.to = "PEER";
  for (int n = in.Byte() % 4; n > 0; --n) d.blocks.push_back(in.Take(in.Byte() % 128));
  d.connectTimeout = 200ms;
  d.replyTimeout = 200ms;
  std::vector<std::string> parts;
  parts.push_back(in.Take(in.Be16()));
  parts.push_back(in.Rest());

  static Wake wake;
  std::thread peer(Serve, listener.fd(), wake.fd(), std::cref(parts));
  // The message's own deadline ends a peer that stalls; a session that hangs
  // past it anyway is caught by libFuzzer's -timeout.
  Status s = DeliverMessage(d, Deadline(2s));
  wake.Signal();
  peer.join();
  wake.Clear();
  if (s == NERR_Success && parts[0].size() < 4) fuzz::Fail("delivered without a session response");
  return 0;
}
