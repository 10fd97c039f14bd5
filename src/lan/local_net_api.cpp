// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/local_net_api.h"

#include "common/text.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace vantor::lan {

std::string NetbiosNameFromHostName(std::string_view hostName) {
  std::string_view label = hostName.substr(0, hostName.find('.'));
  std::string name = AsciiUpper(label);
  if (name.size() > 15) name.resize(15);
  return name;
}

LocalNetApi::LocalNetApi() {
  char host[HOST_NAME_MAX + 1] = {};
  if (::gethostname(host, sizeof host - 1) == 0) computer_ = NetbiosNameFromHostName(host);
}

const std::string& LocalNetApi::UserName() const {
  std::call_once(userLookedUp_, [this] { LookUpUser(); });
  return user_;
}

void LocalNetApi::LookUpUser() const {
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found) {
    user_ = found->pw_name;
    std::string gecos = found->pw_gecos ? found->pw_gecos : "";
    fullName_ = gecos.substr(0, gecos.find(','));
  } else if (const char* u = std::getenv("USER")) {
    user_ = u;
  }
}

void LocalNetApi::SetIdentity(std::string computer, std::string workgroup) {
  if (!computer.empty()) computer_ = std::move(computer);
  if (!workgroup.empty()) workgroup_ = std::move(workgroup);
}

bool LocalNetApi::IsLocal(std::string_view server) const {
  if (server.size() >= 2 && server[0] == '\\' && server[1] == '\\') server.remove_prefix(2);
  return server.empty() || EqualsNoCase(server, computer_);
}

Status LocalNetApi::NetMessageBufferSend(std::string_view server, std::string_view, std::string_view,
                                         std::u16string_view) {
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  return NERR_MsgNotStarted;
}

Status LocalNetApi::NetMessageNameAdd(std::string_view server, std::string_view) {
  return IsLocal(server) ? NERR_MsgNotStarted : ERROR_BAD_NETPATH;
}

Status LocalNetApi::NetMessageNameDel(std::string_view server, std::string_view) {
  return IsLocal(server) ? NERR_MsgNotStarted : ERROR_BAD_NETPATH;
}

Status LocalNetApi::NetMessageNameEnum(std::string_view server, std::uint32_t, std::uint32_t, NetBuffer<MsgInfo0>& out,
                                       std::uint32_t& totalEntries, std::uint32_t&) {
  out.Free();
  totalEntries = 0;
  return IsLocal(server) ? NERR_MsgNotStarted : ERROR_BAD_NETPATH;
}

Status LocalNetApi::NetSessionEnum(std::string_view server, std::string_view, std::string_view, std::uint32_t level,
                                   std::uint32_t, NetBuffer<SessionInfo10>& out, std::uint32_t& totalEntries,
                                   std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  resumeHandle = 0;
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  if (level != 10 && level != 0) return ERROR_INVALID_LEVEL;
  return NERR_Success;
}

Status LocalNetApi::NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t,
                                    std::uint32_t serverType, std::string_view domain,
                                    std::string_view firstNameToReturn, NetBuffer<ServerInfo101>& out,
                                    std::uint32_t& totalEntries) {
  out.Free();
  totalEntries = 0;
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  if (level != 100 && level != 101) return ERROR_INVALID_LEVEL;
  if (!domain.empty() && !EqualsNoCase(domain, workgroup_)) return NERR_Success;
  constexpr std::uint32_t kOwnType = sv_type::WORKSTATION | sv_type::SERVER | sv_type::NT;
  if ((serverType & kOwnType) == 0 || computer_.empty()) return NERR_Success;
  if (!firstNameToReturn.empty() && CompareNoCase(computer_, firstNameToReturn) < 0) return NERR_Success;
  ServerInfo101 self;
  self.name = computer_;
  self.type = kOwnType;
  out.Reset({self});
  totalEntries = 1;
  return NERR_Success;
}

Status LocalNetApi::NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                               std::uint32_t, std::uint32_t, NetBuffer<DisplayEntry>& out) {
  out.Free();
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  if (level != kDisplayUsers && level != kDisplayGroups) return ERROR_INVALID_LEVEL;
  if (level == kDisplayUsers && index == 0 && !UserName().empty()) out.Reset({{user_, {}, fullName_, 1000, 1}});
  return NERR_Success;
}

Status LocalNetApi::NetGroupGetUsers(std::string_view server, std::string_view, std::uint32_t, std::uint32_t,
                                     NetBuffer<GroupUsersInfo0>& out, std::uint32_t& totalEntries,
                                     std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  resumeHandle = 0;
  return IsLocal(server) ? NERR_GroupNotFound : ERROR_BAD_NETPATH;
}

Status LocalNetApi::NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) {
  domainNames.Free();
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  domainNames.Reset({'\0'});
  return NERR_Success;
}

Status LocalNetApi::NetGetDCName(std::string_view server, std::string_view, std::string& dcName) {
  dcName.clear();
  return IsLocal(server) ? NERR_DCNotFound : ERROR_BAD_NETPATH;
}

Status LocalNetApi::NetWkstaGetInfo(std::string_view server, std::uint32_t level, WkstaInfo100& info) {
  info = {};
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  if (level != 100) return ERROR_INVALID_LEVEL;
  info.computerName = computer_;
  info.langroup = workgroup_;
  return NERR_Success;
}

Status LocalNetApi::NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t, UserInfo2& info) {
  info = {};
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  if (UserName().empty() || userName != user_) return NERR_UserNotFound;
  info.name = user_;
  info.fullName = fullName_;
  return NERR_Success;
}

bool LocalNetApi::GetUserName(std::string& name) {
  name = UserName();
  return !name.empty();
}

bool LocalNetApi::GetComputerName(std::string& name) {
  name = computer_;
  return !name.empty();
}

std::string LocalNetApi::GetHostByName(std::string_view host) {
  // Only this computer's own name is looked up: a computer that is alone asks
  // no name server about other hosts.
  if (!EqualsNoCase(host, computer_) && !EqualsNoCase(host, "localhost")) return {};
  char own[HOST_NAME_MAX + 1] = {};
  if (::gethostname(own, sizeof own - 1) != 0) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* res = nullptr;
  std::string name = EqualsNoCase(host, "localhost") ? std::string("localhost") : std::string(own);
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &res) != 0 || !res) return {};
  char buf[INET_ADDRSTRLEN] = {};
  const auto* sin = reinterpret_cast<const sockaddr_in*>(res->ai_addr);
  std::string out = ::inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf) ? buf : "";
  ::freeaddrinfo(res);
  return out;
}

}  // namespace vantor::lan
