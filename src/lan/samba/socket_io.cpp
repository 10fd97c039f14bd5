// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/socket_io.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vantor::lan::samba {

CancelSignal::CancelSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelSignal::~CancelSignal() {
  if (fd_ >= 0) ::close(fd_);
}

void CancelSignal::Fire() {
  if (fired_.exchange(true, std::memory_order_acq_rel)) return;
  // The counter stays non-zero: every later poll sees it readable too.
  if (fd_ >= 0) {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_, &one, sizeof one);
  }
}

Deadline Deadline::Within(std::chrono::milliseconds within) const {
  Deadline d(*this);
  auto step = SteadyClock::now() + within;
  if (step < d.end_) d.end_ = step;
  return d;
}

int Deadline::RemainingMs() const {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - SteadyClock::now()).count();
  if (left <= 0) return 0;
  return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

std::string AddressText(std::uint32_t address) {
  in_addr a{};
  a.s_addr = htonl(address);
  char buf[INET_ADDRSTRLEN] = {};
  return ::inet_ntop(AF_INET, &a, buf, sizeof buf) ? buf : "";
}

bool ParseIpv4(std::string_view text, std::uint32_t& address) {
  if (text.empty() || text.size() >= INET_ADDRSTRLEN) return false;
  std::string s(text);
  in_addr a{};
  if (::inet_pton(AF_INET, s.c_str(), &a) != 1) return false;
  address = ntohl(a.s_addr);
  return true;
}

Status SocketErrorStatus(int err) {
  switch (err) {
    case ECONNREFUSED: return ERROR_CONNECTION_REFUSED;
    case EHOSTUNREACH:
    case EHOSTDOWN: return ERROR_HOST_UNREACHABLE;
    case ENETUNREACH:
    case ENETDOWN:
    case EADDRNOTAVAIL: return ERROR_NETWORK_UNREACHABLE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE: return ERROR_NETNAME_DELETED;
    case EACCES:
    case EPERM: return ERROR_NETWORK_ACCESS_DENIED;
    case ENOMEM:
    case ENOBUFS: return ERROR_NOT_ENOUGH_MEMORY;
    default: return NERR_NetworkError;
  }
}

namespace {

sockaddr_in ToSockaddr(const Endpoint& e) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(e.address);
  sa.sin_port = htons(e.port);
  return sa;
}

// Waits for events on fd until the deadline or the deadline's cancel
// signal: NERR_Success when fd is ready (or err holds a poll error),
// ERROR_TIMEOUT or ERROR_REQUEST_ABORTED otherwise.
Status WaitFor(int fd, short events, const Deadline& deadline, int& err) {
  const CancelSignal* cancel = deadline.Cancel();
  for (;;) {
    if (cancel && cancel->Fired()) return ERROR_REQUEST_ABORTED;
    pollfd p[2] = {{fd, events, 0}, {cancel ? cancel->Fd() : -1, POLLIN, 0}};
    int r = ::poll(p, 2, deadline.RemainingMs());
    if (r > 0) {
      if (p[1].revents != 0) return ERROR_REQUEST_ABORTED;
      return NERR_Success;
    }
    if (r == 0) return ERROR_TIMEOUT;
    if (errno != EINTR) {
      err = errno;
      return NERR_Success;
    }
  }
}

}  // namespace

Status ConnectTcp(const Endpoint& peer, const Deadline& deadline, Fd& out) {
  if (deadline.Cancelled()) return ERROR_REQUEST_ABORTED;
  Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return SocketErrorStatus(errno);
  int one = 1;
  // Each request is one write answered before the next: no reason to hold bytes back.
  ::setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in sa = ToSockaddr(peer);
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) return SocketErrorStatus(errno);
    int err = 0;
    if (Status s = WaitFor(fd.Get(), POLLOUT, deadline, err); s != NERR_Success) return s;
    if (err != 0) return SocketErrorStatus(err);
    socklen_t len = sizeof err;
    if (::getsockopt(fd.Get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0) return SocketErrorStatus(errno);
    if (err != 0) return SocketErrorStatus(err);
  }
  out = std::move(fd);
  return NERR_Success;
}

Status SendAll(int fd, std::string_view bytes, const Deadline& deadline) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      int err = 0;
      if (Status s = WaitFor(fd, POLLOUT, deadline, err); s != NERR_Success) return s;
      if (err != 0) return SocketErrorStatus(err);
      continue;
    }
    return n == 0 ? ERROR_NETNAME_DELETED : SocketErrorStatus(errno);
  }
  return NERR_Success;
}

Status RecvExact(int fd, std::size_t n, const Deadline& deadline, std::string& out) {
  std::size_t start = out.size();
  out.resize(start + n);
  std::size_t done = 0;
  while (done < n) {
    ssize_t r = ::recv(fd, out.data() + start + done, n - done, 0);
    if (r > 0) {
      done += static_cast<std::size_t>(r);
      continue;
    }
    if (r == 0) {
      out.resize(start + done);
      return ERROR_NETNAME_DELETED;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      int err = 0;
      if (Status s = WaitFor(fd, POLLIN, deadline, err); s != NERR_Success) {
        out.resize(start + done);
        return s;
      }
      if (err != 0) {
        out.resize(start + done);
        return SocketErrorStatus(err);
      }
      continue;
    }
    int err = errno;
    out.resize(start + done);
    return SocketErrorStatus(err);
  }
  return NERR_Success;
}

Status OpenUdp(bool broadcast, Fd& out) {
  Fd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return SocketErrorStatus(errno);
  if (broadcast) {
    int one = 1;
    if (::setsockopt(fd.Get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0) return SocketErrorStatus(errno);
  }
  out = std::move(fd);
  return NERR_Success;
}

Status SendTo(int fd, const Endpoint& to, std::string_view bytes) {
  sockaddr_in sa = ToSockaddr(to);
  for (;;) {
    ssize_t n =
        ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (n == static_cast<ssize_t>(bytes.size())) return NERR_Success;
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? SocketErrorStatus(errno) : NERR_NetworkError;
  }
}

Status ConnectUdp(int fd, const Endpoint& to, Endpoint& local) {
  sockaddr_in sa = ToSockaddr(to);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) return SocketErrorStatus(errno);
  sockaddr_in me{};
  socklen_t len = sizeof me;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&me), &len) != 0) return SocketErrorStatus(errno);
  local.address = ntohl(me.sin_addr.s_addr);
  local.port = ntohs(me.sin_port);
  return NERR_Success;
}

Status RecvFrom(int fd, const Deadline& deadline, std::string& out, Endpoint& from) {
  char buf[1500];
  for (;;) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&sa), &len);
    if (n >= 0) {
      out.assign(buf, static_cast<std::size_t>(n));
      from.address = ntohl(sa.sin_addr.s_addr);
      from.port = ntohs(sa.sin_port);
      return NERR_Success;
    }
    if (errno == EINTR) continue;
    // A refused earlier send reports here on Linux; the caller keeps waiting for other answers.
    if (errno == ECONNREFUSED) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return SocketErrorStatus(errno);
    int err = 0;
    if (Status s = WaitFor(fd, POLLIN, deadline, err); s != NERR_Success) return s;
    if (err != 0) return SocketErrorStatus(err);
  }
}

}  // namespace vantor::lan::samba
