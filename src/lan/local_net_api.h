// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network as seen by a computer that is alone: its own names come from
// the operating system, there is no domain controller and no other host, and
// no messenger service runs here, so sends fail with NERR_MsgNotStarted.

#include "lan/net_api.h"

#include <mutex>

namespace vantor::lan {

class LocalNetApi : public NetApi {
 public:
  LocalNetApi();

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

 protected:
  // True when the server names this computer (empty, or its own name).
  bool IsLocal(std::string_view server) const;
  const std::string& ComputerName() const { return computer_; }
  const std::string& UserName() const;
  const std::string& Workgroup() const { return workgroup_; }
  void SetIdentity(std::string computer, std::string workgroup);

 private:
  std::string computer_;
  // Looked up on first use: the account database is not read by a run that
  // never asks for the user.
  void LookUpUser() const;
  mutable std::once_flag userLookedUp_;
  mutable std::string user_;
  mutable std::string fullName_;
  std::string workgroup_ = "WORKGROUP";
};

// The computer name as the network knows it: the host name's first label in
// capitals, at most 15 characters.
std::string NetbiosNameFromHostName(std::string_view hostName);

}  // namespace vantor::lan
