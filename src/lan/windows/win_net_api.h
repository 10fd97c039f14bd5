// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network operations answered by Windows itself: netapi32 for the
// network-management calls, Winsock for host addresses, and the system's
// own user and computer names. A thin layer: arguments are converted between
// UTF-8 and UTF-16, each returned buffer is copied into the caller's
// NetBuffer and released at once, on every path, and statuses pass through
// as the system gives them. A call that the system only stubs (as Wine does
// for some) gives ERROR_CALL_NOT_IMPLEMENTED instead of ending the program.

#include "lan/net_api.h"

namespace vantor::lan::win {

class WinNetApi final : public NetApi {
 public:
  Status NetMessageBufferSend(std::string_view server, std::string_view msgName, std::string_view fromName,
                              std::u16string_view message) override;
  Status NetMessageNameAdd(std::string_view server, std::string_view msgName) override;
  Status NetMessageNameDel(std::string_view server, std::string_view msgName) override;
  Status NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                            NetBuffer<MsgInfo0>& out, std::uint32_t& totalEntries,
                            std::uint32_t& resumeHandle) override;
  Status NetSessionEnum(std::string_view server, std::string_view clientName, std::string_view userName,
                        std::uint32_t level, std::uint32_t prefMaxLen, NetBuffer<SessionInfo10>& out,
                        std::uint32_t& totalEntries, std::uint32_t& resumeHandle) override;
  Status NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                         std::uint32_t serverType, std::string_view domain, std::string_view firstNameToReturn,
                         NetBuffer<ServerInfo101>& out, std::uint32_t& totalEntries) override;
  Status NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                    std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                    NetBuffer<DisplayEntry>& out) override;
  Status NetGroupGetUsers(std::string_view server, std::string_view groupName, std::uint32_t level,
                          std::uint32_t prefMaxLen, NetBuffer<GroupUsersInfo0>& out, std::uint32_t& totalEntries,
                          std::uint32_t& resumeHandle) override;
  Status NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) override;
  Status NetGetDCName(std::string_view server, std::string_view domainName, std::string& dcName) override;
  Status NetWkstaGetInfo(std::string_view server, std::uint32_t level, WkstaInfo100& info) override;
  Status NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                        UserInfo2& info) override;
  bool GetUserName(std::string& name) override;
  bool GetComputerName(std::string& name) override;
  std::string GetHostByName(std::string_view host) override;
};

}  // namespace vantor::lan::win
