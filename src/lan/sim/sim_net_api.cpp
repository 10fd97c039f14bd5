// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/sim/sim_net_api.h"

#include "common/text.h"
#include "common/utf.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vantor::lan::sim {

namespace {

// Approximate sizes of the platform's entry records, so that the preferred
// length limits a batch the way it does on the platform: a fixed part plus
// each string in UTF-16 with its terminator.
std::uint64_t StrBytes(std::string_view s) {
  // Characters of valid UTF-8 (all the network's texts are): the bytes that
  // do not continue a sequence (10xxxxxx). Every entry of a batch is sized,
  // so the continuation bytes are counted eight at a time: a byte's bit 6,
  // shifted up, clears its own bit 7 in the mask; the multiplication adds
  // the mask's eight bits (moved down to bit 0) up in its top byte.
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  std::size_t continuing = 0;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, sizeof w);
    continuing += static_cast<std::size_t>((((w & ~(w << 1) & kHigh) >> 7) * kOnes) >> 56);
  }
  for (; i < s.size(); ++i) continuing += (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
  return 2 * (static_cast<std::uint64_t>(s.size() - continuing) + 1);
}

// The entries of one batch: made one by one from position `start` of `count`
// candidates until the batch is full or the preferred length is reached (one
// entry always fits). Only the batch's own entries are made. make(i, entries)
// appends the entry for candidate i, or nothing when that one is not wanted,
// and says which; `next` receives the position after the last candidate used.
// The batch is made in entries, emptied, whose storage is used again.
template <class T, class Make, class SizeFn>
std::vector<T> FillBatch(std::vector<T> entries, std::size_t start, std::size_t count, std::uint32_t batch,
                         std::uint32_t prefMaxLen, Make make, SizeFn size, std::size_t& next) {
  entries.clear();
  entries.reserve(std::min<std::size_t>(batch, count - std::min(start, count)));
  std::uint64_t bytes = 0;
  std::size_t i = start;
  for (; i < count && entries.size() < batch; ++i) {
    if (!make(i, entries)) continue;
    std::uint64_t b = size(entries.back());
    if (entries.size() > 1 && prefMaxLen != MAX_PREFERRED_LENGTH && bytes + b > prefMaxLen) {
      entries.pop_back();
      break;
    }
    bytes += b;
  }
  next = i;
  return entries;
}

