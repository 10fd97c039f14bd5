// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/samba_config.h"

#include "common/codepage.h"
#include "common/file_read.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/utf.h"
#include "lan/samba/socket_io.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vantor::lan::samba {

namespace {

// Settings files are a few lines; anything near this size is not one.
constexpr std::size_t kMaxFileSize = 1 << 20;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// "Connect Timeout", "connect_timeout" and "connecttimeout" are one key.
std::string KeyOf(std::string_view raw) {
  std::string key;
  for (char c : raw) {
    if (c == ' ' || c == '\t' || c == '_' || c == '-') continue;
    key.push_back(AsciiLower(c));
  }
  return key;
}

class LineError {
 public:
  LineError(const std::string& file, std::size_t line) : prefix_(file + ":" + std::to_string(line) + ": ") {}
  [[noreturn]] void operator()(const std::string& what) const { throw ConfigError(prefix_ + what); }

 private:
  std::string prefix_;
};

std::string CheckedName(std::string_view value, std::string_view key, const LineError& fail) {
  if (!IsValidUtf8(value)) fail(std::string(key) + ": not valid UTF-8");
  if (Utf8Length(value) > 15) fail(std::string(key) + " \"" + std::string(value) + "\" is longer than 15 characters");
  for (char c : value) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || std::strchr("\\/:*?\"<>|", c))
      fail(std::string(key) + " \"" + std::string(value) + "\" holds a character a network name cannot hold");
  }
  return std::string(value);
}

std::uint16_t CheckedPort(std::string_view value, std::string_view key, const LineError& fail) {
  auto n = ParseInt32(value);
  if (!n || *n < 1 || *n > 65535)
    fail(std::string(key) + " must be a port number from 1 to 65535, not \"" + std::string(value) + "\"");
  return static_cast<std::uint16_t>(*n);
}

std::chrono::milliseconds CheckedDuration(std::string_view value, std::string_view key, const LineError& fail) {
  std::string v(TrimBlanks(value));
  double scale = 1000.0;
  if (v.size() > 2 && AsciiLower(v.substr(v.size() - 2)) == "ms") {
    scale = 1.0;
    v.resize(v.size() - 2);
  } else if (v.size() > 1 && AsciiLower(v.substr(v.size() - 1)) == "s") {
    v.resize(v.size() - 1);
  }
  v = std::string(TrimBlanks(v));
  // from_chars reads "2.5" the same in every locale (strtod would want
  // "2,5" under a German one).
  double d = -1;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
  double ms = d * scale;
  if (v.empty() || ec != std::errc() || end != v.data() + v.size() || !std::isfinite(ms) || ms < 10 || ms > 600000 ||
      v.find_first_not_of("0123456789.") != std::string::npos)
    fail(std::string(key) + " must be a time from 10 ms to 600 s (\"3\", \"2.5 s\" or \"500 ms\"), not \"" +
         std::string(value) + "\"");
  return std::chrono::milliseconds(static_cast<long long>(std::llround(ms)));
}

std::optional<std::uint32_t> CheckedAddress(std::string_view value, std::string_view key, const LineError& fail) {
  if (value.empty()) return std::nullopt;
  std::uint32_t a = 0;
  if (!ParseIpv4(value, a) || a == 0)
    fail(std::string(key) + " must be an IPv4 address such as 192.168.1.255, not \"" + std::string(value) + "\"");
  return a;
}

std::vector<ResolveMethod> CheckedOrder(std::string_view value, const LineError& fail) {
  std::vector<ResolveMethod> order;
  std::string token;
  auto flush = [&] {
    if (token.empty()) return;
    std::string t = AsciiLower(token);
    token.clear();
    ResolveMethod m;
    if (t == "lmhosts")
      m = ResolveMethod::kLmhosts;
    else if (t == "wins" || t == "nbns")
      m = ResolveMethod::kWins;
    else if (t == "bcast" || t == "broadcast")
      m = ResolveMethod::kBroadcast;
    else if (t == "dns" || t == "host")
      m = ResolveMethod::kDns;
    else
      fail("resolve order: \"" + t + "\" is not a method; use lmhosts, wins, bcast and dns");
    for (ResolveMethod seen : order)
      if (seen == m) fail("resolve order names \"" + t + "\" twice");
    order.push_back(m);
  };
  for (char c : value) {
    if (c == ' ' || c == '\t' || c == ',')
      flush();
    else
      token.push_back(c);
  }
  flush();
  if (order.empty()) fail("resolve order names no method; use lmhosts, wins, bcast and dns");
  return order;
}

