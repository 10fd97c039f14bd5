// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_peer.h"

#include "lan/samba/bytes.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantor::lan::samba::test {

bool PeerConnection::ReadExact(std::size_t n, std::string& out) {
  out.clear();
  while (out.size() < n) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) return false;
    char buf[4096];
    std::size_t want = std::min(sizeof buf, n - out.size());
    ssize_t r = ::recv(fd_, buf, want, 0);
    if (r <= 0) return false;
    out.append(buf, static_cast<std::size_t>(r));
  }
  return true;
}

bool PeerConnection::ReadFrame(std::uint8_t& type, std::string& body) {
  std::string h;
  if (!ReadExact(4, h)) return false;
  type = U8At(h, 0);
  std::size_t len = (static_cast<std::size_t>(U8At(h, 1) & 1) << 16) | Be16At(h, 2);
  return ReadExact(len, body);
}

void PeerConnection::Write(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

bool PeerConnection::AcceptSession() {
  std::uint8_t type;
  std::string body;
  if (!ReadFrame(type, body)) return false;
  Write(Frame(0x82, ""));
  return true;
}

FakePeer::FakePeer(Handler handler) : handler_(std::move(handler)) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  ::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  ::listen(listenFd_, 16);
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
  port_ = ntohs(sa.sin_port);
  acceptor_ = std::thread([this] { Serve(); });
}

FakePeer::~FakePeer() {
  stop_ = true;
  acceptor_.join();
  for (auto& w : workers_) w.join();
  ::close(listenFd_);
}

void FakePeer::Serve() {
  while (!stop_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    workers_.emplace_back([this, fd] {
      PeerConnection c(fd);
      handler_(c, *this);
      ::close(fd);
    });
  }
}

void FakePeer::Record(std::string what) {
  std::lock_guard lock(mutex_);
  recorded_.push_back(std::move(what));
}

std::vector<std::string> FakePeer::Recorded() const {
  std::lock_guard lock(mutex_);
  return recorded_;
}

std::string SmbReplyTo(const std::string& request, std::uint8_t errClass, std::uint16_t code,
                       std::vector<std::uint16_t> words) {
  std::string r = request.substr(0, 32);
  r[5] = static_cast<char>(errClass);
  r[6] = 0;
  r[7] = static_cast<char>(code & 0xFF);
  r[8] = static_cast<char>(code >> 8);
  r[9] = static_cast<char>(0x80);
  PutU8(r, static_cast<std::uint8_t>(words.size()));
  for (auto w : words) PutLe16(r, w);
  PutLe16(r, 0);
  return r;
}

std::string Frame(std::uint8_t type, const std::string& body) {
  std::string f;
  PutU8(f, type);
  PutU8(f, static_cast<std::uint8_t>((body.size() >> 16) & 1));
  PutBe16(f, static_cast<std::uint16_t>(body.size() & 0xFFFF));
  return f + body;
}

void MessengerHandler(PeerConnection& c, FakePeer& peer) {
  std::uint8_t type = 0;
  std::string body;
  if (!c.ReadFrame(type, body) || type != 0x81) return;
  peer.Record("session:" + body);
  c.Write(Frame(0x82, ""));
  while (c.ReadFrame(type, body)) {
    if (type != 0 || body.size() < 32) return;
    peer.Record(body);
    c.Write(
        Frame(0, SmbReplyTo(body, 0, 0,
                            U8At(body, 4) == 0xD5 ? std::vector<std::uint16_t>{0x77} : std::vector<std::uint16_t>{})));
  }
}

}  // namespace vantor::lan::samba::test