// One batch of an enumeration continued by a resume handle, which counts the
// entries already returned: the entries from the handle on, as many as fit;
// the handle then points past them, or is 0 when nothing is left.
template <class T, class Make, class SizeFn>
Status ResumeBatch(std::size_t count, std::uint32_t batch, std::uint32_t prefMaxLen, Make make, SizeFn size,
                   NetBuffer<T>& out, std::uint32_t& totalEntries, std::uint32_t& resumeHandle) {
  std::size_t start = std::min<std::size_t>(resumeHandle, count);
  std::size_t next = start;
  auto append = [&](std::size_t i, std::vector<T>& into) {
    into.push_back(make(i));
    return true;
  };
  out.Reset(FillBatch<T>({}, start, count, batch, prefMaxLen, append, size, next));
  totalEntries = static_cast<std::uint32_t>(count - start);
  bool more = next < count;
  resumeHandle = more ? static_cast<std::uint32_t>(next) : 0;
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

const Host* SimNetApi::Receiver(std::string_view name) {
  // A message finds its receiver in one look-up rather than a scan of every
  // host's names, which made a send to thousands of names quadratic.
  std::call_once(receiversMade_, [this] {
    for (const Host& h : net_.hosts) {
      if (!h.messenger) continue;
      receivers_.try_emplace(AsciiUpper(h.name), &h);
      for (const auto& n : h.loggedOn) receivers_.try_emplace(AsciiUpper(n), &h);
      for (const auto& n : h.names) receivers_.try_emplace(AsciiUpper(n), &h);
    }
  });
  const auto found = receivers_.find(AsciiUpper(name));
  return found == receivers_.end() ? nullptr : found->second;
}

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
  t.name = name;
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

Status SimNetApi::Deliver(std::string_view hostName, std::string_view to, std::string_view from,
                          std::u16string_view message) {
  Delivery d;
  d.time = FormatIso8601Local(clock_.Now());
  d.from = std::string(from);
  d.to = std::string(to);
  d.host = std::string(hostName);
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

  const Host* receiver = Receiver(msgName);
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
  auto add = [&](std::string_view n) {
    for (const auto& e : names)
      if (EqualsNoCase(e.name, n)) return;
    names.push_back({std::string(n)});
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
  return ResumeBatch<MsgInfo0>(
      names.size(), net_.batch, prefMaxLen, [&](std::size_t i) { return std::move(names[i]); },
      [](const MsgInfo0& m) { return 8 + StrBytes(m.name); }, out, totalEntries, resumeHandle);
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

  // The sessions asked for; all of them (the programs' case) without a copy.
  static const std::vector<Session> kNone;
  const std::vector<Session>& sessions = t.host ? t.host->sessions : kNone;
  std::vector<const Session*> matching;
  std::string_view client = StripBackslashes(clientName);
  bool filtered = !client.empty() || !userName.empty();
  if (filtered) {
    for (const Session& s : sessions) {
      if (!client.empty() && !EqualsNoCase(client, s.client)) continue;
      if (!userName.empty() && !EqualsNoCase(userName, s.user)) continue;
      matching.push_back(&s);
    }
  }
  return ResumeBatch<SessionInfo10>(
      filtered ? matching.size() : sessions.size(), net_.batch, prefMaxLen,
      [&](std::size_t i) {
        const Session& s = filtered ? *matching[i] : sessions[i];
        return SessionInfo10{std::string(s.client), std::string(s.user), 0, 0};
      },
      [](const SessionInfo10& s) { return 24 + StrBytes(s.cname) + StrBytes(s.username); }, out, totalEntries,
      resumeHandle);
}

Status SimNetApi::NetServerEnumEx(std::string_view server, std::uint32_t level, std::uint32_t prefMaxLen,
                                  std::uint32_t serverType, std::string_view domain, std::string_view firstNameToReturn,
                                  NetBuffer<ServerInfo101>& out, std::uint32_t& totalEntries) {
  CallGuard guard(*this);
  std::vector<ServerInfo101> storage = out.Recycle();
  totalEntries = 0;
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != 100 && level != 101) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;
  if (domain.empty()) domain = net_.local.domain;

  // Hosts are in ascending order of name: the batch starts at the first one
  // not before the name asked for.
  const auto& hosts = net_.hosts;
  auto first = firstNameToReturn.empty()
                   ? hosts.begin()
                   : std::lower_bound(hosts.begin(), hosts.end(), firstNameToReturn,
                                      [](const Host& h, std::string_view n) { return CompareNoCase(h.name, n) < 0; });
  auto wanted = [&](const Host& h) { return (h.type & serverType) != 0 && EqualsNoCase(h.domain, domain); };
  std::size_t next = 0;
  std::vector<ServerInfo101> batch = FillBatch<ServerInfo101>(
      std::move(storage), static_cast<std::size_t>(first - hosts.begin()), hosts.size(), net_.batch, prefMaxLen,
      [&](std::size_t i, std::vector<ServerInfo101>& into) {
        const Host& h = hosts[i];
        if (!wanted(h)) return false;
        ServerInfo101& e = into.emplace_back();
        e.name = h.name;
        e.type = h.type;
        if (level == 101) e.comment = h.comment;
        return true;
      },
      [](const ServerInfo101& s) { return 40 + StrBytes(s.name) + StrBytes(s.comment); }, next);
  bool more = std::any_of(hosts.begin() + static_cast<std::ptrdiff_t>(next), hosts.end(), wanted);
  // Only a hint on the platform: here the entries returned and, while more
  // are left, every host after them whatever its domain and type.
  totalEntries = static_cast<std::uint32_t>(batch.size() + (more ? hosts.size() - next : 0));
  out.Reset(std::move(batch));
  return more ? ERROR_MORE_DATA : NERR_Success;
}

Status SimNetApi::NetQueryDisplayInformation(std::string_view server, std::uint32_t level, std::uint32_t index,
                                             std::uint32_t entriesRequested, std::uint32_t prefMaxLen,
                                             NetBuffer<DisplayEntry>& out) {
  CallGuard guard(*this);
  std::vector<DisplayEntry> storage = out.Recycle();
  Target t;
  if (!Resolve(server, t)) return ERROR_BAD_NETPATH;
  if (level != kDisplayUsers && level != kDisplayGroups) return ERROR_INVALID_LEVEL;
  if (!WaitFor(t)) return NERR_NetworkError;

  // The index is the position in the list: the batch is made from there on.
  const Directory& dir = *t.directory;
  bool users = level == kDisplayUsers;
  std::size_t count = users ? dir.users.size() : dir.groups.size();
  std::uint32_t cap = std::min(net_.batch, entriesRequested == 0 ? net_.batch : entriesRequested);
  std::size_t next = 0;
  out.Reset(FillBatch<DisplayEntry>(
      std::move(storage), std::min<std::size_t>(index, count), count, cap, prefMaxLen,
      [&](std::size_t i, std::vector<DisplayEntry>& into) {
        auto id = static_cast<std::uint32_t>(1000 + i), nextIndex = static_cast<std::uint32_t>(i + 1);
        if (users) {
          const Account& a = dir.users[i];
          into.push_back({std::string(a.name), std::string(a.comment), std::string(a.fullName), id, nextIndex});
        } else {
          const Group& g = dir.groups[i];
          into.push_back({std::string(g.name), std::string(g.comment), std::string(), id, nextIndex});
        }
        return true;
      },
      [](const DisplayEntry& e) { return 24 + StrBytes(e.name) + StrBytes(e.comment) + StrBytes(e.fullName); }, next));
  return next < count ? ERROR_MORE_DATA : NERR_Success;
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
  return ResumeBatch<GroupUsersInfo0>(
      group->members.size(), net_.batch, prefMaxLen,
      [&](std::size_t i) { return GroupUsersInfo0{std::string(group->members[i])}; },
      [](const GroupUsersInfo0& g) { return 8 + StrBytes(g.name); }, out, totalEntries, resumeHandle);
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
      dcName = "\\\\" + std::string(d.controller);
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
    info.langroup = t.host ? t.host->domain : std::string_view();
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
    if (!net_.local.address.empty()) return std::string(net_.local.address);
    if (const Host* h = LocalHost()) return std::string(h->address);
    return {};
  }
  if (const Host* h = FindHost(host)) return std::string(h->address);
  return {};
}

}  // namespace vantor::lan::sim