std::string CheckedBackend(std::string_view value, const LineError& fail) {
  std::string v = AsciiLower(value);
  if (v == "local" || v == "samba") return v;
  if (v.substr(0, 4) == "sim:" && value.size() > 4) return "sim:" + std::string(value.substr(4));
  fail("backend must be local, samba or sim:PATH, not \"" + std::string(value) + "\"");
}

KerberosUse CheckedKerberos(std::string_view value, const LineError& fail) {
  std::string v = AsciiLower(value);
  if (v == "auto" || v == "desired") return KerberosUse::kAuto;
  if (v == "yes" || v == "required" || v == "true") return KerberosUse::kYes;
  if (v == "no" || v == "off" || v == "false") return KerberosUse::kNo;
  fail("kerberos must be auto, yes or no, not \"" + std::string(value) + "\"");
}

bool CheckedYesNo(std::string_view value, const char* key, const LineError& fail) {
  std::string v = AsciiLower(value);
  if (v == "yes" || v == "true" || v == "on" || v == "1") return true;
  if (v == "no" || v == "false" || v == "off" || v == "0") return false;
  fail(std::string(key) + " must be yes or no, not \"" + std::string(value) + "\"");
}

}  // namespace

LanConfig ParseLanConfig(std::string_view text, const std::string& fileName) {
  LanConfig c;
  // Editors on some systems begin a UTF-8 file with a byte-order mark.
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  std::vector<std::string> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    LineError fail(fileName, i + 1);
    std::string_view line = TrimBlanks(lines[i]);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) fail("expected \"key = value\", found \"" + std::string(line) + "\"");
    std::string rawKey(TrimBlanks(line.substr(0, eq)));
    std::string_view value = TrimBlanks(line.substr(eq + 1));
    std::string key = KeyOf(rawKey);
    if (key == "netbiosname") {
      c.netbiosName = CheckedName(value, "netbios name", fail);
    } else if (key == "workgroup") {
      c.workgroup = CheckedName(value, "workgroup", fail);
    } else if (key == "codepage" || key == "doscharset") {
      if (value.empty()) fail("code page is empty; name one such as CP850");
      if (std::string why = CodePageProblem(std::string(value)); !why.empty())
        fail("code page \"" + std::string(value) + "\" " + why + "; name a DOS code page such as CP850");
      c.codePage = std::string(value);
    } else if (key == "smbport") {
      c.smbPort = CheckedPort(value, "smb port", fail);
    } else if (key == "nameport") {
      c.namePort = CheckedPort(value, "name port", fail);
    } else if (key == "datagramport") {
      c.datagramPort = CheckedPort(value, "datagram port", fail);
    } else if (key == "connecttimeout") {
      c.connectTimeout = CheckedDuration(value, "connect timeout", fail);
    } else if (key == "replytimeout") {
      c.replyTimeout = CheckedDuration(value, "reply timeout", fail);
    } else if (key == "messagetimeout") {
      c.messageTimeout = CheckedDuration(value, "message timeout", fail);
    } else if (key == "nametimeout") {
      c.nameTimeout = CheckedDuration(value, "name timeout", fail);
    } else if (key == "resolveorder" || key == "nameresolveorder") {
      c.resolveOrder = CheckedOrder(value, fail);
      c.resolveOrderGiven = true;
    } else if (key == "lmhostsfile" || key == "lmhosts") {
      c.lmhostsFile = std::string(value);
      c.lmhostsRequired = !value.empty();
    } else if (key == "nameserver" || key == "winsserver") {
      c.nameServer = CheckedAddress(value, "name server", fail);
    } else if (key == "broadcastaddress") {
      c.broadcastAddress = CheckedAddress(value, "broadcast address", fail);
    } else if (key == "sambaconfig" || key == "smbconf") {
      c.sambaConfig = std::string(value);
    } else if (key == "backend") {
      c.backend = CheckedBackend(value, fail);
    } else if (key == "credentialsfile" || key == "authenticationfile") {
      c.credentialsFile = std::string(value);
    } else if (key == "kerberos" || key == "usekerberos") {
      c.kerberos = CheckedKerberos(value, fail);
    } else if (key == "directory") {
      c.directory = CheckedYesNo(value, "directory", fail);
    } else if (key == "directorytimeout") {
      c.directoryTimeout = CheckedDuration(value, "directory timeout", fail);
    } else if (key == "messagespool") {
      if (!value.empty() && value[0] != '/') fail("message spool must be an absolute path, not \"" + std::string(value) + "\"");
      c.messageSpool = std::string(value);
    } else {
      fail("unknown key \"" + rawKey + "\"");
    }
  }
  return c;
}

