// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/samba_net_api.h"

#include "common/file_read.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/utf.h"
#include "lan/samba/message_session.h"
#include "lan/samba/netbios.h"
#include "lan/samba/smb_message.h"
#include "lan/samba/socket_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include <unistd.h>

namespace vantor::lan::samba {

namespace {

constexpr Status NERR_DelComputerName = 2278;
constexpr const char* kInvalidNameCharacters = "\\/:*?\"<>|";

// An lmhosts file of a large site has thousands of lines; far less than this.
constexpr std::size_t kMaxLmhostsBytes = 16u << 20;

std::vector<LmhostsEntry> LoadLmhosts(const LanConfig& c) {
  if (c.lmhostsFile.empty()) return {};
  std::string text;
  try {
    text = ReadRegularFile(c.lmhostsFile, kMaxLmhostsBytes);
  } catch (const FileError& e) {
    // The default file need not exist; one that is there must be a file.
    bool absent = e.problem() == FileProblem::kMissing || e.problem() == FileProblem::kUnreadable;
    if (absent && !c.lmhostsRequired) {
      if (trace::On()) trace::Line("lmhosts " + c.lmhostsFile + ": not read (" + e.reason() + ")");
      return {};
    }
    throw ConfigError(c.lmhostsFile + ": the lmhosts file " + e.phrase());
  }
  std::vector<LmhostsEntry> entries = ParseLmhosts(text, c.lmhostsFile);
  if (trace::On())
    trace::Line("lmhosts " + c.lmhostsFile + ": read, " + std::to_string(entries.size()) +
                (entries.size() == 1 ? " name" : " names"));
  return entries;
}

std::string StripBackslashes(std::string_view server) {
  if (server.size() >= 2 && server[0] == '\\' && server[1] == '\\') server.remove_prefix(2);
  return std::string(server);
}

// Line ends as the messenger shows them: CR LF, whatever the caller used.
std::string WithCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      out.push_back(c);
      continue;
    }
    out += "\r\n";
    // CR LF and LF CR are each one break; CR CR and LF LF are two.
    char pair = c == '\r' ? '\n' : '\r';
    if (i + 1 < text.size() && text[i + 1] == pair) ++i;
  }
  return out;
}

}  // namespace

SambaNetApi::SambaNetApi(LanConfig config)
    : config_(std::move(config)),
      smbConf_(LoadSmbConf(config_)),
      codec_(config_.codePage),
      names_(config_.messageSpool) {
  if (std::string why = CodePageProblem(config_.codePage); !why.empty())
    throw ConfigError("code page \"" + config_.codePage + "\" " + why + "; name a DOS code page such as CP850");
  ResolverSettings rs;
  rs.order = config_.resolveOrder;
  rs.lmhosts = LoadLmhosts(config_);
  rs.nameServer = config_.nameServer;
  rs.broadcastAddress = config_.broadcastAddress;
  rs.namePort = config_.namePort;
  rs.nameTimeout = config_.nameTimeout;
  rs.dnsTimeout = config_.connectTimeout;
  resolver_ = std::make_unique<NameResolver>(std::move(rs));

  std::string computer = !config_.netbiosName.empty() ? config_.netbiosName : smbConf_.netbiosName;
  std::string workgroup = !config_.workgroup.empty() ? config_.workgroup : smbConf_.workgroup;
  std::string upper = Capitals(computer);
  if (Utf8Length(upper) > kNetbiosNameMax) upper.clear();  // smb.conf allows longer; the network does not
  SetIdentity(upper, AsciiUpper(workgroup));
  StartDirectory();
}

std::unique_ptr<SambaNetApi> SambaNetApi::FromConfigFile(const std::string& path) {
  bool explicitPath = !path.empty();
  std::string where = explicitPath ? path : DefaultLanConfigPath(explicitPath);
  LanConfig config = where.empty() ? LanConfig{} : LoadLanConfig(where, explicitPath);
  return std::make_unique<SambaNetApi>(std::move(config));
}

std::string SambaNetApi::Capitals(std::string_view name) const {
  std::string upper;
  Utf8Decoder d(name);
  for (char32_t cp; d.Next(cp);) {
    char32_t u = SimpleUpper(cp);
    // A DOS system upper-cases within its code page: a letter whose capital
    // the code page lacks (µ and ÿ in CP850) stays as it is.
    if (u != cp && cp >= 0x80) {
      std::string capital;
      AppendUtf8(capital, u);
      if (codec_.FromUtf8(capital) == "?") u = cp;
    }
    AppendUtf8(upper, u);
  }
  return upper;
}

