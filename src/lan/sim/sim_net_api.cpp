#include "lan/sim/sim_net_api.h"

#include "common/text.h"
#include "common/utf.h"

#include <algorithm>
#include <chrono>

namespace vantor::lan::sim {

namespace {

// Approximate sizes of the platform's entry records, so that the preferred
// length limits a batch the way it does on the platform: a fixed part plus
// each string in UTF-16 with its terminator.
std::uint64_t StrBytes(const std::string& s) { return 2 * (Utf8Length(s) + 1); }

template <class T, class SizeFn>
std::size_t FitBatch(const std::vector<T>& all, std::size_t start, std::uint32_t batch, std::uint32_t prefMaxLen,
                     SizeFn size) {
  std::size_t n = 0;
  std::uint64_t bytes = 0;
  for (std::size_t i = start; i < all.size() && n < batch; ++i) {
    std::uint64_t b = size(all[i]);
    if (n > 0 && prefMaxLen != MAX_PREFERRED_LENGTH && bytes + b > prefMaxLen) break;
    bytes += b;
    ++n;
  }
  return n;
}

// One batch of an enumeration continued by a resume handle: the entries from
// the handle on, as many as fit; the handle then points past them, or is 0
// when nothing is left.
template <class T, class SizeFn>
Status ResumeBatch(std::vector<T>& all, std::uint32_t batch, std::uint32_t prefMaxLen, SizeFn size, NetBuffer<T>& out,
                   std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  std::size_t start = std::min<std::size_t>(resumeHandle, all.size());
  std::size_t n = FitBatch(all, start, batch, prefMaxLen, size);
  totalEntries = static_cast<std::uint32_t>(all.size() - start);
  bool more = start + n < all.size();
  all.erase(all.begin() + static_cast<std::ptrdiff_t>(start + n), all.end());
  all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(start));
  out.Reset(std::move(all));
  resumeHandle = more ? static_cast<std::uint32_t>(start + n) : 0;
  return more ? ERROR_MORE_DATA : NERR_Success;
}

std::string_view StripBackslashes(std::string_view server) {
  if (server.size() >= 2 && server[0] == '\\' && server[1] == '\\') server.remove_prefix(2);
  return server;
}

bool IsController(const Host& h) { return (h.type & (sv_type::DOMAIN_CTRL | sv_type::DOMAIN_BAKCTRL)) != 0; }

}  // namespace

// Counts a call in, so that destruction waits for it to leave.
class SimNetApi::CallGuard {
 public:
  explicit CallGuard(SimNetApi& api) : api_(api) {
    std::lock_guard lock(api_.mutex_);
    ++api_.activeCalls_;
  }
  ~CallGuard() {
    std::lock_guard lock(api_.mutex_);
    if (--api_.activeCalls_ == 0) api_.wake_.notify_all();
  }
  CallGuard(const CallGuard&) = delete;
  CallGuard& operator=(const CallGuard&) = delete;

 private:
  SimNetApi& api_;
};

SimNetApi::SimNetApi(Network network, const Clock& clock)
    : net_(std::move(network)), clock_(clock), deliveries_(net_.deliveriesPath) {}

SimNetApi::~SimNetApi() { CancelPendingCalls(); }

void SimNetApi::CancelPendingCalls() {
  std::unique_lock lock(mutex_);
  closing_ = true;
  wake_.notify_all();
  wake_.wait(lock, [&] { return activeCalls_ == 0; });
}

bool SimNetApi::Wait(std::uint64_t ms) {
  std::unique_lock lock(mutex_);
  if (ms == 0 || closing_) return !closing_;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  return !wake_.wait_until(lock, deadline, [&] { return closing_; });
}

const Host* SimNetApi::FindHost(std::string_view name) const {
  auto it = std::lower_bound(net_.hosts.begin(), net_.hosts.end(), name,
                             [](const Host& h, std::string_view n) { return CompareNoCase(h.name, n) < 0; });
  if (it != net_.hosts.end() && EqualsNoCase(it->name, name)) return &*it;
  return nullptr;
}

const Host* SimNetApi::LocalHost() const { return FindHost(net_.local.computer); }

bool SimNetApi::Resolve(std::string_view server, Target& t) const {
  std::string_view name = StripBackslashes(server);
  if (name.empty() || EqualsNoCase(name, net_.local.computer)) {
    t.local = true;
    t.host = LocalHost();
    t.directory = &net_.local.directory;
    t.name = net_.local.computer;
    return true;
  }
  t.host = FindHost(name);
  t.name = std::string(name);
  t.directory = &emptyDirectory_;
  for (const Domain& d : net_.domains) {
    bool controls =
        EqualsNoCase(d.controller, name) || (t.host && IsController(*t.host) && EqualsNoCase(t.host->domain, d.name));
    if (controls) {
      t.directory = &d.directory;
      return true;  // a domain's controller is known even when hosts does not list it
    }
  }
  return t.host != nullptr;
}

