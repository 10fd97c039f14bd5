// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/name_resolver.h"

#include "common/text.h"
#include "common/trace.h"
#include "lan/net_error_text.h"
#include "lan/samba/netbios.h"
#include "lan/samba/socket_io.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

namespace vantor::lan::samba {

std::vector<LmhostsEntry> ParseLmhosts(std::string_view text, const std::string& fileName) {
  std::vector<LmhostsEntry> entries;
  std::vector<std::string> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = TrimBlanks(lines[i]);
    if (line.empty() || line[0] == '#') continue;
    auto fail = [&](const std::string& what) {
      throw ConfigError(fileName + ":" + std::to_string(i + 1) + ": " + what);
    };
    std::size_t sp = line.find_first_of(" \t");
    if (sp == std::string_view::npos) fail("expected an address and a name, found \"" + std::string(line) + "\"");
    LmhostsEntry e;
    if (!ParseIpv4(line.substr(0, sp), e.address))
      fail("\"" + std::string(line.substr(0, sp)) + "\" is not an IPv4 address");
    std::string_view rest = TrimBlanks(line.substr(sp));
    std::string name;
    if (!rest.empty() && rest[0] == '"') {
      std::size_t close = rest.find('"', 1);
      if (close == std::string_view::npos) fail("the quoted name is not closed");
      name = std::string(rest.substr(1, close - 1));
    } else {
      name = std::string(rest.substr(0, rest.find_first_of(" \t")));
    }
    // NAME#1B: a name for one suffix only.
    if (name.size() > 3 && name[name.size() - 3] == '#') {
      std::string hex = name.substr(name.size() - 2);
      char* end = nullptr;
      long v = std::strtol(hex.c_str(), &end, 16);
      if (end && *end == '\0' && std::isxdigit(static_cast<unsigned char>(hex[0]))) {
        e.suffix = static_cast<std::uint8_t>(v);
        name.resize(name.size() - 3);
      }
    }
    if (name.empty()) fail("the name is empty");
    e.name = std::move(name);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::optional<std::uint32_t> FindInLmhosts(const std::vector<LmhostsEntry>& entries, std::string_view name,
                                           std::uint8_t suffix) {
  for (const LmhostsEntry& e : entries) {
    if (e.suffix && *e.suffix != suffix) continue;
    if (EqualsNoCase(e.name, name)) return e.address;
  }
  return std::nullopt;
}

namespace {

struct DnsLookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::optional<std::uint32_t> address;
};

// Letters, digits, hyphens and dots only: a NetBIOS name with other characters
// is no host name, and asking DNS about it only costs time.
bool LooksLikeHostName(std::string_view host) {
  if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-') return false;
  for (char c : host) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::optional<std::uint32_t> ResolveDns(const std::string& host, const Deadline& deadline) {
  if (!LooksLikeHostName(host)) return std::nullopt;
  auto lookup = std::make_shared<DnsLookup>();
  try {
    std::thread([lookup, host] {
      addrinfo hints{};
      hints.ai_family = AF_INET;
      hints.ai_socktype = SOCK_STREAM;
      addrinfo* res = nullptr;
      std::optional<std::uint32_t> found;
      if (::getaddrinfo(host.c_str(), nullptr, &hints, &res) == 0 && res) {
        const auto* sin = reinterpret_cast<const sockaddr_in*>(res->ai_addr);
        found = ntohl(sin->sin_addr.s_addr);
        ::freeaddrinfo(res);
      }
      std::lock_guard lock(lookup->mutex);
      lookup->address = found;
      lookup->finished = true;
      lookup->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread to be had: treat as not found rather than block
  }
  // Waits in short slices so that a cancel is noticed soon: the look-up
  // itself cannot be woken.
  constexpr auto kSlice = std::chrono::milliseconds(20);
  std::unique_lock lock(lookup->mutex);
  while (!lookup->finished) {
    if (deadline.Passed() || deadline.Cancelled()) return std::nullopt;
    auto until = std::min(deadline.End(), SteadyClock::now() + kSlice);
    lookup->done.wait_until(lock, until, [&] { return lookup->finished; });
  }
  return lookup->address;
}

Status NameResolver::QueryName(std::uint32_t server, bool broadcast, std::string_view wireName, std::uint8_t suffix,
                               std::uint32_t& address, const Deadline& limit) const {
  Fd fd;
  if (Status s = OpenUdp(broadcast, fd); s != NERR_Success) return s;
  thread_local std::minstd_rand rng(std::random_device{}());
  auto id = static_cast<std::uint16_t>(rng() & 0x7FFF);
  std::string encoded = EncodeNetbiosName(wireName, suffix);
  std::string request = NameQueryRequest(id, encoded, broadcast);
  Endpoint to{server, s_.namePort};
  // Three tries within the name time-out, as a lost datagram is normal.
  constexpr int kTries = 3;
  for (int t = 0; t < kTries; ++t) {
    if (Status s = SendTo(fd.Get(), to, request); s != NERR_Success) return s;
    Deadline deadline = limit.Within(s_.nameTimeout / kTries);
    for (;;) {
      // Checked here too: a stream of other hosts' packets never waits.
      if (limit.Cancelled()) return ERROR_REQUEST_ABORTED;
      if (limit.Passed()) return ERROR_TIMEOUT;
      if (deadline.Passed()) break;
      std::string packet;
      Endpoint from;
      Status s = RecvFrom(fd.Get(), deadline, packet, from);
      if (s == ERROR_TIMEOUT) continue;
      if (s != NERR_Success) return s;
      // A name server answers from its own address; a broadcast from anyone.
      if (!broadcast && from.address != server) continue;
      NameQueryAnswer a = ParseNameQueryResponse(packet, id, encoded);
      if (a.kind == NameQueryAnswer::Kind::kPositive) {
        address = a.address;
        return NERR_Success;
      }
      if (a.kind == NameQueryAnswer::Kind::kNegative && !broadcast) return NERR_NameNotFound;
      if (a.kind == NameQueryAnswer::Kind::kMalformed && !broadcast) return ERROR_BAD_NET_RESP;
    }
  }
  return ERROR_TIMEOUT;
}

namespace {

// "lmhosts", "name server 10.0.0.1" and the like, for the trace.
std::string MethodText(ResolveMethod m, const ResolverSettings& s) {
  switch (m) {
    case ResolveMethod::kLmhosts: return "lmhosts";
    case ResolveMethod::kWins:
      return s.nameServer ? "name server " + AddressText(*s.nameServer) : std::string("name server");
    case ResolveMethod::kBroadcast:
      return s.broadcastAddress ? "broadcast to " + AddressText(*s.broadcastAddress) : std::string("broadcast");
    case ResolveMethod::kDns: return "DNS";
  }
  return "?";
}

std::string AnswerText(Status s, std::uint32_t address) {
  if (s == NERR_Success) return AddressText(address);
  return "status " + std::to_string(s) + " (" + NetErrorText(s) + ")";
}

}  // namespace

Status NameResolver::Resolve(std::string_view name, std::string_view wireName, std::uint8_t suffix,
                             std::uint32_t& address, const Deadline& deadline) const {
  const bool tracing = trace::On();
  std::string traced;
  if (tracing) {
    char code[8];
    std::snprintf(code, sizeof code, "<%02X>", suffix);
    traced = "resolve " + trace::Quoted(name) + code + ": ";
  }
  for (ResolveMethod m : s_.order) {
    if (deadline.Cancelled()) return ERROR_REQUEST_ABORTED;
    if (deadline.Passed()) return ERROR_TIMEOUT;
    auto start = SteadyClock::now();
    // What the method answered: an address, "not found", or a status.
    Status s = NERR_NameNotFound;
    bool tried = true;
    switch (m) {
      case ResolveMethod::kLmhosts:
        if (auto a = FindInLmhosts(s_.lmhosts, name, suffix)) {
          address = *a;
          s = NERR_Success;
        }
        break;
      case ResolveMethod::kWins:
        tried = s_.nameServer.has_value();
        if (tried) s = QueryName(*s_.nameServer, false, wireName, suffix, address, deadline);
        break;
      case ResolveMethod::kBroadcast:
        tried = s_.broadcastAddress.has_value();
        if (tried) s = QueryName(*s_.broadcastAddress, true, wireName, suffix, address, deadline);
        break;
      case ResolveMethod::kDns:
        if (auto a = ResolveDns(std::string(name), deadline.Within(s_.dnsTimeout))) {
          address = *a;
          s = NERR_Success;
        }
        break;
    }
    if (tracing) {
      // lmhosts and DNS have no status of their own: they find the name or not.
      bool lookup = m == ResolveMethod::kLmhosts || m == ResolveMethod::kDns;
      std::string answer = s != NERR_Success && lookup ? std::string("not found") : AnswerText(s, address);
      trace::Line(
          traced + MethodText(m, s_) +
          (tried ? ": " + answer + " in " + trace::Elapsed(start) : std::string(": not configured, passed over")));
    }
    if (s == NERR_Success) return NERR_Success;
  }
  if (deadline.Cancelled()) return ERROR_REQUEST_ABORTED;
  return deadline.Passed() ? ERROR_TIMEOUT : NERR_NameNotFound;
}

}  // namespace vantor::lan::samba
