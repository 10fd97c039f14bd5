// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds the IPv4 address of a NetBIOS name by the methods the user orders:
// an lmhosts file, a query to the configured name server, a query broadcast
// to the configured broadcast address, and DNS. Every method is bounded in
// time; a method that is not configured is passed over.

#include "lan/net_status.h"
#include "lan/samba/samba_config.h"
#include "lan/samba/socket_io.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::lan::samba {

struct LmhostsEntry {
  std::uint32_t address = 0;
  std::string name;                    // as written (UTF-8)
  std::optional<std::uint8_t> suffix;  // "NAME#03" restricts an entry to one suffix
};

// Parses lmhosts text: "ADDRESS NAME" per line, the name optionally quoted,
// anything after it and lines beginning with '#' ignored. A line that does
// not begin with an IPv4 address throws ConfigError naming file and line.
std::vector<LmhostsEntry> ParseLmhosts(std::string_view text, const std::string& fileName);
// The first entry for name (letter case ignored) and suffix.
std::optional<std::uint32_t> FindInLmhosts(const std::vector<LmhostsEntry>& entries, std::string_view name,
                                           std::uint8_t suffix);

// DNS look-up of a host name with a time limit: the look-up runs on a helper
// thread that is left to finish on its own when the time is up or the
// deadline's signal fires.
std::optional<std::uint32_t> ResolveDns(const std::string& host, const Deadline& deadline);
inline std::optional<std::uint32_t> ResolveDns(const std::string& host, std::chrono::milliseconds timeout) {
  return ResolveDns(host, Deadline(timeout));
}

struct ResolverSettings {
  std::vector<ResolveMethod> order;
  std::vector<LmhostsEntry> lmhosts;
  std::optional<std::uint32_t> nameServer;
  std::optional<std::uint32_t> broadcastAddress;
  std::uint16_t namePort = 137;
  std::chrono::milliseconds nameTimeout{1500};
  std::chrono::milliseconds dnsTimeout{3000};
};

class NameResolver {
 public:
  explicit NameResolver(ResolverSettings settings) : s_(std::move(settings)) {}

  // name: as the user gave it (UTF-8); wireName: in capitals, in the wire's
  // code page, for the name queries. NERR_NameNotFound when no method knows
  // it; ERROR_TIMEOUT or ERROR_REQUEST_ABORTED when the deadline ended the
  // search first. Every method's own time-out is cut short by the deadline.
  Status Resolve(std::string_view name, std::string_view wireName, std::uint8_t suffix, std::uint32_t& address,
                 const Deadline& deadline) const;

  // One name query to server (unicast) or to a broadcast address.
  Status QueryName(std::uint32_t server, bool broadcast, std::string_view wireName, std::uint8_t suffix,
                   std::uint32_t& address, const Deadline& deadline) const;

 private:
  ResolverSettings s_;
};

}  // namespace vantor::lan::samba