bool SimNetApi::HostHasName(const Host& h, std::string_view name) const {
  if (!h.messenger) return false;
  if (EqualsNoCase(h.name, name)) return true;
  for (const auto& n : h.loggedOn)
    if (EqualsNoCase(n, name)) return true;
  for (const auto& n : h.names)
    if (EqualsNoCase(n, name)) return true;
  return false;
}

bool SimNetApi::LocalHasName(std::string_view name) const {
  if (!net_.local.messenger) return false;
  if (EqualsNoCase(net_.local.computer, name)) return true;
  if (!net_.local.user.empty() && EqualsNoCase(net_.local.user, name)) return true;
  if (const Host* h = LocalHost(); h && HostHasName(*h, name)) return true;
  std::lock_guard lock(mutex_);
  return aliases_.count(name) > 0;
}

Status SimNetApi::Deliver(const std::string& hostName, std::string_view to, std::string_view from,
                          std::u16string_view message) {
  Delivery d;
  d.time = FormatIso8601Local(clock_.Now());
  d.from = std::string(from);
  d.to = std::string(to);
  d.host = hostName;
  d.text = Utf16ToUtf8(message);
  std::string err = deliveries_.Append(d);
  if (!err.empty()) {
    std::lock_guard lock(mutex_);
    lastDeliveryError_ = err;
    return NERR_NetworkError;
  }
  return NERR_Success;
}

std::string SimNetApi::LastDeliveryError() const {
  std::lock_guard lock(mutex_);
  return lastDeliveryError_;
}

Status SimNetApi::NetMessageBufferSend(std::string_view server, std::string_view msgName, std::string_view fromName,
                                       std::u16string_view message) {
  CallGuard guard(*this);
  Target via;
  if (!Resolve(server, via)) return ERROR_BAD_NETPATH;
  if (msgName.empty()) return ERROR_INVALID_PARAMETER;

  if (msgName.back() == '*') {
    // A broadcast reaches every running messenger of the domain; hosts that
    // fail their deliveries simply do not receive it.
    std::string_view domain = msgName.substr(0, msgName.size() - 1);
    if (domain.empty()) domain = net_.local.domain;
    bool localListed = LocalHost() != nullptr;
    if (!localListed && net_.local.messenger && EqualsNoCase(net_.local.domain, domain)) {
      if (Status s = Deliver(net_.local.computer, msgName, fromName, message); s != 0) return s;
    }
    for (const Host& h : net_.hosts) {
      if (!h.messenger || !EqualsNoCase(h.domain, domain) || h.messageStatus != 0) continue;
      if (Status s = Deliver(h.name, msgName, fromName, message); s != 0) return s;
    }
    return NERR_Success;
  }

  const Host* receiver = nullptr;
  for (const Host& h : net_.hosts) {
    if (HostHasName(h, msgName)) {
      receiver = &h;
      break;
    }
  }
  bool toLocal = receiver == nullptr && LocalHasName(msgName);
  if (!receiver && !toLocal) return NERR_NameNotFound;
  if (receiver) {
    if (!Wait(receiver->latencyMs)) return NERR_NetworkError;
    if (receiver->messageStatus != 0) return receiver->messageStatus;
    return Deliver(receiver->name, msgName, fromName, message);
  }
  return Deliver(net_.local.computer, msgName, fromName, message);
}

Status SimNetApi::NetMessageNameAdd(std::string_view server, std::string_view msgName) {
  CallGuard guard(*this);
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (!t.local) return ERROR_NOT_SUPPORTED;
  if (!WaitFor(t)) return NERR_NetworkError;
  if (!net_.local.messenger) return NERR_MsgNotStarted;
  if (!IsSensibleName(msgName) || msgName.size() > 15) return ERROR_INVALID_NAME;
  if (LocalHasName(msgName)) return NERR_AlreadyExists;
  std::lock_guard lock(mutex_);
  aliases_.emplace(msgName);
  return NERR_Success;
}

