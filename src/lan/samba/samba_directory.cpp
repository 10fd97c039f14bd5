// SPDX-License-Identifier: GPL-3.0-or-later
// The directory side of the samba backend: every operation that asks
// another computer about users, groups, sessions, trusts and computers goes
// through the directory helper (helper_pool.h), which runs Samba's client
// libraries in a process of its own.

#include "common/text.h"
#include "common/trace.h"
#include "lan/net_error_text.h"
#include "lan/samba/credentials_file.h"
#include "common/file_read.h"
#include "lan/samba/helper_protocol.h"
#include "lan/samba/samba_net_api.h"
#include "lan/samba/socket_io.h"

#include <algorithm>

namespace vantor::lan::samba {

namespace {

using helper::FieldReader;
using helper::FieldWriter;
using helper::Op;

// How long a found (or missing) controller is believed.
constexpr auto kControllerLife = std::chrono::seconds(60);

std::string HostOf(std::string_view server) {
  if (server.size() >= 2 && server[0] == '\\' && server[1] == '\\') server.remove_prefix(2);
  return std::string(server);
}

FieldWriter Request(Op op) { return std::move(FieldWriter().U32(static_cast<std::uint32_t>(op))); }

// The methods of smb.conf's "name resolve order" that we have.
std::vector<ResolveMethod> SambaResolveOrder(std::string_view text) {
  std::vector<ResolveMethod> order;
  std::string token;
  auto flush = [&] {
    std::string t = AsciiLower(token);
    token.clear();
    ResolveMethod m;
    if (t == "lmhosts")
      m = ResolveMethod::kLmhosts;
    else if (t == "wins")
      m = ResolveMethod::kWins;
    else if (t == "bcast")
      m = ResolveMethod::kBroadcast;
    else if (t == "host")
      m = ResolveMethod::kDns;
    else
      return;
    if (std::find(order.begin(), order.end(), m) == order.end()) order.push_back(m);
  };
  for (char c : std::string(text) + " ") {
    if (c == ' ' || c == '\t' || c == ',') {
      if (!token.empty()) flush();
    } else {
      token.push_back(c);
    }
  }
  return order;
}

}  // namespace

SmbConf SambaNetApi::LoadSmbConf(LanConfig& config) {
  if (config.sambaConfig.empty()) return {};
  // Samba need not be installed; a path that is there but is not a file is
  // a mistake in the settings, whoever reads it.
  FileProblem problem;
  std::string reason;
  if (FileStatusProblem(config.sambaConfig, problem, reason)) {
    if (problem == FileProblem::kMissing || problem == FileProblem::kUnreadable) {
      if (trace::On()) trace::Line("smb.conf " + config.sambaConfig + ": not read (" + reason + ")");
      return {};
    }
    throw ConfigError(std::string("Samba configuration ") + FileError(config.sambaConfig, problem, reason).what());
  }
  std::string program = HelperPool::FindProgram();
  if (program.empty()) {
    if (trace::On()) trace::Line("smb.conf " + config.sambaConfig + ": read by our own reader (no directory helper)");
    return ReadSmbConf(config.sambaConfig);
  }
  // Samba's own reading of smb.conf (includes, defaults, every spelling),
  // done by the helper; our reader stands in only when it is missing.
  static const char* const kNames[] = {"workgroup", "netbios name", "message command", "server min protocol",
                                       "smb ports", "realm",        "wins server",     "name resolve order"};
  FieldWriter request = Request(Op::kSambaConfig);
  request.Str(config.sambaConfig).U32(std::size(kNames));
  for (const char* n : kNames) request.Str(n);
  HelperOptions options;
  options.program = program;
  options.timeout = std::min(config.directoryTimeout, std::chrono::milliseconds(10000));
  options.maxProcesses = 1;
  options.maxIdle = 0;
  SmbConf conf;
  {
    HelperPool once(options);
    std::string reply;
    Status called = once.Call(request.Take(), reply);
    FieldReader in(reply);
    std::uint32_t status = 0, count = 0;
    if (called == NERR_Success && !in.U32(status)) status = ERROR_BAD_NET_RESP;
    if (trace::On()) {
      Status shown = called != NERR_Success ? called : status;
      trace::Line("smb.conf " + config.sambaConfig + ": read by Samba's own reader (" + program + "): status " +
                  std::to_string(shown) + " (" + NetErrorText(shown) + ")");
    }
    if (called != NERR_Success) return conf;  // not readable: nothing from it
    std::vector<std::string> v(std::size(kNames));
    if (status != NERR_Success || !in.U32(count) || count != v.size()) return conf;
    for (std::string& s : v)
      if (!in.Str(s)) return conf;
    conf.found = true;
    conf.workgroup = v[0];
    conf.netbiosName = v[1];
    conf.messageCommand = v[2];
    conf.serverMinProtocol = v[3];
    conf.smbPorts = v[4];
    conf.realm = v[5];
    conf.winsServer = v[6];
    conf.nameResolveOrder = v[7];
  }
  // Name settings that lan.conf leaves open come from Samba's.
  if (!config.nameServer) {
    std::string first = conf.winsServer.substr(0, conf.winsServer.find_first_of(" ,\t"));
    std::uint32_t a = 0;
    if (!first.empty() && ParseIpv4(first, a) && a != 0) config.nameServer = a;
  }
  if (!config.resolveOrderGiven) {
    std::vector<ResolveMethod> order = SambaResolveOrder(conf.nameResolveOrder);
    if (!order.empty()) config.resolveOrder = std::move(order);
  }
  return conf;
}

void SambaNetApi::StartDirectory() {
  if (!config_.directory) return;
  HelperOptions options;
  options.program = HelperPool::FindProgram();
  if (options.program.empty()) return;
  Credentials c;
  if (!config_.credentialsFile.empty()) c = LoadCredentialsFile(config_.credentialsFile);
  helper::Kerberos kerberos = helper::Kerberos::kDesired;
  if (config_.kerberos == KerberosUse::kYes) kerberos = helper::Kerberos::kRequired;
  if (config_.kerberos == KerberosUse::kNo) kerberos = helper::Kerberos::kDisabled;
  std::string domain = !c.domain.empty() ? c.domain : Workgroup();
  auto seconds = static_cast<std::uint32_t>(std::max<long long>(1, config_.directoryTimeout.count() / 1000));
  options.hello = Request(Op::kHello)
                      .Str(c.user)
                      .Str(domain)
                      .Str(c.password)
                      .U32(static_cast<std::uint32_t>(kerberos))
                      .U32(seconds)
                      .Take();
  options.timeout = config_.directoryTimeout;
  directory_ = std::make_unique<HelperPool>(std::move(options));
}

Status SambaNetApi::Directory(const std::string& request, std::string& reply) {
  if (!directory_) return ERROR_SERVICE_NOT_ACTIVE;
  return directory_->Call(request, reply);
}

Status SambaNetApi::FindController(std::string domain, std::string& dcName) {
  dcName.clear();
  if (domain.empty()) domain = Workgroup();
  auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard lock(controllersMutex_);
    auto it = controllers_.find(domain);
    if (it != controllers_.end() && now - it->second.when < kControllerLife) {
      dcName = it->second.name;
      return it->second.status;
    }
  }
  std::string reply;
  std::string dnsName = EqualsNoCase(domain, Workgroup()) ? smbConf_.realm : std::string();
  Status s = Directory(Request(Op::kDcName).Str("").Str(domain).Str(dnsName).Take(), reply);
  FieldReader in(reply);
  std::uint32_t status = NERR_DCNotFound;
  if (s == NERR_Success && (!in.U32(status) || (status == NERR_Success && !in.Str(dcName))))
    status = ERROR_BAD_NET_RESP;
  if (s != NERR_Success) status = s;
  if (status != NERR_Success) dcName.clear();
  // Only a definite answer is kept: a time-out or a cancel says nothing.
  if (status == NERR_Success || status == NERR_DCNotFound) {
    std::lock_guard lock(controllersMutex_);
    controllers_[domain] = {status, dcName, now};
  }
  return status;
}

