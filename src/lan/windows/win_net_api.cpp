// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/windows/win_net_api.h"

#include "common/utf.h"
#include "lan/windows/stub_guard.h"

#include <cstring>
#include <string>
#include <vector>

// After the project's headers, whose names the system's macros would
// otherwise change (ERROR_MORE_DATA and the like are macros there).
// Winsock 2 before windows.h, which would bring the old winsock.h.
#include <winsock2.h>

#include <windows.h>

#include <lm.h>
#include <ntsecapi.h>
// The interface's methods share these names with the system's A/W macros.
#undef GetUserName
#undef GetComputerName

namespace vantor::lan::win {

namespace {

std::wstring Wide(std::string_view utf8) {
  std::u16string u = Utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string Utf8(const wchar_t* text) {
  if (!text) return {};
  std::wstring_view w(text);
  return Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}

// A name for the system: none (this computer) when empty. Some calls take
// their names as writable strings, so the pointer is not const.
wchar_t* OrNull(std::wstring& w) { return w.empty() ? nullptr : w.data(); }

// A buffer the system returned, released by its owner on every path.
struct ApiBuffer {
  LPBYTE p = nullptr;
  ApiBuffer() = default;
  ApiBuffer(const ApiBuffer&) = delete;
  ApiBuffer& operator=(const ApiBuffer&) = delete;
  ~ApiBuffer() {
    if (p) ::NetApiBufferFree(p);
  }
  template <class T>
  const T* As() const {
    return reinterpret_cast<const T*>(p);
  }
};

// Copies the entries of a successful or partial batch.
template <class Entry, class Raw, class Convert>
void Take(const ApiBuffer& buf, DWORD count, Status status, NetBuffer<Entry>& out, Convert convert) {
  std::vector<Entry> entries;
  if ((status == NERR_Success || status == ERROR_MORE_DATA) && buf.p) {
    const Raw* raw = buf.As<Raw>();
    entries.reserve(count);
    for (DWORD i = 0; i < count; ++i) entries.push_back(convert(raw[i]));
  }
  out.Reset(std::move(entries));
}

}  // namespace

Status WinNetApi::NetMessageBufferSend(std::string_view server, std::string_view msgName, std::string_view fromName,
                                       std::u16string_view message) {
  std::wstring srv = Wide(server), to = Wide(msgName), from = Wide(fromName);
  std::wstring text(message.begin(), message.end());
  auto* bytes = reinterpret_cast<LPBYTE>(text.data());
  auto length = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  return GuardStubs([&] { return ::NetMessageBufferSend(OrNull(srv), to.c_str(), OrNull(from), bytes, length); });
}

Status WinNetApi::NetMessageNameAdd(std::string_view server, std::string_view msgName) {
  std::wstring srv = Wide(server), name = Wide(msgName);
  return GuardStubs([&] { return ::NetMessageNameAdd(OrNull(srv), name.c_str()); });
}

Status WinNetApi::NetMessageNameDel(std::string_view server, std::string_view msgName) {
  std::wstring srv = Wide(server), name = Wide(msgName);
  return GuardStubs([&] { return ::NetMessageNameDel(OrNull(srv), name.c_str()); });
}

Status WinNetApi::NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                     NetBuffer<MsgInfo0>& out, std::uint32_t& totalEntries,
                                     std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  if (level != 0) return ERROR_INVALID_LEVEL;
  std::wstring srv = Wide(server);
  ApiBuffer buf;
  DWORD read = 0, total = 0, resume = resumeHandle;
  Status s =
      GuardStubs([&] { return ::NetMessageNameEnum(OrNull(srv), 0, &buf.p, prefMaxLen, &read, &total, &resume); });
  Take<MsgInfo0, MSG_INFO_0>(buf, read, s, out, [](const MSG_INFO_0& m) { return MsgInfo0{Utf8(m.msgi0_name)}; });
  totalEntries = total;
  resumeHandle = resume;
  return s;
}

Status WinNetApi::NetSessionEnum(std::string_view server, std::string_view clientName, std::string_view userName,
                                 std::uint32_t level, std::uint32_t prefMaxLen, NetBuffer<SessionInfo10>& out,
                                 std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  if (level != 0 && level != 10) return ERROR_INVALID_LEVEL;
  std::wstring srv = Wide(server), client = Wide(clientName), user = Wide(userName);
  ApiBuffer buf;
  DWORD read = 0, total = 0, resume = resumeHandle;
  Status s = GuardStubs([&] {
    return ::NetSessionEnum(OrNull(srv), OrNull(client), OrNull(user), level, &buf.p, prefMaxLen, &read, &total,
                            &resume);
  });
  if (level == 10) {
    Take<SessionInfo10, SESSION_INFO_10>(buf, read, s, out, [](const SESSION_INFO_10& e) {
      return SessionInfo10{Utf8(e.sesi10_cname), Utf8(e.sesi10_username), e.sesi10_time, e.sesi10_idle_time};
    });
  } else {
    Take<SessionInfo10, SESSION_INFO_0>(buf, read, s, out, [](const SESSION_INFO_0& e) {
      SessionInfo10 info;
      info.cname = Utf8(e.sesi0_cname);
      return info;
    });
  }
  totalEntries = total;
  resumeHandle = resume;
  return s;
}

Status WinNetApi::NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                  std::uint32_t serverType, std::string_view domain, std::string_view firstNameToReturn,
                                  NetBuffer<ServerInfo101>& out, std::uint32_t& totalEntries) {
  out.Free();
  totalEntries = 0;
  if (level != 100 && level != 101) return ERROR_INVALID_LEVEL;
  std::wstring srv = Wide(server), dom = Wide(domain), first = Wide(firstNameToReturn);
  ApiBuffer buf;
  DWORD read = 0, total = 0;
  Status s = GuardStubs([&] {
    return ::NetServerEnumEx(OrNull(srv), level, &buf.p, prefMaxLen, &read, &total, serverType, OrNull(dom),
                             OrNull(first));
  });
  if (level == 101) {
    Take<ServerInfo101, SERVER_INFO_101>(buf, read, s, out, [](const SERVER_INFO_101& e) {
      return ServerInfo101{e.sv101_platform_id,   Utf8(e.sv101_name), e.sv101_version_major,
                           e.sv101_version_minor, e.sv101_type,       Utf8(e.sv101_comment)};
    });
  } else {
    Take<ServerInfo101, SERVER_INFO_100>(buf, read, s, out, [](const SERVER_INFO_100& e) {
      ServerInfo101 info;
      info.platformId = e.sv100_platform_id;
      info.name = Utf8(e.sv100_name);
      return info;
    });
  }
  totalEntries = total;
  return s;
}