Status SimNetApi::NetMessageNameDel(std::string_view server, std::string_view msgName) {
  CallGuard guard(*this);
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (!t.local) return ERROR_NOT_SUPPORTED;
  if (!WaitFor(t)) return NERR_NetworkError;
  if (!net_.local.messenger) return NERR_MsgNotStarted;
  std::lock_guard lock(mutex_);
  auto it = aliases_.find(msgName);
  if (it == aliases_.end()) {
    if (EqualsNoCase(msgName, net_.local.computer)) return 2278;  // NERR_DelComputerName
    return NERR_NameNotFound;
  }
  aliases_.erase(it);
  return NERR_Success;
}

Status SimNetApi::NetMessageNameEnum(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                     NetBuffer<MsgInfo0>& out, std::uint32_t& totalEntries,
                                     std::uint32_t& resumeHandle) {
  CallGuard guard(*this);
  out.Free();
  totalEntries = 0;
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;

  std::vector<MsgInfo0> names;
  auto add = [&](const std::string& n) {
    for (const auto& e : names)
      if (EqualsNoCase(e.name, n)) return;
    names.push_back({n});
  };
  if (t.local) {
    if (!net_.local.messenger) return NERR_MsgNotStarted;
    add(net_.local.computer);
    if (!net_.local.user.empty()) add(net_.local.user);
    if (t.host) {
      for (const auto& n : t.host->loggedOn) add(n);
      for (const auto& n : t.host->names) add(n);
    }
    std::lock_guard lock(mutex_);
    for (const auto& a : aliases_) add(a);
  } else {
    if (!t.host || !t.host->messenger) return NERR_MsgNotStarted;
    add(t.host->name);
    for (const auto& n : t.host->loggedOn) add(n);
    for (const auto& n : t.host->names) add(n);
  }
  return ResumeBatch(
      names, net_.batch, prefMaxLen, [](const MsgInfo0& m) { return 8 + StrBytes(m.name); }, out, totalEntries,
      resumeHandle);
}

Status SimNetApi::NetSessionEnum(std::string_view server, std::string_view clientName, std::string_view userName,
                                 std::uint32_t level, std::uint32_t prefMaxLen, NetBuffer<SessionInfo10>& out,
                                 std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  CallGuard guard(*this);
  out.Free();
  totalEntries = 0;
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != 10 && level != 0) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;
  if (t.host && t.host->sessionStatus != 0) return t.host->sessionStatus;

  std::vector<SessionInfo10> all;
  if (t.host) {
    std::string_view client = StripBackslashes(clientName);
    for (const Session& s : t.host->sessions) {
      if (!client.empty() && !EqualsNoCase(client, s.client)) continue;
      if (!userName.empty() && !EqualsNoCase(userName, s.user)) continue;
      all.push_back({s.client, s.user, 0, 0});
    }
  }
  return ResumeBatch(
      all, net_.batch, prefMaxLen, [](const SessionInfo10& s) { return 24 + StrBytes(s.cname) + StrBytes(s.username); },
      out, totalEntries, resumeHandle);
}

Status SimNetApi::NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                  std::uint32_t serverType, std::string_view domain, std::string_view firstNameToReturn,
                                  NetBuffer<ServerInfo101>& out, std::uint32_t& totalEntries) {
  CallGuard guard(*this);
  out.Free();
  totalEntries = 0;
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != 100 && level != 101) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;
  if (domain.empty()) domain = net_.local.domain;

  std::vector<ServerInfo101> all;
  for (const Host& h : net_.hosts) {  // already in ascending order of name
    if (!EqualsNoCase(h.domain, domain) || (h.type & serverType) == 0) continue;
    if (!firstNameToReturn.empty() && CompareNoCase(h.name, firstNameToReturn) < 0) continue;
    ServerInfo101 e;
    e.name = h.name;
    e.type = h.type;
    if (level == 101) e.comment = h.comment;
    all.push_back(std::move(e));
  }
  std::size_t n = FitBatch(all, 0, net_.batch, prefMaxLen,
                           [](const ServerInfo101& s) { return 40 + StrBytes(s.name) + StrBytes(s.comment); });
  totalEntries = static_cast<std::uint32_t>(all.size());
  all.resize(n);
  out.Reset(std::move(all));
  return n < totalEntries ? ERROR_MORE_DATA : NERR_Success;
}