Status SambaNetApi::NetGetDCName(std::string_view server, std::string_view domainName, std::string& dcName) {
  dcName.clear();
  if (!directory_) return LocalNetApi::NetGetDCName(server, domainName, dcName);
  if (IsLocal(server)) return FindController(std::string(domainName), dcName);
  std::string reply;
  Status s = Directory(Request(Op::kDcName).Str(HostOf(server)).Str(domainName).Str("").Take(), reply);
  if (s != NERR_Success) return s;
  FieldReader in(reply);
  std::uint32_t status = 0;
  if (!in.U32(status)) return ERROR_BAD_NET_RESP;
  if (status == NERR_Success && !in.Str(dcName)) return ERROR_BAD_NET_RESP;
  return status;
}

Status SambaNetApi::NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                               std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                               NetBuffer<DisplayEntry>& out) {
  out.Free();
  if (IsLocal(server) || !directory_)
    return IsLocal(server)
               ? LocalNetApi::NetQueryDisplayInformation(server, level, index, entriesRequested, prefMaxLen, out)
               : ERROR_SERVICE_NOT_ACTIVE;
  if (level < 1 || level > 3) return ERROR_INVALID_LEVEL;
  std::string reply;
  Status s = Directory(
      Request(Op::kDisplay).Str(HostOf(server)).U32(level).U32(index).U32(entriesRequested).U32(prefMaxLen).Take(),
      reply);
  if (s != NERR_Success) return s;
  FieldReader in(reply);
  std::uint32_t status = 0, count = 0;
  if (!in.U32(status)) return ERROR_BAD_NET_RESP;
  if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
  if (!in.Count(count, 24)) return ERROR_BAD_NET_RESP;
  std::vector<DisplayEntry> entries(count);
  for (DisplayEntry& e : entries) {
    std::uint32_t flags = 0;
    if (!in.Str(e.name) || !in.Str(e.comment) || !in.Str(e.fullName) || !in.U32(e.id) || !in.U32(flags) ||
        !in.U32(e.nextIndex))
      return ERROR_BAD_NET_RESP;
  }
  // A batch that says "more" must give a place to go on from.
  if (status == ERROR_MORE_DATA && entries.empty()) return ERROR_BAD_NET_RESP;
  out.Reset(std::move(entries));
  return status;
}