bool SambaNetApi::WireName(std::string_view name, std::string& out) const {
  out = codec_.FromUtf8(Capitals(name));
  if (out.empty() || out.size() > kNetbiosNameMax) return false;
  for (char c : out) {
    auto u = static_cast<unsigned char>(c);
    // '?' also stands for a character the code page lacks: such a name cannot be found.
    if (u < 0x20 || u == 0x7F || std::strchr(kInvalidNameCharacters, c)) return false;
  }
  return true;
}

std::string SambaNetApi::EncodeLabel(std::string_view text) const {
  std::string out = codec_.FromUtf8(text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  // Names in the start command are NetBIOS names: a longer one is cut
  // rather than sent as is (one byte is one character in the code page).
  if (out.size() > kNetbiosNameMax) out.resize(kNetbiosNameMax);
  return out;
}

std::vector<std::string> SambaNetApi::EncodeText(std::u16string_view message) const {
  std::string utf8 = WithCrLf(Utf16ToUtf8(message));
  std::vector<std::string> chars;
  chars.reserve(utf8.size());
  Utf8Decoder d(utf8);
  std::size_t before = 0;
  for (char32_t cp; d.Next(cp);) {
    std::string_view one = std::string_view(utf8).substr(before, d.Position() - before);
    before = d.Position();
    // A zero byte would end the text early at the receiver.
    chars.push_back(cp == 0 ? std::string("?") : codec_.FromUtf8(one));
  }
  return chars;
}

Status SambaNetApi::NetMessageBufferSend(std::string_view server, std::string_view msgName, std::string_view fromName,
                                         std::u16string_view message) {
  if (cancel_.Fired()) return ERROR_REQUEST_ABORTED;
  // One deadline for the whole message: the name look-up, the connection
  // and every exchange, however promptly the peer answers each of them.
  Deadline deadline(config_.messageTimeout, &cancel_);
  if (msgName.empty()) return ERROR_INVALID_PARAMETER;
  std::string from = EncodeLabel(fromName.empty() ? std::string_view(ComputerName()) : fromName);
  if (from.empty()) return ERROR_INVALID_PARAMETER;
  if (msgName.back() == '*') {
    if (!IsLocal(server)) return ERROR_NOT_SUPPORTED;
    return SendBroadcast(msgName.substr(0, msgName.size() - 1), from, message);
  }

  MessageDelivery d;
  if (!WireName(msgName, d.calledName)) return NERR_NameNotFound;
  if (!WireName(ComputerName(), d.callingName)) d.callingName = "VANTOR";
  d.from = std::move(from);
  d.to = EncodeLabel(msgName);
  d.blocks = SplitTextBlocks(EncodeText(message));
  d.connectTimeout = config_.connectTimeout;
  d.replyTimeout = config_.replyTimeout;
  d.peer.port = config_.smbPort;

  auto notFound = [](Status s, Status otherwise) {
    return s == ERROR_TIMEOUT || s == ERROR_REQUEST_ABORTED ? s : otherwise;
  };
  if (IsLocal(server)) {
    Status s = resolver_->Resolve(msgName, d.calledName, kSuffixMessenger, d.peer.address, deadline);
    if (s != NERR_Success) return notFound(s, NERR_NameNotFound);
  } else {
    // The named server takes the message and hands it on to the recipient.
    std::string host = StripBackslashes(server), hostWire;
    if (!WireName(host, hostWire)) return ERROR_BAD_NETPATH;
    constexpr std::uint8_t kSuffixServer = 0x20;
    Status s = resolver_->Resolve(host, hostWire, kSuffixServer, d.peer.address, deadline);
    if (s != NERR_Success) return notFound(s, ERROR_BAD_NETPATH);
  }
  return DeliverMessage(d, deadline);
}

void SambaNetApi::CancelPendingCalls() {
  cancel_.Fire();
  if (directory_) directory_->Cancel();
}

Status SambaNetApi::SendBroadcast(std::string_view domain, const std::string& from, std::u16string_view message) {
  // Only ever to an address the user configured: no guessing at the local network.
  if (!config_.broadcastAddress) return ERROR_NOT_SUPPORTED;
  std::string domainWire;
  if (!WireName(domain.empty() ? std::string_view(Workgroup()) : domain, domainWire)) return NERR_NameNotFound;

  std::vector<std::string> chars = EncodeText(message);
  std::size_t room = MailslotCapacity(kMessengerMailslot);
  std::size_t fixed = from.size() + domainWire.size() + 3;
  if (fixed >= room) return ERROR_INVALID_PARAMETER;
  std::string text;
  bool truncated = false;
  for (const std::string& ch : chars) {
    if (fixed + text.size() + ch.size() > room) {
      truncated = true;
      break;
    }
    text += ch;
  }

  Fd fd;
  if (Status s = OpenUdp(true, fd); s != NERR_Success) return s;
  Endpoint local;
  if (Status s = ConnectUdp(fd.Get(), {*config_.broadcastAddress, config_.datagramPort}, local); s != NERR_Success)
    return s;
  std::string computerWire;
  if (!WireName(ComputerName(), computerWire)) computerWire = "VANTOR";
  thread_local std::minstd_rand rng(std::random_device{}());
  std::string packet = DirectGroupDatagram(
      static_cast<std::uint16_t>(rng() & 0xFFFF), local.address, local.port,
      EncodeNetbiosName(computerWire, kSuffixWorkstation), EncodeNetbiosName(domainWire, kSuffixWorkstation),
      MailslotWrite(kMessengerMailslot, MessengerMailslotData(from, domainWire, text)));
  if (Status s = SendTo(fd.Get(), {*config_.broadcastAddress, config_.datagramPort}, packet); s != NERR_Success)
    return s;
  return truncated ? NERR_TruncatedBroadcast : NERR_Success;
}

// With a message spool, an alias that smbd can hand on is registered there,
// for this user and for good; any other alias is a sender name for the run.
Status SambaNetApi::NetMessageNameAdd(std::string_view server, std::string_view msgName) {
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  std::string wire;
  if (!WireName(msgName, wire)) return ERROR_INVALID_NAME;
  if (EqualsNoCase(msgName, ComputerName())) return NERR_AlreadyExists;
  if (AliasProblem(msgName).empty() && names_.Available()) {
    std::lock_guard lock(aliasesMutex_);
    if (aliases_.count(msgName)) return NERR_AlreadyExists;
    return names_.AddAlias(::geteuid(), msgName, ComputerName());
  }
  std::lock_guard lock(aliasesMutex_);
  if (aliases_.count(msgName)) return NERR_AlreadyExists;
  if (aliases_.size() >= kMaxAliases) return NERR_TooManyNames;
  aliases_.emplace(msgName);
  return NERR_Success;
}

Status SambaNetApi::NetMessageNameDel(std::string_view server, std::string_view msgName) {
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  if (EqualsNoCase(msgName, ComputerName())) return NERR_DelComputerName;
  {
    std::lock_guard lock(aliasesMutex_);
    if (auto it = aliases_.find(msgName); it != aliases_.end()) {
      aliases_.erase(it);
      return NERR_Success;
    }
  }
  if (names_.Available()) return names_.RemoveAlias(::geteuid(), msgName, ComputerName());
  return NERR_NameNotFound;
}

Status SambaNetApi::NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t,
                                       NetBuffer<MsgInfo0>& out, std::uint32_t& totalEntries,
                                       std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  resumeHandle = 0;
  if (!IsLocal(server)) return ERROR_BAD_NETPATH;
  if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
  if (!CanReceiveMessages()) return NERR_MsgNotStarted;
  // The computer's name, the users whose desktop sessions receive and every
  // registered alias. Sender-only aliases are announced by no one and
  // receive nothing, so they are not listed.
  std::vector<MsgInfo0> names{MsgInfo0{ComputerName()}};
  for (const MessageUser& u : names_.Users()) {
    if (u.loggedOn) names.push_back(MsgInfo0{u.name});
    for (const std::string& a : u.aliases) names.push_back(MsgInfo0{a});
  }
  totalEntries = static_cast<std::uint32_t>(names.size());
  out.Reset(std::move(names));
  return NERR_Success;
}

bool SambaNetApi::CanReceiveMessages() const {
  if (!smbConf_.found || TrimBlanks(smbConf_.messageCommand).empty()) return false;
  if (!AllowsMessageProtocol(smbConf_.serverMinProtocol)) return false;
  std::string ports = smbConf_.smbPorts.empty() ? std::string("445 139") : smbConf_.smbPorts;
  std::string token;
  auto answers = [&](const std::string& t) {
    auto port = ParseInt32(t);
    if (!port || *port < 1 || *port > 65535) return false;
    constexpr std::uint32_t kLoopback = 0x7F000001;
    Fd fd;
    auto timeout = std::min(config_.connectTimeout, std::chrono::milliseconds(1000));
    return ConnectTcp({kLoopback, static_cast<std::uint16_t>(*port)}, timeout, fd) == NERR_Success;
  };
  for (char c : ports + " ") {
    if (c == ' ' || c == ',' || c == '\t') {
      if (!token.empty() && answers(token)) return true;
      token.clear();
    } else {
      token.push_back(c);
    }
  }
  return false;
}

}  // namespace vantor::lan::samba