Status SimNetApi::NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                             std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                             NetBuffer<DisplayEntry>& out) {
  CallGuard guard(*this);
  out.Free();
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != kDisplayUsers && level != kDisplayGroups) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;

  std::vector<DisplayEntry> all;
  if (level == kDisplayUsers) {
    all.reserve(t.directory->users.size());
    for (const Account& a : t.directory->users) all.push_back({a.name, a.comment, a.fullName, 0, 0});
  } else {
    all.reserve(t.directory->groups.size());
    for (const Group& g : t.directory->groups) all.push_back({g.name, g.comment, {}, 0, 0});
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    all[i].id = static_cast<std::uint32_t>(1000 + i);
    all[i].nextIndex = static_cast<std::uint32_t>(i + 1);
  }
  std::size_t start = std::min<std::size_t>(index, all.size());
  std::uint32_t cap = std::min(net_.batch, entriesRequested == 0 ? net_.batch : entriesRequested);
  std::size_t n = FitBatch(all, start, cap, prefMaxLen, [](const DisplayEntry& e) {
    return 24 + StrBytes(e.name) + StrBytes(e.comment) + StrBytes(e.fullName);
  });
  out.Reset({all.begin() + static_cast<std::ptrdiff_t>(start), all.begin() + static_cast<std::ptrdiff_t>(start + n)});
  return start + n < all.size() ? ERROR_MORE_DATA : NERR_Success;
}

Status SimNetApi::NetGroupGetUsers(std::string_view server, std::string_view groupName, std::uint32_t level,
                                   std::uint32_t prefMaxLen, NetBuffer<GroupUsersInfo0>& out,
                                   std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  CallGuard guard(*this);
  out.Free();
  totalEntries = 0;
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;
  const Group* group = nullptr;
  for (const Group& g : t.directory->groups)
    if (EqualsNoCase(g.name, groupName)) {
      group = &g;
      break;
    }
  if (!group) return NERR_GroupNotFound;
  std::vector<GroupUsersInfo0> all;
  all.reserve(group->members.size());
  for (const auto& m : group->members) all.push_back({m});
  return ResumeBatch(
      all, net_.batch, prefMaxLen, [](const GroupUsersInfo0& g) { return 8 + StrBytes(g.name); }, out, totalEntries,
      resumeHandle);
}

Status SimNetApi::NetEnumerateTrustedDomains(std::string_view server, NetBuffer<char>& domainNames) {
  CallGuard guard(*this);
  domainNames.Free();
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (!WaitFor(t)) return NERR_NetworkError;
  std::vector<char> run;
  for (const auto& d : t.directory->trusts) {
    run.insert(run.end(), d.begin(), d.end());
    run.push_back('\0');
  }
  run.push_back('\0');
  domainNames.Reset(std::move(run));
  return NERR_Success;
}

Status SimNetApi::NetGetDCName(std::string_view server, std::string_view domainName, std::string& dcName) {
  CallGuard guard(*this);
  dcName.clear();
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (!WaitFor(t)) return NERR_NetworkError;
  std::string_view want = domainName.empty() ? std::string_view(net_.local.domain) : domainName;
  for (const Domain& d : net_.domains) {
    if (EqualsNoCase(d.name, want)) {
      if (d.controller.empty()) return NERR_DCNotFound;
      dcName = "\\\\" + d.controller;
      return NERR_Success;
    }
  }
  return NERR_DCNotFound;
}

Status SimNetApi::NetWkstaGetInfo(std::string_view server, std::uint32_t level, WkstaInfo100& info) {
  CallGuard guard(*this);
  info = {};
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != 100) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;
  if (t.local) {
    info.computerName = net_.local.computer;
    info.langroup = net_.local.domain;
  } else {
    info.computerName = t.host ? t.host->name : t.name;
    info.langroup = t.host ? t.host->domain : std::string();
  }
  return NERR_Success;
}

Status SimNetApi::NetUserGetInfo(std::string_view server, std::string_view userName, std::uint32_t level,
                                 UserInfo2& info) {
  CallGuard guard(*this);
  info = {};
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != 0 && level != 1 && level != 2 && level != 10) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;
  for (const Account& a : t.directory->users) {
    if (EqualsNoCase(a.name, userName)) {
      info.name = a.name;
      info.fullName = a.fullName;
      info.comment = a.comment;
      return NERR_Success;
    }
  }
  return NERR_UserNotFound;
}

bool SimNetApi::GetUserName(std::string& name) {
  name = net_.local.user;
  return !name.empty();
}

bool SimNetApi::GetComputerName(std::string& name) {
  name = net_.local.computer;
  return !name.empty();
}

std::string SimNetApi::GetHostByName(std::string_view host) {
  // Names are answered from the file alone: a simulated network never asks
  // the real name service.
  if (EqualsNoCase(host, net_.local.computer)) {
    if (!net_.local.address.empty()) return net_.local.address;
    if (const Host* h = LocalHost()) return h->address;
    return {};
  }
  if (const Host* h = FindHost(host)) return h->address;
  return {};
}

}  // namespace vantor::lan::sim
