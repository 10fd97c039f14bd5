// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings of the Samba backend: our own file (lan.conf, "key = value"
// lines) and what we take from Samba's smb.conf when there is one. Our own
// file wins over smb.conf.

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::lan::samba {

inline constexpr const char* kConfigVariable = "VANTOR_LAN_CONF";
// Where received messages wait and the names they are received for are kept.
inline constexpr const char* kDefaultMessageSpool = "/var/spool/vantor";

class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class ResolveMethod { kLmhosts, kWins, kBroadcast, kDns };

// How directory calls log on: auto uses the Kerberos ticket when no
// credentials file is named, and lets Samba choose otherwise.
enum class KerberosUse { kAuto, kYes, kNo };

struct LanConfig {
  std::string netbiosName;  // empty: smb.conf's, else from the host name
  std::string workgroup;    // empty: smb.conf's, else WORKGROUP
  std::string codePage = "CP850";
  std::uint16_t smbPort = 139;
  std::uint16_t namePort = 137;
  std::uint16_t datagramPort = 138;
  std::chrono::milliseconds connectTimeout{3000};
  std::chrono::milliseconds replyTimeout{5000};
  std::chrono::milliseconds messageTimeout{10000};  // one message, name look-up to the end reply
  std::chrono::milliseconds nameTimeout{1500};
  std::vector<ResolveMethod> resolveOrder{ResolveMethod::kLmhosts, ResolveMethod::kWins, ResolveMethod::kBroadcast,
                                          ResolveMethod::kDns};
  std::string lmhostsFile = "/etc/samba/lmhosts";
  bool lmhostsRequired = false;                     // named in the file: then it must be readable
  std::optional<std::uint32_t> nameServer;          // IPv4, host order
  std::optional<std::uint32_t> broadcastAddress;    // IPv4, host order
  std::string sambaConfig = "/etc/samba/smb.conf";  // empty: none is read
  bool resolveOrderGiven = false;                   // else smb.conf's name resolve order
  // The backend the programs use when VANTOR_LAN is not set: "", "local",
  // "samba" or "sim:PATH".
  std::string backend;
  std::string credentialsFile;  // smbclient -A format; empty: the Kerberos ticket
  KerberosUse kerberos = KerberosUse::kAuto;
  // Whether the directory operations ask the domain through Samba's client
  // libraries (which use the system's name services); "no" answers them as
  // this computer alone.
  bool directory = true;
  std::chrono::milliseconds directoryTimeout{15000};
  // The message spool of this computer (message_names.h); empty: none, and
  // message aliases are kept for the run only.
  std::string messageSpool = kDefaultMessageSpool;
};

// Parses lan.conf text; fileName is used in the messages of ConfigError,
// which name the file and the line.
LanConfig ParseLanConfig(std::string_view text, const std::string& fileName);
// Reads a lan.conf. A missing file gives the defaults unless mustExist; a
// folder, a device or a file too large to be one throws ConfigError.
LanConfig LoadLanConfig(const std::string& path, bool mustExist);

// Where lan.conf is: $VANTOR_LAN_CONF, else $XDG_CONFIG_HOME/vantor/lan.conf,
// else ~/.config/vantor/lan.conf. explicitPath tells whether the variable named it.
std::string DefaultLanConfigPath(bool& explicitPath);

// What the backend uses from smb.conf's [global] section.
struct SmbConf {
  bool found = false;
  std::string workgroup;
  std::string netbiosName;
  std::string messageCommand;
  std::string serverMinProtocol;
  std::string smbPorts;
  std::string realm;
  std::string winsServer;
  std::string nameResolveOrder;
  std::string guestAccount;
  std::string unixCharset;
};
SmbConf ParseSmbConf(std::string_view text);
// found stays false when the file is missing or unreadable; a folder, a
// device or a file too large to be one throws ConfigError.
SmbConf ReadSmbConf(const std::string& path);

// True when smb.conf's minimum server protocol still lets old clients send
// messages (NT1 or older).
bool AllowsMessageProtocol(std::string_view serverMinProtocol);

}  // namespace vantor::lan::samba