Status SambaNetApi::NetGroupGetUsers(std::string_view server, std::string_view groupName, std::uint32_t level,
                                     std::uint32_t prefMaxLen, NetBuffer<GroupUsersInfo0>& out,
                                     std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  if (IsLocal(server))
    return LocalNetApi::NetGroupGetUsers(server, groupName, level, prefMaxLen, out, totalEntries, resumeHandle);
  if (!directory_) return ERROR_SERVICE_NOT_ACTIVE;
  if (level != 0) return ERROR_INVALID_LEVEL;
  std::string reply;
  Status s = Directory(
      Request(Op::kGroupUsers).Str(HostOf(server)).Str(groupName).U32(prefMaxLen).U32(resumeHandle).Take(), reply);
  if (s != NERR_Success) return s;
  FieldReader in(reply);
  std::uint32_t status = 0, count = 0, resume = 0;
  if (!in.U32(status)) return ERROR_BAD_NET_RESP;
  if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
  if (!in.U32(totalEntries) || !in.U32(resume) || !in.Count(count, 4)) return ERROR_BAD_NET_RESP;
  std::vector<GroupUsersInfo0> names(count);
  for (GroupUsersInfo0& n : names)
    if (!in.Str(n.name)) return ERROR_BAD_NET_RESP;
  if (status == ERROR_MORE_DATA && (names.empty() || resume == resumeHandle)) return ERROR_BAD_NET_RESP;
  resumeHandle = status == ERROR_MORE_DATA ? resume : 0;
  out.Reset(std::move(names));
  return status;
}

Status SambaNetApi::NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                                   UserInfo2& info) {
  info = {};
  if (IsLocal(server)) return LocalNetApi::NetUserGetInfo(server, userName, level, info);
  if (!directory_) return ERROR_SERVICE_NOT_ACTIVE;
  if (level != 2) return ERROR_INVALID_LEVEL;
  std::string reply;
  Status s = Directory(Request(Op::kUserInfo).Str(HostOf(server)).Str(userName).Take(), reply);
  if (s != NERR_Success) return s;
  FieldReader in(reply);
  std::uint32_t status = 0;
  if (!in.U32(status)) return ERROR_BAD_NET_RESP;
  if (status != NERR_Success) return status;
  if (!in.Str(info.name) || !in.Str(info.fullName) || !in.Str(info.comment)) {
    info = {};
    return ERROR_BAD_NET_RESP;
  }
  return NERR_Success;
}

Status SambaNetApi::NetSessionEnum(std::string_view server, std::string_view clientName, std::string_view userName,
                                   std::uint32_t level, std::uint32_t prefMaxLen, NetBuffer<SessionInfo10>& out,
                                   std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  if (IsLocal(server))
    return LocalNetApi::NetSessionEnum(server, clientName, userName, level, prefMaxLen, out, totalEntries,
                                       resumeHandle);
  if (!directory_) return ERROR_SERVICE_NOT_ACTIVE;
  if (level != 10 && level != 0) return ERROR_INVALID_LEVEL;
  std::string reply;
  Status s =
      Directory(Request(Op::kSessions).Str(HostOf(server)).U32(level).U32(prefMaxLen).U32(resumeHandle).Take(), reply);
  if (s != NERR_Success) return s;
  FieldReader in(reply);
  std::uint32_t status = 0, resume = 0, count = 0;
  if (!in.U32(status)) return ERROR_BAD_NET_RESP;
  if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
  if (!in.U32(totalEntries) || !in.U32(resume) || !in.Count(count, 16)) return ERROR_BAD_NET_RESP;
  std::vector<SessionInfo10> sessions;
  sessions.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    SessionInfo10 e;
    if (!in.Str(e.cname) || !in.Str(e.username) || !in.U32(e.time) || !in.U32(e.idleTime)) return ERROR_BAD_NET_RESP;
    // Servers do not filter (Samba ignores the filters); the caller's are applied here.
    if (!clientName.empty() && !EqualsNoCase(HostOf(clientName), e.cname)) continue;
    if (!userName.empty() && !EqualsNoCase(userName, e.username)) continue;
    if (level == 0) e.username.clear(), e.time = e.idleTime = 0;
    sessions.push_back(std::move(e));
  }
  if (status == ERROR_MORE_DATA && (count == 0 || resume == resumeHandle)) return ERROR_BAD_NET_RESP;
  resumeHandle = status == ERROR_MORE_DATA ? resume : 0;
  out.Reset(std::move(sessions));
  return status;
}