Status WinNetApi::NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                             std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                             NetBuffer<DisplayEntry>& out) {
  out.Free();
  if (level != kDisplayUsers && level != kDisplayGroups) return ERROR_INVALID_LEVEL;
  std::wstring srv = Wide(server);
  void* raw = nullptr;
  DWORD read = 0;
  Status s = GuardStubs([&] {
    return ::NetQueryDisplayInformation(OrNull(srv), level, index, entriesRequested, prefMaxLen, &read, &raw);
  });
  ApiBuffer buf;
  buf.p = static_cast<LPBYTE>(raw);
  if (level == kDisplayUsers) {
    Take<DisplayEntry, NET_DISPLAY_USER>(buf, read, s, out, [](const NET_DISPLAY_USER& e) {
      return DisplayEntry{Utf8(e.usri1_name), Utf8(e.usri1_comment), Utf8(e.usri1_full_name), e.usri1_user_id,
                          e.usri1_next_index};
    });
  } else {
    Take<DisplayEntry, NET_DISPLAY_GROUP>(buf, read, s, out, [](const NET_DISPLAY_GROUP& e) {
      return DisplayEntry{Utf8(e.grpi3_name), Utf8(e.grpi3_comment), {}, e.grpi3_group_id, e.grpi3_next_index};
    });
  }
  return s;
}

Status WinNetApi::NetGroupGetUsers(std::string_view server, std::string_view groupName, std::uint32_t level,
                                   std::uint32_t prefMaxLen, NetBuffer<GroupUsersInfo0>& out,
                                   std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  out.Free();
  totalEntries = 0;
  if (level != 0) return ERROR_INVALID_LEVEL;
  std::wstring srv = Wide(server), group = Wide(groupName);
  ApiBuffer buf;
  DWORD read = 0, total = 0;
  DWORD_PTR resume = resumeHandle;
  Status s = GuardStubs(
      [&] { return ::NetGroupGetUsers(OrNull(srv), group.c_str(), 0, &buf.p, prefMaxLen, &read, &total, &resume); });
  Take<GroupUsersInfo0, GROUP_USERS_INFO_0>(
      buf, read, s, out, [](const GROUP_USERS_INFO_0& e) { return GroupUsersInfo0{Utf8(e.grui0_name)}; });
  totalEntries = total;
  // The system's resume value is an index into the group's members.
  resumeHandle = static_cast<std::uint32_t>(resume);
  return s;
}

