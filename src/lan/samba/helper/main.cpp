// SPDX-License-Identifier: GPL-3.0-or-later
// vantor-lan-helper: answers the samba backend's directory requests with
// Samba's client libraries (libnetapi for the display query, group members,
// user information and the controller look-up; DCE/RPC over Samba's
// transport for sessions and trusts; Samba's loadparm for smb.conf).
//
// It talks over one socket (file descriptor 3, or the one named by --fd):
// a request frame in, a reply frame out, until the socket closes. The
// backend ends the process when a call outlives its deadline or is
// cancelled; nothing here needs to survive that.

#include "lan/net_status.h"
#include "lan/samba/helper/rpc_transport.h"
#include "lan/samba/helper_protocol.h"
#include "lan/samba/ndr.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <netapi.h>
}

namespace vantor::lan::samba::helper {
namespace {

constexpr Status kNoLogonServers = 1311;
constexpr Status kLogonFailure = 1326;
constexpr Status kNoneMapped = 1332;
constexpr Status kCannotComplete = 1003;

// libnetapi declares its status as an enum with one enumerator but returns
// every Win32 and network status through it; read it as the number it is,
// so that comparisons with those statuses mean what they say.
std::uint32_t Code(NET_API_STATUS s) { return static_cast<std::uint32_t>(s); }

struct Auth {
  std::string user, domain, password;
  Kerberos kerberos = Kerberos::kDesired;
  std::uint32_t timeoutSeconds = 15;
};

Auth g_auth;
libnetapi_ctx* g_ctx = nullptr;

// An NTSTATUS from Samba's transport as the status the programs know.
Status FromNtStatus(std::uint32_t nt) {
  switch (nt) {
    case 0x00000000: return NERR_Success;
    case 0xC0000022: return ERROR_ACCESS_DENIED;
    case 0xC000006D: return kLogonFailure;
    case 0xC000006E: return 1327;  // account restriction
    case 0xC0000071: return 1330;  // password expired
    case 0xC0000072: return 1331;  // account disabled
    case 0xC0000234: return 1909;  // locked out
    case 0xC00000B5: return ERROR_TIMEOUT;
    case 0xC000023C: return ERROR_NETWORK_UNREACHABLE;
    case 0xC000023D: return ERROR_HOST_UNREACHABLE;
    case 0xC0000236: return ERROR_CONNECTION_REFUSED;
    case 0xC000020C:
    case 0xC000020D:
    case 0xC0000203: return ERROR_NETNAME_DELETED;
    case 0xC00000CC: return ERROR_BAD_NET_NAME;
    case 0xC00000BE:
    case 0xC0000034: return ERROR_BAD_NETPATH;
    case 0xC000005E: return kNoLogonServers;
    case 0xC0020017: return RPC_S_SERVER_UNAVAILABLE;
    case 0xC002002E:
    case 0xC0000002: return ERROR_NOT_SUPPORTED;
    case 0xC0000017: return ERROR_NOT_ENOUGH_MEMORY;
    case 0xC000000D: return ERROR_INVALID_PARAMETER;
    default: return ERROR_UNEXP_NET_ERR;
  }
}

vantor_rpc_auth RpcAuth() {
  vantor_rpc_auth a{};
  a.user = g_auth.user.c_str();
  a.domain = g_auth.domain.c_str();
  a.password = g_auth.password.c_str();
  a.kerberos = static_cast<int>(g_auth.kerberos);
  return a;
}

// Whether the server's SMB port answers: a name that is not found, a host
// or network that cannot be reached, a refusal or a time-out.
Status Probe(const std::string& server) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  if (::getaddrinfo(server.c_str(), "445", &hints, &res) != 0 || !res) return ERROR_BAD_NETPATH;
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  int err = 0;
  if (fd < 0) {
    err = errno;
  } else if (::connect(fd, res->ai_addr, res->ai_addrlen) != 0) {
    err = errno;
    if (err == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int r = ::poll(&p, 1, static_cast<int>(g_auth.timeoutSeconds * 1000));
      socklen_t len = sizeof err;
      if (r == 0)
        err = ETIMEDOUT;
      else if (r < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        err = EIO;
    }
  }
  ::freeaddrinfo(res);
  if (fd >= 0) ::close(fd);
  switch (err) {
    case 0: return NERR_Success;
    case ECONNREFUSED: return ERROR_CONNECTION_REFUSED;
    case EHOSTUNREACH: return ERROR_HOST_UNREACHABLE;
    case ENETUNREACH: return ERROR_NETWORK_UNREACHABLE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    default: return ERROR_UNEXP_NET_ERR;
  }
}

// libnetapi says only "cannot complete" when the connection or the logon
// failed; a connection of our own tells which.
Status Diagnose(const std::string& server) {
  if (Status s = Probe(server); s != NERR_Success) return s;
  vantor_rpc_auth a = RpcAuth();
  vantor_rpc* rpc = nullptr;
  std::uint32_t nt = vantor_rpc_open(server.c_str(), VANTOR_RPC_SRVSVC, &a, g_auth.timeoutSeconds, &rpc);
  vantor_rpc_close(rpc);
  return nt == 0 ? kCannotComplete : FromNtStatus(nt);
}

Status FromNetapi(Status s, const std::string& server, Status noneMapped) {
  if (s == kNoneMapped) return noneMapped;
  if (s == kCannotComplete) return Diagnose(server);
  return s;
}

const char* ServerArg(const std::string& server) { return server.empty() ? nullptr : server.c_str(); }

// A session's user comes as DOMAIN\user; the programs match plain names.
std::string PlainUser(const std::string& user) {
  std::size_t slash = user.rfind('\\');
  return slash == std::string::npos ? user : user.substr(slash + 1);
}

// A client given by its address becomes its computer name where the name
// service knows one: the programs match sessions against computer names.
std::string ClientName(std::string client) {
  while (!client.empty() && client[0] == '\\') client.erase(0, 1);
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  if (::inet_pton(AF_INET, client.c_str(), &sin.sin_addr) != 1) return client;
  char host[NI_MAXHOST] = {};
  if (::getnameinfo(reinterpret_cast<sockaddr*>(&sin), sizeof sin, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
    return client;
  std::string name(host);
  name = name.substr(0, name.find('.'));
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name.size() > 15 ? name.substr(0, 15) : name;
}

void Hello(FieldReader& in, FieldWriter& out) {
  std::uint32_t kerberos = 1;
  if (!in.Str(g_auth.user) || !in.Str(g_auth.domain) || !in.Str(g_auth.password) || !in.U32(kerberos) ||
      !in.U32(g_auth.timeoutSeconds) || kerberos > 2) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  g_auth.kerberos = static_cast<Kerberos>(kerberos);
  if (libnetapi_init(&g_ctx) != 0) {
    out.U32(ERROR_NOT_ENOUGH_MEMORY);
    return;
  }
  if (!g_auth.user.empty()) {
    libnetapi_set_username(g_ctx, g_auth.user.c_str());
    libnetapi_set_password(g_ctx, g_auth.password.c_str());
    if (g_auth.kerberos == Kerberos::kRequired) libnetapi_set_use_kerberos(g_ctx);
  } else if (g_auth.kerberos != Kerberos::kDisabled) {
    libnetapi_set_use_ccache(g_ctx);
  }
  if (!g_auth.domain.empty()) libnetapi_set_workgroup(g_ctx, g_auth.domain.c_str());
  out.U32(NERR_Success);
}

void Display(FieldReader& in, FieldWriter& out) {
  std::string server;
  std::uint32_t level = 0, index = 0, entries = 0, prefMaxLen = 0;
  if (!in.Str(server) || !in.U32(level) || !in.U32(index) || !in.U32(entries) || !in.U32(prefMaxLen)) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  std::uint32_t n = 0;
  void* buf = nullptr;
  const std::uint32_t s =
      Code(NetQueryDisplayInformation(ServerArg(server), level, index, entries, prefMaxLen, &n, &buf));
  if (s != 0 && s != ERROR_MORE_DATA) {
    if (buf) NetApiBufferFree(buf);
    out.U32(FromNetapi(s, server, ERROR_INVALID_PARAMETER));
    return;
  }
  out.U32(s).U32(buf ? n : 0);
  for (std::uint32_t i = 0; buf && i < n; ++i) {
    auto str = [](const char* p) { return p ? p : ""; };
    if (level == 1) {
      const auto& e = static_cast<NET_DISPLAY_USER*>(buf)[i];
      out.Str(str(e.usri1_name)).Str(str(e.usri1_comment)).Str(str(e.usri1_full_name));
      out.U32(e.usri1_user_id).U32(e.usri1_flags).U32(e.usri1_next_index);
    } else if (level == 2) {
      const auto& e = static_cast<NET_DISPLAY_MACHINE*>(buf)[i];
      out.Str(str(e.usri2_name)).Str(str(e.usri2_comment)).Str("");
      out.U32(e.usri2_user_id).U32(e.usri2_flags).U32(e.usri2_next_index);
    } else {
      const auto& e = static_cast<NET_DISPLAY_GROUP*>(buf)[i];
      out.Str(str(e.grpi3_name)).Str(str(e.grpi3_comment)).Str("");
      out.U32(e.grpi3_group_id).U32(e.grpi3_attributes).U32(e.grpi3_next_index);
    }
  }
  if (buf) NetApiBufferFree(buf);
}

void GroupUsers(FieldReader& in, FieldWriter& out) {
  std::string server, group;
  std::uint32_t prefMaxLen = 0, resume = 0;
  if (!in.Str(server) || !in.Str(group) || !in.U32(prefMaxLen) || !in.U32(resume)) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  std::uint8_t* buf = nullptr;
  std::uint32_t n = 0, total = 0;
  const std::uint32_t s =
      Code(NetGroupGetUsers(ServerArg(server), group.c_str(), 0, &buf, prefMaxLen, &n, &total, &resume));
  if (s != 0 && s != ERROR_MORE_DATA) {
    if (buf) NetApiBufferFree(buf);
    out.U32(FromNetapi(s, server, NERR_GroupNotFound));
    return;
  }
  out.U32(s).U32(total).U32(resume).U32(buf ? n : 0);
  for (std::uint32_t i = 0; buf && i < n; ++i) {
    const char* name = reinterpret_cast<GROUP_USERS_INFO_0*>(buf)[i].grui0_name;
    out.Str(name ? name : "");
  }
  if (buf) NetApiBufferFree(buf);
}

void UserInfo(FieldReader& in, FieldWriter& out) {
  std::string server, user;
  if (!in.Str(server) || !in.Str(user)) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  std::uint8_t* buf = nullptr;
  const std::uint32_t s = Code(NetUserGetInfo(ServerArg(server), user.c_str(), 2, &buf));
  if (s != 0 || !buf) {
    if (buf) NetApiBufferFree(buf);
    out.U32(FromNetapi(s ? static_cast<Status>(s) : kCannotComplete, server, NERR_UserNotFound));
    return;
  }
  const auto* u = reinterpret_cast<USER_INFO_2*>(buf);
  auto str = [](const char* p) { return p ? p : ""; };
  out.U32(NERR_Success).Str(str(u->usri2_name)).Str(str(u->usri2_full_name)).Str(str(u->usri2_comment));
  NetApiBufferFree(buf);
}

void DcName(FieldReader& in, FieldWriter& out) {
  std::string server, domain, dnsDomain;
  if (!in.Str(server) || !in.Str(domain) || !in.Str(dnsDomain)) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  if (server.empty()) {
    // This computer need not run a server of its own: ask the network
    // (DNS, then NetBIOS names) for a controller of the domain.
    // A NetBIOS domain name is found by NetBIOS name queries; where those
    // are not used, the domain's DNS name (smb.conf's realm) finds it.
    DOMAIN_CONTROLLER_INFO* info = nullptr;
    std::uint32_t s = Code(
        DsGetDcName(nullptr, domain.empty() ? nullptr : domain.c_str(), nullptr, nullptr, DS_RETURN_FLAT_NAME, &info));
    if ((s != 0 || !info) && !dnsDomain.empty()) {
      if (info) NetApiBufferFree(info);
      info = nullptr;
      s = Code(DsGetDcName(nullptr, dnsDomain.c_str(), nullptr, nullptr, DS_IS_DNS_NAME | DS_RETURN_FLAT_NAME, &info));
    }
    if (s != 0 || !info || !info->domain_controller_name) {
      if (info) NetApiBufferFree(info);
      out.U32(NERR_DCNotFound);
      return;
    }
    out.U32(NERR_Success).Str(info->domain_controller_name);
    NetApiBufferFree(info);
    return;
  }
  std::uint8_t* buf = nullptr;
  const std::uint32_t s = Code(NetGetDCName(server.c_str(), domain.empty() ? nullptr : domain.c_str(), &buf));
  if (s != 0 || !buf) {
    if (buf) NetApiBufferFree(buf);
    out.U32(s == kCannotComplete ? Diagnose(server) : NERR_DCNotFound);
    return;
  }
  out.U32(NERR_Success).Str(reinterpret_cast<const char*>(buf));
  NetApiBufferFree(buf);
}

struct RpcCloser {
  void operator()(vantor_rpc* p) const { vantor_rpc_close(p); }
};
using Rpc = std::unique_ptr<vantor_rpc, RpcCloser>;

// Gives a status the programs know (not an NTSTATUS).
Status OpenRpc(const std::string& server, int iface, Rpc& rpc) {
  if (Status s = Probe(server); s != NERR_Success) return s;
  vantor_rpc_auth a = RpcAuth();
  vantor_rpc* p = nullptr;
  std::uint32_t nt = vantor_rpc_open(server.c_str(), iface, &a, g_auth.timeoutSeconds, &p);
  rpc.reset(p);
  return FromNtStatus(nt);
}

std::uint32_t Call(vantor_rpc* rpc, std::uint32_t opnum, const std::string& body, std::string& reply) {
  std::uint8_t* data = nullptr;
  std::size_t n = 0;
  std::uint32_t nt =
      vantor_rpc_call(rpc, opnum, reinterpret_cast<const std::uint8_t*>(body.data()), body.size(), &data, &n);
  if (nt == 0) reply.assign(reinterpret_cast<const char*>(data), n);
  std::free(data);
  return nt;
}

void Sessions(FieldReader& in, FieldWriter& out) {
  std::string server;
  std::uint32_t level = 0, prefMaxLen = 0, resume = 0;
  if (!in.Str(server) || !in.U32(level) || !in.U32(prefMaxLen) || !in.U32(resume) || server.empty()) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  Rpc rpc;
  if (Status st = OpenRpc(server, VANTOR_RPC_SRVSVC, rpc); st != NERR_Success) {
    out.U32(st);
    return;
  }
  ndr::SessionReply r;
  std::string reply;
  // Samba answers levels 0 and 1 only; level 1 holds what level 10 does.
  for (std::uint32_t asked : {level, 1u}) {
    std::uint32_t nt =
        Call(rpc.get(), ndr::kOpNetSessEnum, ndr::EncodeNetSessEnum("\\\\" + server, asked, prefMaxLen, resume), reply);
    if (nt != 0) {
      out.U32(FromNtStatus(nt));
      return;
    }
    if (!ndr::DecodeNetSessEnum(reply, r)) {
      out.U32(ERROR_BAD_NET_RESP);
      return;
    }
    if (r.werror != ERROR_INVALID_LEVEL || asked == 1) break;
  }
  if (r.werror != 0 && r.werror != ERROR_MORE_DATA) {
    out.U32(r.werror);
    return;
  }
  out.U32(r.werror).U32(r.totalEntries).U32(r.hasResume ? r.resumeHandle : 0);
  out.U32(static_cast<std::uint32_t>(r.sessions.size()));
  for (const ndr::Session& s : r.sessions)
    out.Str(ClientName(s.client)).Str(PlainUser(s.user)).U32(s.time).U32(s.idleTime);
}

void Trusts(FieldReader& in, FieldWriter& out) {
  std::string server;
  if (!in.Str(server) || server.empty()) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  Rpc rpc;
  if (Status st = OpenRpc(server, VANTOR_RPC_LSARPC, rpc); st != NERR_Success) {
    out.U32(st);
    return;
  }
  std::string reply;
  std::uint32_t nt = Call(rpc.get(), ndr::kOpLsaOpenPolicy2, ndr::EncodeLsaOpenPolicy2("\\\\" + server), reply);
  ndr::PolicyHandle handle{};
  std::uint32_t callStatus = 0;
  if (nt == 0 && !ndr::DecodeLsaOpenPolicy2(reply, handle, callStatus)) {
    out.U32(ERROR_BAD_NET_RESP);
    return;
  }
  if (nt != 0 || callStatus != 0) {
    out.U32(FromNtStatus(nt != 0 ? nt : callStatus));
    return;
  }
  std::vector<std::string> names;
  Status result = NERR_Success;
  std::uint32_t resume = 0;
  for (int round = 0; round < 1000; ++round) {
    nt = Call(rpc.get(), ndr::kOpLsaEnumTrustDom, ndr::EncodeLsaEnumTrustDom(handle, resume, 0x10000), reply);
    ndr::TrustReply t;
    if (nt != 0) {
      result = FromNtStatus(nt);
      break;
    }
    if (!ndr::DecodeLsaEnumTrustDom(reply, t)) {
      result = ERROR_BAD_NET_RESP;
      break;
    }
    if (t.ntstatus == ndr::kStatusNoMoreEntries) break;
    if (t.ntstatus != 0 && t.ntstatus != ndr::kStatusMoreEntries) {
      result = FromNtStatus(t.ntstatus);
      break;
    }
    names.insert(names.end(), t.names.begin(), t.names.end());
    if (t.ntstatus == 0 || t.names.empty() || t.resumeHandle == resume) break;
    resume = t.resumeHandle;
  }
  Call(rpc.get(), ndr::kOpLsaClose, ndr::EncodeLsaClose(handle), reply);
  out.U32(result);
  if (result != NERR_Success) return;
  out.U32(static_cast<std::uint32_t>(names.size()));
  for (const std::string& n : names) out.Str(n);
}

void ServerInfo(FieldReader& in, FieldWriter& out) {
  std::string server;
  if (!in.Str(server)) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  std::uint8_t* buf = nullptr;
  const std::uint32_t s = Code(NetServerGetInfo(ServerArg(server), 101, &buf));
  if (s != 0 || !buf) {
    if (buf) NetApiBufferFree(buf);
    out.U32(FromNetapi(s ? static_cast<Status>(s) : kCannotComplete, server, ERROR_BAD_NETPATH));
    return;
  }
  const auto* i = reinterpret_cast<SERVER_INFO_101*>(buf);
  out.U32(NERR_Success).Str(i->sv101_name ? i->sv101_name : "").U32(i->sv101_type);
  out.Str(i->sv101_comment ? i->sv101_comment : "");
  NetApiBufferFree(buf);
}

void SambaConfig(FieldReader& in, FieldWriter& out) {
  std::string path;
  std::uint32_t count = 0;
  if (!in.Str(path) || !in.Count(count, 4) || count > 64) {
    out.U32(ERROR_INVALID_PARAMETER);
    return;
  }
  std::vector<std::string> names(count);
  for (std::string& n : names)
    if (!in.Str(n)) {
      out.U32(ERROR_INVALID_PARAMETER);
      return;
    }
  std::vector<const char*> ptrs;
  for (const std::string& n : names) ptrs.push_back(n.c_str());
  std::vector<char*> values(count, nullptr);
  if (!vantor_samba_parameters(path.c_str(), ptrs.data(), count, values.data())) {
    out.U32(ERROR_FILE_NOT_FOUND);
    return;
  }
  out.U32(NERR_Success).U32(count);
  for (char* v : values) {
    out.Str(v ? v : "");
    std::free(v);
  }
}

}  // namespace
}  // namespace vantor::lan::samba::helper

int main(int argc, char** argv) {
  using namespace vantor::lan::samba::helper;
  std::signal(SIGPIPE, SIG_IGN);
  int fd = 3;
  if (argc == 3 && std::strcmp(argv[1], "--fd") == 0) fd = std::atoi(argv[2]);
  std::string body;
  while (ReadFrame(fd, body)) {
    FieldReader in(body);
    FieldWriter out;
    std::uint32_t op = 0;
    in.U32(op);
    if (op != static_cast<std::uint32_t>(Op::kHello) && op != static_cast<std::uint32_t>(Op::kSambaConfig) && !g_ctx) {
      out.U32(vantor::lan::ERROR_INVALID_PARAMETER);
    } else {
      switch (static_cast<Op>(op)) {
        case Op::kHello: Hello(in, out); break;
        case Op::kDisplay: Display(in, out); break;
        case Op::kGroupUsers: GroupUsers(in, out); break;
        case Op::kUserInfo: UserInfo(in, out); break;
        case Op::kDcName: DcName(in, out); break;
        case Op::kSessions: Sessions(in, out); break;
        case Op::kTrusts: Trusts(in, out); break;
        case Op::kServerInfo: ServerInfo(in, out); break;
        case Op::kSambaConfig: SambaConfig(in, out); break;
        default: out.U32(vantor::lan::ERROR_NOT_SUPPORTED); break;
      }
    }
    if (!WriteFrame(fd, out.Body())) break;
  }
  if (g_ctx) libnetapi_free(g_ctx);
  return 0;
}
