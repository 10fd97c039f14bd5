// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/enumerate.h"

#include "common/text.h"

#include <optional>
#include <utility>

namespace vantor::lan {

std::string ServerPath(std::string_view name) {
  if (name.empty()) return {};
  return "\\\\" + std::string(name);
}

ServerEnumeration::ServerEnumeration(NetApi& api, std::uint32_t typeMask, std::string_view domain)
    : m_api(api), m_typeMask(typeMask), m_domain(domain), m_first([this](NetBuffer<ServerInfo101>& out) {
        std::uint32_t total = 0;
        return m_api.NetServerEnumEx({}, 101, kServerPrefLen, m_typeMask, m_domain, {}, out, total);
      }) {}

Status ServerEnumeration::Run(const std::function<void(const ServerInfo101&)>& visit, const LoopOptions& options) {
  NetBuffer<ServerInfo101> buf, next;
  Status status = m_first.Take(buf);
  Status nextStatus = NERR_Success;
  std::string resumeName;
  for (bool firstBatch = true;; firstBatch = false) {
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    if (firstBatch && options.first) options.first();
    if (buf.empty() && status == ERROR_MORE_DATA) return ERROR_BAD_NET_RESP;
    // Names come in ascending order; a continued batch that does not get
    // past the name it was asked to start at would loop for ever.
    if (!firstBatch && (buf.empty() || CompareNoCase(buf.back().name, resumeName) <= 0)) return ERROR_BAD_NET_RESP;
    const std::string askedFrom = resumeName;
    if (!buf.empty()) resumeName = buf.back().name;
    std::optional<PendingCall> call;
    if (status == ERROR_MORE_DATA)
      call.emplace(options.ahead, [&, from = resumeName] {
        std::uint32_t total = 0;
        nextStatus = m_api.NetServerEnumEx({}, 101, kServerPrefLen, m_typeMask, m_domain, from, next, total);
      });
    else if (options.beforeLastBatch)
      options.beforeLastBatch();
    for (std::size_t i = 0; i < buf.size(); ++i) {
      // The platform starts a continued batch with the server it was asked to
      // begin at; that one was visited at the end of the batch before.
      if (!firstBatch && i == 0 && EqualsNoCase(buf[i].name, askedFrom)) continue;
      visit(buf[i]);
    }
    if (!call) return status;
    call->Finish();
    // Swapped, not moved: the next call fills the storage of this batch.
    std::swap(buf, next);
    status = nextStatus;
  }
}

DisplayEnumeration::DisplayEnumeration(NetApi& api, std::string_view server, std::uint32_t level)
    : m_api(api),
      m_server(server),
      m_level(level),
      m_prefLen(level == kDisplayGroups ? kGroupPrefLen : kUserPrefLen),
      m_first([this](NetBuffer<DisplayEntry>& out) {
        return m_api.NetQueryDisplayInformation(m_server, m_level, 0, kDisplayEntries, m_prefLen, out);
      }) {}

Status DisplayEnumeration::Run(const std::function<void(const DisplayEntry&)>& visit, const LoopOptions& options) {
  NetBuffer<DisplayEntry> buf, next;
  Status status = m_first.Take(buf);
  Status nextStatus = NERR_Success;
  std::uint32_t index = 0;
  for (bool firstBatch = true;; firstBatch = false) {
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    if (firstBatch && options.first) options.first();
    const bool more = status == ERROR_MORE_DATA;
    // A continued batch must move the index on, or the loop would never end.
    const bool stuck = more && (buf.empty() || buf.back().nextIndex <= index);
    std::optional<PendingCall> call;
    if (more && !stuck) {
      index = buf.back().nextIndex;
      call.emplace(options.ahead, [&, from = index] {
        nextStatus = m_api.NetQueryDisplayInformation(m_server, m_level, from, kDisplayEntries, m_prefLen, next);
      });
    } else if (options.beforeLastBatch) {
      options.beforeLastBatch();
    }
    for (const DisplayEntry& e : buf) visit(e);
    if (!more) return status;
    if (stuck) return ERROR_BAD_NET_RESP;
    call->Finish();
    // Swapped, not moved: the next call fills the storage of this batch.
    std::swap(buf, next);
    status = nextStatus;
  }
}

Status EnumerateServers(NetApi& api, std::uint32_t typeMask, std::string_view domain,
                        const std::function<void(const ServerInfo101&)>& visit, const FirstBatchHook& first,
                        CallAhead* ahead) {
  return ServerEnumeration(api, typeMask, domain).Run(visit, {first, ahead, {}});
}

Status EnumerateDisplay(NetApi& api, std::string_view server, std::uint32_t level,
                        const std::function<void(const DisplayEntry&)>& visit, const FirstBatchHook& first,
                        CallAhead* ahead) {
  return DisplayEnumeration(api, server, level).Run(visit, {first, ahead, {}});
}

Status EnumerateSessions(NetApi& api, std::string_view server, const std::function<void(const SessionInfo10&)>& visit,
                         const std::function<bool()>& keepGoing) {
  std::uint32_t resume = 0;
  for (;;) {
    NetBuffer<SessionInfo10> buf;
    std::uint32_t total = 0;
    std::uint32_t before = resume;
    Status status = api.NetSessionEnum(server, {}, {}, 10, kSessionPrefLen, buf, total, resume);
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    for (const SessionInfo10& s : buf) visit(s);
    if (status != ERROR_MORE_DATA) return status;
    if (buf.empty() && resume == before) return ERROR_BAD_NET_RESP;
    if (keepGoing && !keepGoing()) return status;
  }
}

Status EnumerateGroupUsers(NetApi& api, std::string_view server, std::string_view group,
                           const std::function<void(const std::string&)>& visit) {
  std::uint32_t resume = 0;
  for (;;) {
    NetBuffer<GroupUsersInfo0> buf;
    std::uint32_t total = 0;
    std::uint32_t before = resume;
    Status status = api.NetGroupGetUsers(server, group, 0, kGroupUsersPrefLen, buf, total, resume);
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    for (const GroupUsersInfo0& m : buf) visit(m.name);
    if (status != ERROR_MORE_DATA) return status;
    if (buf.empty() && resume == before) return ERROR_BAD_NET_RESP;
  }
}

Status EnumerateMessageNames(NetApi& api, const std::function<void(const std::string&)>& visit) {
  std::uint32_t resume = 0;
  for (;;) {
    NetBuffer<MsgInfo0> buf;
    std::uint32_t total = 0;
    std::uint32_t before = resume;
    Status status = api.NetMessageNameEnum({}, 0, kMessageNamePrefLen, buf, total, resume);
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    for (const MsgInfo0& m : buf) visit(m.name);
    if (status != ERROR_MORE_DATA) return status;
    if (buf.empty() && resume == before) return ERROR_BAD_NET_RESP;
  }
}

}  // namespace vantor::lan
