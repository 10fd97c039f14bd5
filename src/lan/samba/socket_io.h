// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small, bounded socket operations: every wait has a deadline, every
// descriptor is closed on every path, and a peer that goes away shows up as a
// status, never as a signal.

#include "common/unique_fd.h"
#include "lan/net_status.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::lan::samba {

using Fd = vantor::UniqueFd;

using SteadyClock = std::chrono::steady_clock;

// Lets one thread end the waits of all others: once fired it stays fired,
// and every wait that watches it returns at once with ERROR_REQUEST_ABORTED.
class CancelSignal {
 public:
  CancelSignal();
  ~CancelSignal();
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;

  void Fire();
  bool Fired() const { return fired_.load(std::memory_order_acquire); }
  // Readable once fired; -1 when the system gave no descriptor (waits then
  // notice the signal only when they end).
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::atomic<bool> fired_{false};
};

class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds within, const CancelSignal* cancel = nullptr)
      : end_(SteadyClock::now() + within), cancel_(cancel) {}
  // The earlier of this deadline and within from now, watching the same signal.
  Deadline Within(std::chrono::milliseconds within) const;
  // Milliseconds left, rounded up, 0 once passed.
  int RemainingMs() const;
  bool Passed() const { return SteadyClock::now() >= end_; }
  SteadyClock::time_point End() const { return end_; }
  const CancelSignal* Cancel() const { return cancel_; }
  bool Cancelled() const { return cancel_ && cancel_->Fired(); }

 private:
  SteadyClock::time_point end_;
  const CancelSignal* cancel_ = nullptr;
};

// IPv4 address and port, both in host order.
struct Endpoint {
  std::uint32_t address = 0;
  std::uint16_t port = 0;
};

std::string AddressText(std::uint32_t address);
bool ParseIpv4(std::string_view text, std::uint32_t& address);

// The status for an errno value of a socket call.
Status SocketErrorStatus(int err);

// Connects by the deadline; a refused, unreachable or silent peer gives its status.
Status ConnectTcp(const Endpoint& peer, const Deadline& deadline, Fd& out);
inline Status ConnectTcp(const Endpoint& peer, std::chrono::milliseconds timeout, Fd& out) {
  return ConnectTcp(peer, Deadline(timeout), out);
}
Status SendAll(int fd, std::string_view bytes, const Deadline& deadline);
// Appends exactly n bytes to out; the peer closing first gives ERROR_NETNAME_DELETED.
Status RecvExact(int fd, std::size_t n, const Deadline& deadline, std::string& out);

// A UDP socket bound to an ephemeral port; broadcast allows sending to a broadcast address.
Status OpenUdp(bool broadcast, Fd& out);
Status SendTo(int fd, const Endpoint& to, std::string_view bytes);
// Fixes the UDP socket's peer and tells which local address and port the system chose for it.
Status ConnectUdp(int fd, const Endpoint& to, Endpoint& local);
// One datagram, or ERROR_TIMEOUT once the deadline passes.
Status RecvFrom(int fd, const Deadline& deadline, std::string& out, Endpoint& from);

}  // namespace vantor::lan::samba
