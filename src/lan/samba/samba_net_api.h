// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network as Samba servers and messenger hosts see it: messages travel
// over the wire (NetBIOS session, SMB1 message commands; a broadcast as a
// mailslot datagram). Directory operations aimed at another computer (users,
// groups, members, sessions, trusts, the controller, the computers of a
// domain) are answered by that computer through the directory helper, which
// runs Samba's client libraries; aimed at this computer they answer as the
// local-only backend does.

#include "common/codepage.h"
#include "common/text.h"
#include "lan/local_net_api.h"
#include "lan/samba/helper_pool.h"
#include "lan/samba/message_names.h"
#include "lan/samba/name_resolver.h"
#include "lan/samba/samba_config.h"
#include "lan/samba/socket_io.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace vantor::lan::samba {

class SambaNetApi : public LocalNetApi {
 public:
  // Throws ConfigError when a file the configuration names cannot be used.
  explicit SambaNetApi(LanConfig config);

  // Reads lan.conf from path (empty: the default place, see DefaultLanConfigPath).
  static std::unique_ptr<SambaNetApi> FromConfigFile(const std::string& path);

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
  Status NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                        UserInfo2& info) override;
  // Ends every call under way (sends with ERROR_REQUEST_ABORTED, directory
  // calls by ending their helpers) and makes later ones fail at once.
  void CancelPendingCalls() override;
  // The message time-out of the settings.
  std::chrono::milliseconds SendTimeLimit() const override { return config_.messageTimeout; }
  std::string MessageCodePage() const override { return config_.codePage; }

  // True when this computer can receive messages: smb.conf gives a message
  // command and allows the old protocol, and smbd answers on one of its ports
  // on this computer.
  bool CanReceiveMessages() const;

  const LanConfig& Config() const { return config_; }

  // The most aliases one run keeps when there is no message spool.
  static constexpr std::size_t kMaxAliases = 64;

 private:
  // name (UTF-8) in capitals, as far as the wire's code page has them.
  std::string Capitals(std::string_view name) const;
  // A name in capitals in the wire's code page; false when it cannot be a NetBIOS name.
  bool WireName(std::string_view name, std::string& out) const;
  std::vector<std::string> EncodeText(std::u16string_view message) const;
  std::string EncodeLabel(std::string_view text) const;
  Status SendBroadcast(std::string_view domain, const std::string& from, std::u16string_view message);

  // Directory (samba_directory.cpp).
  static SmbConf LoadSmbConf(LanConfig& config);
  void StartDirectory();
  Status Directory(const std::string& request, std::string& reply);
  Status FindController(std::string domain, std::string& dcName);

  LanConfig config_;
  SmbConf smbConf_;
  TextCodec codec_;
  std::unique_ptr<NameResolver> resolver_;
  CancelSignal cancel_;
  MessageNames names_;  // the spool's names: aliases that receive
  // Aliases used as sender names only: without a spool, or made of
  // characters that smbd would not hand on to the delivery helper.
  mutable std::mutex aliasesMutex_;
  std::set<std::string, LessNoCase> aliases_;

  std::unique_ptr<HelperPool> directory_;  // null: no helper, only this computer answers
  struct KnownController {
    Status status;
    std::string name;
    std::chrono::steady_clock::time_point when;
  };
  std::mutex controllersMutex_;
  std::map<std::string, KnownController, LessNoCase> controllers_;
};

}  // namespace vantor::lan::samba
