#pragma once
// The network as Samba servers and messenger hosts see it: messages travel
// over the wire (NetBIOS session, SMB1 message commands; a broadcast as a
// mailslot datagram). Operations other than the message ones answer as the
// local-only backend does.

#include "common/codepage.h"
#include "common/text.h"
#include "lan/local_net_api.h"
#include "lan/samba/name_resolver.h"
#include "lan/samba/samba_config.h"
#include "lan/samba/socket_io.h"

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

  // Ends every send under way (ERROR_REQUEST_ABORTED) and makes later ones fail at once.
  void CancelPendingCalls() override;
  // The message time-out of the settings.
  std::chrono::milliseconds SendTimeLimit() const override { return config_.messageTimeout; }
  std::string MessageCodePage() const override { return config_.codePage; }

  // True when this computer can receive messages: smb.conf gives a message
  // command and allows the old protocol, and smbd answers on one of its ports
  // on this computer.
  bool CanReceiveMessages() const;

  const LanConfig& Config() const { return config_; }

  // The most aliases one run keeps.
  static constexpr std::size_t kMaxAliases = 64;

 private:
  // A name in capitals in the wire's code page; false when it cannot be a NetBIOS name.
  bool WireName(std::string_view name, std::string& out) const;
  std::vector<std::string> EncodeText(std::u16string_view message) const;
  std::string EncodeLabel(std::string_view text) const;
  Status SendBroadcast(std::string_view domain, const std::string& from, std::u16string_view message);

  LanConfig config_;
  SmbConf smbConf_;
  TextCodec codec_;
  std::unique_ptr<NameResolver> resolver_;
  CancelSignal cancel_;
  mutable std::mutex aliasesMutex_;
  std::set<std::string, LessNoCase> aliases_;
};

}  // namespace vantor::lan::samba
