// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The continuation loops every enumeration runs: call, take the batch, call
// again with the resume value while the status is ERROR_MORE_DATA. Each loop
// passes every entry to a visitor and returns the final status; what was
// visited before a failure stays visited. The batch sizes and preferred
// lengths are those the programs always ask for.

#include "lan/call_ahead.h"
#include "lan/net_api.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vantor::lan {

inline constexpr std::uint32_t kServerPrefLen = 96000;
inline constexpr std::uint32_t kUserPrefLen = 96000;
inline constexpr std::uint32_t kGroupPrefLen = 80000;
inline constexpr std::uint32_t kDisplayEntries = 1000;
inline constexpr std::uint32_t kSessionPrefLen = 64000;
inline constexpr std::uint32_t kGroupUsersPrefLen = 16000;
inline constexpr std::uint32_t kMessageNamePrefLen = 512;

// Called once, when the first call has succeeded (status 0 or 234), before
// its entries are visited; listings write their header there.
using FirstBatchHook = std::function<void()>;

// With a CallAhead, the loops below ask for the next batch before they visit
// the current one, so the network and the visitor work at the same time. The
// calls and the visits keep their order; only their overlap changes.
struct LoopOptions {
  FirstBatchHook first;
  CallAhead* ahead = nullptr;
  // Called once, before the last batch is visited, when the loop knows that
  // it makes no further call: a caller with a CallAhead starts the first call
  // of its next enumeration there, so that call overlaps this visit.
  std::function<void()> beforeLastBatch;
};

// The first batch of a loop below: its call is made when the loop takes
// the batch, or started before that through a CallAhead, which leaves it on
// its way while the caller goes on. A started call is waited for when the
// batch is taken or, at the latest, on destruction.
template <class Entry>
class FirstBatch {
 public:
  using Call = std::function<Status(NetBuffer<Entry>&)>;
  explicit FirstBatch(Call call) : m_call(std::move(call)) {}
  void StartAhead(CallAhead& ahead) { Start(&ahead); }
  // The batch and its status, once.
  Status Take(NetBuffer<Entry>& into) {
    Start(nullptr);
    m_pending->Finish();
    into = std::move(m_buf);
    return m_status;
  }

 private:
  void Start(CallAhead* ahead) {
    if (!m_pending) m_pending.emplace(ahead, [this] { m_status = m_call(m_buf); });
  }

  Call m_call;
  NetBuffer<Entry> m_buf;
  Status m_status = NERR_Success;
  std::optional<PendingCall> m_pending;  // last: it writes into the above
};

// Servers of the domain (empty: the primary domain) whose type shares a bit
// with the mask, in the enumeration's order. A continued batch repeats the
// last server of the batch before; that repeat is not visited again.
class ServerEnumeration {
 public:
  ServerEnumeration(NetApi& api, std::uint32_t typeMask, std::string_view domain);
  void StartAhead(CallAhead& ahead) { m_first.StartAhead(ahead); }
  Status Run(const std::function<void(const ServerInfo101&)>& visit, const LoopOptions& options = {});

 private:
  NetApi& m_api;
  std::uint32_t m_typeMask;
  std::string m_domain;
  FirstBatch<ServerInfo101> m_first;
};

// Users (level 1) or groups (level 3) of the display query on a server.
class DisplayEnumeration {
 public:
  DisplayEnumeration(NetApi& api, std::string_view server, std::uint32_t level);
  void StartAhead(CallAhead& ahead) { m_first.StartAhead(ahead); }
  Status Run(const std::function<void(const DisplayEntry&)>& visit, const LoopOptions& options = {});

 private:
  NetApi& m_api;
  std::string m_server;
  std::uint32_t m_level;
  std::uint32_t m_prefLen;
  FirstBatch<DisplayEntry> m_first;
};

Status EnumerateServers(NetApi& api, std::uint32_t typeMask, std::string_view domain,
                        const std::function<void(const ServerInfo101&)>& visit, const FirstBatchHook& first = {},
                        CallAhead* ahead = nullptr);
Status EnumerateDisplay(NetApi& api, std::string_view server, std::uint32_t level,
                        const std::function<void(const DisplayEntry&)>& visit, const FirstBatchHook& first = {},
                        CallAhead* ahead = nullptr);

// Sessions on a server. keepGoing is asked before each continued call; the
// loop stops when it says no.
Status EnumerateSessions(NetApi& api, std::string_view server, const std::function<void(const SessionInfo10&)>& visit,
                         const std::function<bool()>& keepGoing = {});

// Member names of a group as the server gives them.
Status EnumerateGroupUsers(NetApi& api, std::string_view server, std::string_view group,
                           const std::function<void(const std::string&)>& visit);

// Message names registered on this computer.
Status EnumerateMessageNames(NetApi& api, const std::function<void(const std::string&)>& visit);

// "\\NAME" for a server name; empty stays empty (this computer).
std::string ServerPath(std::string_view name);

}  // namespace vantor::lan