LanConfig LoadLanConfig(const std::string& path, bool mustExist) {
  try {
    LanConfig config = ParseLanConfig(ReadRegularFile(path, kMaxFileSize), path);
    if (trace::On()) trace::Line("lan.conf " + path + ": read");
    return config;
  } catch (const FileError& e) {
    if (e.problem() == FileProblem::kMissing && !mustExist) {
      if (trace::On()) trace::Line("lan.conf " + path + ": not found, the defaults apply");
      return LanConfig{};
    }
    throw ConfigError(e.what());
  }
}

std::string DefaultLanConfigPath(bool& explicitPath) {
  explicitPath = false;
  if (const char* p = std::getenv(kConfigVariable); p && *p) {
    explicitPath = true;
    return p;
  }
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return std::string(x) + "/vantor/lan.conf";
  if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/vantor/lan.conf";
  return {};
}

SmbConf ParseSmbConf(std::string_view text) {
  SmbConf conf;
  conf.found = true;
  bool global = true;  // lines before any section belong to [global]
  std::vector<std::string> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line(TrimBlanks(lines[i]));
    // A trailing backslash joins the next line.
    while (!line.empty() && line.back() == '\\' && i + 1 < lines.size()) {
      line.pop_back();
      line += std::string(TrimBlanks(lines[++i]));
    }
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      std::size_t close = line.find(']');
      global = close != std::string::npos && KeyOf(line.substr(1, close - 1)) == "global";
      continue;
    }
    std::size_t eq = line.find('=');
    if (!global || eq == std::string::npos) continue;
    std::string key = KeyOf(line.substr(0, eq));
    std::string value(TrimBlanks(std::string_view(line).substr(eq + 1)));
    if (key == "workgroup")
      conf.workgroup = value;
    else if (key == "netbiosname")
      conf.netbiosName = value;
    else if (key == "messagecommand")
      conf.messageCommand = value;
    else if (key == "serverminprotocol" || key == "minprotocol")
      conf.serverMinProtocol = value;
    else if (key == "smbports")
      conf.smbPorts = value;
    else if (key == "guestaccount")
      conf.guestAccount = value;
    else if (key == "unixcharset")
      conf.unixCharset = value;
  }
  return conf;
}

SmbConf ReadSmbConf(const std::string& path) {
  if (path.empty()) return {};
  try {
    return ParseSmbConf(ReadRegularFile(path, kMaxFileSize));
  } catch (const FileError& e) {
    // Samba need not be installed; a file that is there but is not one is
    // a mistake in the settings.
    if (e.problem() == FileProblem::kMissing || e.problem() == FileProblem::kUnreadable) return {};
    throw ConfigError("Samba configuration " + std::string(e.what()));
  }
}

bool AllowsMessageProtocol(std::string_view serverMinProtocol) {
  std::string p = AsciiUpper(TrimBlanks(serverMinProtocol));
  return p == "CORE" || p == "COREPLUS" || p == "LANMAN1" || p == "LANMAN2" || p == "NT1";
}

}  // namespace vantor::lan::samba
