// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network-management operations both programs reach the network through.
// Each operation keeps the platform's call contract: the server is named with
// two leading backslashes or none (empty = this computer), enumerations take
// a level, a preferred length in bytes and a resume value, and every result
// is a status code (net_status.h). A call that returns ERROR_MORE_DATA (234)
// has returned a batch and expects to be called again with the resume value.
//
// Names cross the interface as UTF-8; the message text as UTF-16.
// Implementations are safe to call from several threads at once.

#include "lan/net_buffer.h"
#include "lan/net_status.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::lan {

struct SessionInfo10 {
  std::string cname;     // client computer, as the server reports it
  std::string username;  // empty when the session carries no user
  std::uint32_t time = 0;
  std::uint32_t idleTime = 0;
};

struct ServerInfo101 {
  std::uint32_t platformId = 500;
  std::string name;
  std::uint32_t versionMajor = 5;
  std::uint32_t versionMinor = 0;
  std::uint32_t type = 0;
  std::string comment;
};

// Level 1 (users) and level 3 (groups) of the display query share one shape.
struct DisplayEntry {
  std::string name;
  std::string comment;
  std::string fullName;  // users only
  std::uint32_t id = 0;
  std::uint32_t nextIndex = 0;  // the index to resume after this entry
};

struct GroupUsersInfo0 {
  std::string name;
};

struct MsgInfo0 {
  std::string name;
};

struct WkstaInfo100 {
  std::uint32_t platformId = 500;
  std::string computerName;
  std::string langroup;  // domain or workgroup
  std::uint32_t versionMajor = 5;
  std::uint32_t versionMinor = 1;
};

struct UserInfo2 {
  std::string name;
  std::string fullName;
  std::string comment;
};

// Levels the programs use.
inline constexpr std::uint32_t kDisplayUsers = 1;
inline constexpr std::uint32_t kDisplayGroups = 3;

class NetApi {
 public:
  virtual ~NetApi() = default;

  virtual Status NetMessageBufferSend(std::string_view server, std::string_view msgName, std::string_view fromName,
                                      std::u16string_view message) = 0;
  virtual Status NetMessageNameAdd(std::string_view server, std::string_view msgName) = 0;
  virtual Status NetMessageNameDel(std::string_view server, std::string_view msgName) = 0;
  // resumeHandle: 0 at first, then whatever the previous call left in it.
  virtual Status NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                    NetBuffer<MsgInfo0>& out, std::uint32_t& totalEntries,
                                    std::uint32_t& resumeHandle) = 0;

  virtual Status NetSessionEnum(std::string_view server, std::string_view clientName, std::string_view userName,
                                std::uint32_t level, std::uint32_t prefMaxLen, NetBuffer<SessionInfo10>& out,
                                std::uint32_t& totalEntries, std::uint32_t& resumeHandle) = 0;

  // A continued call names the last server of the previous batch in
  // firstNameToReturn; its batch then begins with that server again.
  virtual Status NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                 std::uint32_t serverType, std::string_view domain, std::string_view firstNameToReturn,
                                 NetBuffer<ServerInfo101>& out, std::uint32_t& totalEntries) = 0;

  // index: 0 at first, then the nextIndex of the last entry returned.
  virtual Status NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                            std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                            NetBuffer<DisplayEntry>& out) = 0;

  virtual Status NetGroupGetUsers(std::string_view server, std::string_view groupName, std::uint32_t level,
                                  std::uint32_t prefMaxLen, NetBuffer<GroupUsersInfo0>& out,
                                  std::uint32_t& totalEntries, std::uint32_t& resumeHandle) = 0;

  // A run of zero-terminated names ended by an empty name.
  virtual Status NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) = 0;

  // dcName receives the controller's name preceded by two backslashes.
  virtual Status NetGetDCName(std::string_view server, std::string_view domainName, std::string& dcName) = 0;

  virtual Status NetWkstaGetInfo(std::string_view server, std::uint32_t level, WkstaInfo100& info) = 0;

  virtual Status NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                                UserInfo2& info) = 0;

  // The own names as the operating system gives them, and a host's first
  // IPv4 address in dotted form (empty when the name is not found).
  virtual bool GetUserName(std::string& name) = 0;
  virtual bool GetComputerName(std::string& name) = 0;
  virtual std::string GetHostByName(std::string_view host) = 0;

  // Wakes calls that are waiting on the network, which then fail, and makes
  // later calls fail at once. Called when a program ends with calls still
  // under way on other threads, or when its own time for them is up.
  virtual void CancelPendingCalls() {}

  // The longest one NetMessageBufferSend takes, start to end; zero when the
  // backend sets no limit of its own.
  virtual std::chrono::milliseconds SendTimeLimit() const { return std::chrono::milliseconds::zero(); }

  // The character set message texts travel in (an iconv name); empty when
  // the text reaches the receiver as it was given.
  virtual std::string MessageCodePage() const { return {}; }
};

}  // namespace vantor::lan
