// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/enumerate.h"

#include "common/text.h"

namespace vantor::lan {

std::string ServerPath(std::string_view name) {
  if (name.empty()) return {};
  return "\\\\" + std::string(name);
}

Status EnumerateServers(NetApi& api, std::uint32_t typeMask, std::string_view domain,
                        const std::function<void(const ServerInfo101&)>& visit, const FirstBatchHook& first) {
  std::string resumeName;
  bool firstBatch = true;
  for (;;) {
    NetBuffer<ServerInfo101> buf;
    std::uint32_t total = 0;
    Status status = api.NetServerEnumEx({}, 101, kServerPrefLen, typeMask, domain, resumeName, buf, total);
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    if (firstBatch && first) first();
    if (buf.empty() && status == ERROR_MORE_DATA) return ERROR_BAD_NET_RESP;
    // Names come in ascending order; a continued batch that does not get
    // past the name it was asked to start at would loop for ever.
    if (!firstBatch && (buf.empty() || CompareNoCase(buf.back().name, resumeName) <= 0)) return ERROR_BAD_NET_RESP;
    for (std::size_t i = 0; i < buf.size(); ++i) {
      // The platform starts a continued batch with the server it was asked to
      // begin at; that one was visited at the end of the batch before.
      if (!firstBatch && i == 0 && EqualsNoCase(buf[i].name, resumeName)) continue;
      visit(buf[i]);
    }
    if (!buf.empty()) resumeName = buf.back().name;
    firstBatch = false;
    if (status != ERROR_MORE_DATA) return status;
  }
}

Status EnumerateDisplay(NetApi& api, std::string_view server, std::uint32_t level,
                        const std::function<void(const DisplayEntry&)>& visit, const FirstBatchHook& first) {
  std::uint32_t prefLen = level == kDisplayGroups ? kGroupPrefLen : kUserPrefLen;
  std::uint32_t index = 0;
  bool firstBatch = true;
  for (;;) {
    NetBuffer<DisplayEntry> buf;
    Status status = api.NetQueryDisplayInformation(server, level, index, kDisplayEntries, prefLen, buf);
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    if (firstBatch && first) first();
    firstBatch = false;
    for (const DisplayEntry& e : buf) visit(e);
    if (status != ERROR_MORE_DATA) return status;
    if (buf.empty() || buf.back().nextIndex <= index) return ERROR_BAD_NET_RESP;
    index = buf.back().nextIndex;
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