Status SambaNetApi::NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) {
  domainNames.Free();
  if (IsLocal(server)) return LocalNetApi::NetEnumerateTrustedDomains(server, domainNames);
  if (!directory_) return ERROR_SERVICE_NOT_ACTIVE;
  std::string reply;
  Status s = Directory(Request(Op::kTrusts).Str(HostOf(server)).Take(), reply);
  if (s != NERR_Success) return s;
  FieldReader in(reply);
  std::uint32_t status = 0, count = 0;
  if (!in.U32(status)) return ERROR_BAD_NET_RESP;
  if (status != NERR_Success) return status;
  if (!in.Count(count, 4)) return ERROR_BAD_NET_RESP;
  std::vector<char> run;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!in.Str(name)) return ERROR_BAD_NET_RESP;
    if (name.empty() || name.find('\0') != std::string::npos) continue;  // would end the run early
    run.insert(run.end(), name.begin(), name.end());
    run.push_back('\0');
  }
  run.push_back('\0');
  domainNames.Reset(std::move(run));
  return NERR_Success;
}

Status SambaNetApi::NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                    std::uint32_t serverType, std::string_view domain,
                                    std::string_view firstNameToReturn, NetBuffer<ServerInfo101>& out,
                                    std::uint32_t& totalEntries) {
  out.Free();
  totalEntries = 0;
  if (!IsLocal(server)) return directory_ ? ERROR_NOT_SUPPORTED : ERROR_SERVICE_NOT_ACTIVE;
  if (level != 100 && level != 101) return ERROR_INVALID_LEVEL;
  std::string controller;
  if (!directory_ || FindController(std::string(domain), controller) != NERR_Success)
    return LocalNetApi::NetServerEnumEx(server, level, prefMaxLen, serverType, domain, firstNameToReturn, out,
                                        totalEntries);
  // The computers of a domain are its computer accounts, as the controller
  // lists them; the controller itself counts as one. (A domain controller
  // keeps no browse list of its own to ask.)
  std::string dc = HostOf(controller);
  std::vector<ServerInfo101> all;
  std::uint32_t index = 0;
  Status s = NERR_Success;
  do {
    NetBuffer<DisplayEntry> batch;
    s = NetQueryDisplayInformation(controller, 2, index, 1000, MAX_PREFERRED_LENGTH, batch);
    if (s != NERR_Success && s != ERROR_MORE_DATA) break;
    for (const DisplayEntry& e : batch) {
      ServerInfo101 info;
      info.name = e.name;
      if (!info.name.empty() && info.name.back() == '$') info.name.pop_back();
      info.type = sv_type::WORKSTATION | sv_type::SERVER | sv_type::NT;
      if (EqualsNoCase(info.name, dc)) info.type |= sv_type::DOMAIN_CTRL | sv_type::SERVER_NT | sv_type::TIME_SOURCE;
      if (level == 101) info.comment = e.comment;
      all.push_back(std::move(info));
    }
    if (!batch.empty()) index = batch.back().nextIndex;
  } while (s == ERROR_MORE_DATA);
  if (s != NERR_Success && all.empty()) return s;
  std::sort(all.begin(), all.end(),
            [](const ServerInfo101& a, const ServerInfo101& b) { return CompareNoCase(a.name, b.name) < 0; });
  std::vector<ServerInfo101> chosen;
  for (ServerInfo101& e : all) {
    if ((e.type & serverType) == 0 && serverType != 0xFFFFFFFFu) continue;
    if (!firstNameToReturn.empty() && CompareNoCase(e.name, firstNameToReturn) < 0) continue;
    chosen.push_back(std::move(e));
  }
  totalEntries = static_cast<std::uint32_t>(chosen.size());
  out.Reset(std::move(chosen));
  return s == ERROR_MORE_DATA ? NERR_Success : s;
}

}  // namespace vantor::lan::samba
