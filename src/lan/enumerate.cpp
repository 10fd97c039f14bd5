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

namespace {

// The call for a loop's next batch. With a CallAhead it is on its way while
// the loop visits the batch it has; without one it is made when finished.
// A started call writes into the loop's buffers, so it is always waited for
// before they go, even when a visitor throws.
class NextCall {
 public:
  NextCall(CallAhead* ahead, std::function<void()> call) : m_call(std::move(call)) {
    if (ahead) m_wait = ahead->Start(m_call);
  }
  NextCall(const NextCall&) = delete;
  NextCall& operator=(const NextCall&) = delete;
  ~NextCall() {
    if (m_wait) m_wait();
  }

  void Finish() {
    if (m_wait)
      std::exchange(m_wait, nullptr)();
    else
      m_call();
  }

 private:
  std::function<void()> m_call;
  std::function<void()> m_wait;
};

}  // namespace

Status EnumerateServers(NetApi& api, std::uint32_t typeMask, std::string_view domain,
                        const std::function<void(const ServerInfo101&)>& visit, const FirstBatchHook& first,
                        CallAhead* ahead) {
  std::string resumeName;
  NetBuffer<ServerInfo101> buf, next;
  std::uint32_t total = 0;
  Status status = api.NetServerEnumEx({}, 101, kServerPrefLen, typeMask, domain, resumeName, buf, total);
  Status nextStatus = NERR_Success;
  for (bool firstBatch = true;; firstBatch = false) {
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    if (firstBatch && first) first();
    if (buf.empty() && status == ERROR_MORE_DATA) return ERROR_BAD_NET_RESP;
    // Names come in ascending order; a continued batch that does not get
    // past the name it was asked to start at would loop for ever.
    if (!firstBatch && (buf.empty() || CompareNoCase(buf.back().name, resumeName) <= 0)) return ERROR_BAD_NET_RESP;
    const std::string askedFrom = resumeName;
    if (!buf.empty()) resumeName = buf.back().name;
    std::optional<NextCall> call;
    if (status == ERROR_MORE_DATA)
      call.emplace(ahead, [&, from = resumeName] {
        nextStatus = api.NetServerEnumEx({}, 101, kServerPrefLen, typeMask, domain, from, next, total);
      });
    for (std::size_t i = 0; i < buf.size(); ++i) {
      // The platform starts a continued batch with the server it was asked to
      // begin at; that one was visited at the end of the batch before.
      if (!firstBatch && i == 0 && EqualsNoCase(buf[i].name, askedFrom)) continue;
      visit(buf[i]);
    }
    if (!call) return status;
    call->Finish();
    buf = std::move(next);
    status = nextStatus;
  }
}

Status EnumerateDisplay(NetApi& api, std::string_view server, std::uint32_t level,
                        const std::function<void(const DisplayEntry&)>& visit, const FirstBatchHook& first,
                        CallAhead* ahead) {
  const std::uint32_t prefLen = level == kDisplayGroups ? kGroupPrefLen : kUserPrefLen;
  std::uint32_t index = 0;
  NetBuffer<DisplayEntry> buf, next;
  Status status = api.NetQueryDisplayInformation(server, level, index, kDisplayEntries, prefLen, buf);
  Status nextStatus = NERR_Success;
  for (bool firstBatch = true;; firstBatch = false) {
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    if (firstBatch && first) first();
    const bool more = status == ERROR_MORE_DATA;
    // A continued batch must move the index on, or the loop would never end.
    const bool stuck = more && (buf.empty() || buf.back().nextIndex <= index);
    std::optional<NextCall> call;
    if (more && !stuck) {
      index = buf.back().nextIndex;
      call.emplace(ahead, [&, from = index] {
        nextStatus = api.NetQueryDisplayInformation(server, level, from, kDisplayEntries, prefLen, next);
      });
    }
    for (const DisplayEntry& e : buf) visit(e);
    if (!more) return status;
    if (stuck) return ERROR_BAD_NET_RESP;
    call->Finish();
    buf = std::move(next);
    status = nextStatus;
  }
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