Status WinNetApi::NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) {
  domainNames.Free();
  std::wstring srv = Wide(server);
  LPWSTR names = nullptr;
  std::uint32_t nt = GuardStubs([&] { return ::NetEnumerateTrustedDomains(OrNull(srv), &names); });
  ApiBuffer buf;
  buf.p = reinterpret_cast<LPBYTE>(names);
  // This call answers in the kernel's status codes; callers compare and
  // report the system's error codes.
  Status s = nt == kStubStatus ? nt : static_cast<Status>(::LsaNtStatusToWinError(static_cast<NTSTATUS>(nt)));
  if (s != NERR_Success) return s;
  std::vector<char> run;
  for (const wchar_t* p = names; p && *p; p += std::wstring_view(p).size() + 1) {
    std::string name = Utf8(p);
    run.insert(run.end(), name.begin(), name.end());
    run.push_back('\0');
  }
  run.push_back('\0');
  domainNames.Reset(std::move(run));
  return s;
}

Status WinNetApi::NetGetDCName(std::string_view server, std::string_view domainName, std::string& dcName) {
  dcName.clear();
  std::wstring srv = Wide(server), domain = Wide(domainName);
  ApiBuffer buf;
  Status s = GuardStubs([&] { return ::NetGetDCName(OrNull(srv), OrNull(domain), &buf.p); });
  if (s == NERR_Success) dcName = Utf8(buf.As<wchar_t>());
  return s;
}

Status WinNetApi::NetWkstaGetInfo(std::string_view server, std::uint32_t level, WkstaInfo100& info) {
  info = {};
  if (level != 100) return ERROR_INVALID_LEVEL;
  std::wstring srv = Wide(server);
  ApiBuffer buf;
  Status s = GuardStubs([&] { return ::NetWkstaGetInfo(OrNull(srv), 100, &buf.p); });
  if (s == NERR_Success && buf.p) {
    const auto* w = buf.As<WKSTA_INFO_100>();
    info = {w->wki100_platform_id, Utf8(w->wki100_computername), Utf8(w->wki100_langroup), w->wki100_ver_major,
            w->wki100_ver_minor};
  }
  return s;
}

Status WinNetApi::NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                                 UserInfo2& info) {
  info = {};
  if (level != 2) return ERROR_INVALID_LEVEL;
  std::wstring srv = Wide(server), user = Wide(userName);
  ApiBuffer buf;
  Status s = GuardStubs([&] { return ::NetUserGetInfo(OrNull(srv), user.c_str(), 2, &buf.p); });
  if (s == NERR_Success && buf.p) {
    const auto* u = buf.As<USER_INFO_2>();
    info = {Utf8(u->usri2_name), Utf8(u->usri2_full_name), Utf8(u->usri2_comment)};
  }
  return s;
}

bool WinNetApi::GetUserName(std::string& name) {
  wchar_t buf[UNLEN + 1];
  DWORD size = UNLEN + 1;
  name.clear();
  if (!::GetUserNameW(buf, &size)) return false;
  name = Utf8(buf);
  return !name.empty();
}

bool WinNetApi::GetComputerName(std::string& name) {
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  name.clear();
  if (!::GetComputerNameW(buf, &size)) return false;
  name = Utf8(buf);
  return !name.empty();
}

std::string WinNetApi::GetHostByName(std::string_view host) {
  // Winsock 1.1 is enough for one look-up; each call starts and ends it, so
  // the program holds no network state between look-ups.
  WSADATA data;
  if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) return {};
  std::string name(host);
  std::string address;
  if (const hostent* h = ::gethostbyname(name.c_str());
      h && h->h_addrtype == AF_INET && h->h_addr_list && h->h_addr_list[0]) {
    in_addr a;
    std::memcpy(&a, h->h_addr_list[0], sizeof a);
    if (const char* dotted = ::inet_ntoa(a)) address = dotted;
  }
  ::WSACleanup();
  return address;
}

}  // namespace vantor::lan::win
