// SPDX-License-Identifier: GPL-3.0-or-later
#include "receive/spool.h"

#include "common/text.h"
#include "common/utf.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace vantor::receive {

namespace {

constexpr std::string_view kMagic = "Vantor message 1";
constexpr std::string_view kSuffix = ".msg";
constexpr auto kTempAge = std::chrono::hours(1);

bool Unsafe(char32_t cp) {
  if (cp == '\t' || cp == '\n' || cp == '\r') return false;
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
         (cp >= 0x2066 && cp <= 0x2069) || cp == 0x200E || cp == 0x200F || cp == 0x061C;
}

std::string Clean(std::string_view utf8, bool name) {
  std::string out;
  out.reserve(utf8.size());
  Utf8Decoder d(utf8);
  for (char32_t cp; d.Next(cp);) {
    bool bad = cp == 0xFFFD || Unsafe(cp) || (name && (cp == '\t' || cp == '\n' || cp == '\r'));
    if (bad && name)
      out.push_back('?');
    else
      AppendUtf8(out, bad ? char32_t{0xFFFD} : cp);
  }
  return out;
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The names in a folder, sorted.
std::vector<std::string> Names(int dirFd) {
  std::vector<std::string> names;
  int scanFd = ::dup(dirFd);
  if (scanFd < 0) return names;
  DIR* d = ::fdopendir(scanFd);
  if (!d) {
    ::close(scanFd);
    return names;
  }
  ::rewinddir(d);
  while (dirent* e = ::readdir(d)) {
    std::string_view n = e->d_name;
    if (n != "." && n != "..") names.emplace_back(n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

bool OlderThan(const struct stat& st, Clock::TimePoint now, std::chrono::seconds age) {
  auto mtime = std::chrono::system_clock::from_time_t(st.st_mtime);
  return mtime + age < now;
}

}  // namespace

std::string CleanText(std::string_view utf8) { return Clean(utf8, false); }
std::string CleanName(std::string_view utf8) { return Clean(utf8, true); }

bool IsMessageId(std::string_view id) {
  if (id.empty() || id.size() > 64) return false;
  for (char c : id)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-')) return false;
  return true;
}

std::string UtcStamp(Clock::TimePoint t) {
  std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  ::gmtime_r(&tt, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &tm);
  return buf;
}

std::string FormatSpooled(const SpooledMessage& m) {
  std::string out(kMagic);
  out += "\nFrom: " + m.from + "\nTo: " + m.to + "\nTime: " + m.time + "\nLength: " + std::to_string(m.text.size()) +
         "\n\n";
  out += m.text;
  return out;
}

std::optional<SpooledMessage> ParseSpooled(std::string_view text, std::string& why) {
  SpooledMessage m;
  std::size_t pos = 0;
  auto line = [&](std::string& out) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos || nl - pos > 16 + kMaxCleanName) return false;
    out.assign(text.substr(pos, nl - pos));
    pos = nl + 1;
    return true;
  };
  auto field = [&](std::string_view key, std::string& out) {
    std::string l;
    if (!line(l) || l.compare(0, key.size(), key) != 0) {
      why = "no \"" + std::string(key) + "\" line";
      return false;
    }
    out = l.substr(key.size());
    return true;
  };
  std::string magic, length, blank;
  if (!line(magic) || magic != kMagic) {
    why = "not a spooled message";
    return std::nullopt;
  }
  if (!field("From: ", m.from) || !field("To: ", m.to) || !field("Time: ", m.time) || !field("Length: ", length))
    return std::nullopt;
  auto n = ParseUInt64(length);
  if (!line(blank) || !blank.empty() || !n || *n != text.size() - pos || *n > kMaxTextBytes) {
    why = "the text's length is not as stated";
    return std::nullopt;
  }
  if (m.from.empty() || m.to.empty() || m.from.size() > kMaxCleanName || m.to.size() > kMaxCleanName) {
    why = "a sender or recipient that is empty or too long";
    return std::nullopt;
  }
  m.from = CleanName(m.from);
  m.to = CleanName(m.to);
  m.time = CleanName(m.time);
  m.text = CleanText(text.substr(pos));
  return m;
}

bool DeliverToInbox(const std::string& spool, std::uint32_t uid, SpooledMessage& message, Clock::TimePoint now,
                    const InboxLimits& limits, std::string& why) {
  files::UniqueFd inboxes = files::OpenDirPath(AT_FDCWD, spool + "/inbox");
  if (!inboxes.Valid()) {
    why = spool + "/inbox: " + std::strerror(errno) + " (receiving has not been set up)";
    return false;
  }
  const std::string name = std::to_string(uid);
  files::UniqueFd dir = files::OpenDir(inboxes.Get(), name);
  struct stat st {};
  if (!dir.Valid() || ::fstat(dir.Get(), &st) != 0) {
    why = errno == EACCES ? "the inbox cannot be reached (its group must be the guest account's)"
                          : "no inbox (the user's receiver has never run)";
    return false;
  }
  if (st.st_uid != uid || (st.st_mode & S_IRWXO)) {
    why = "the inbox " + spool + "/inbox/" + name + " belongs to another user or is open to everybody";
    return false;
  }
  // Old messages of ours go; then what is left must leave room.
  std::size_t count = 0, bytes = 0;
  const uid_t self = ::geteuid();
  for (const std::string& n : Names(dir.Get())) {
    struct stat f {};
    if (::fstatat(dir.Get(), n.c_str(), &f, AT_SYMLINK_NOFOLLOW) != 0) continue;
    bool temp = n[0] == '.';
    if (f.st_uid == self && S_ISREG(f.st_mode) &&
        OlderThan(f, now, temp ? std::chrono::seconds(kTempAge) : std::chrono::seconds(limits.maxAge))) {
      ::unlinkat(dir.Get(), n.c_str(), 0);
      continue;
    }
    if (temp || !EndsWith(n, kSuffix)) continue;
    ++count;
    bytes += static_cast<std::size_t>(std::max<off_t>(f.st_size, 0));
  }
  // Messages often come several a second: the microseconds keep the ids of
  // one second in the order they arrived.
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count() % 1000000;
  char frac[8];
  std::snprintf(frac, sizeof frac, "%06lld", static_cast<long long>(micros < 0 ? micros + 1000000 : micros));
  message.id = UtcStamp(now) + "-" + frac + "-" + files::RandomHex(8);
  const std::string content = FormatSpooled(message);
  if (count >= limits.maxMessages || bytes + content.size() > limits.maxBytes) {
    why = "the inbox is full (" + std::to_string(count) + " messages, " + std::to_string(bytes) + " bytes)";
    return false;
  }
  if (!files::WriteReplacing(dir.Get(), message.id + std::string(kSuffix), content, 0604)) {
    why = std::string("the message cannot be written: ") + std::strerror(errno);
    return false;
  }
  return true;
}

std::optional<Inbox> Inbox::Open(const std::string& spool, std::uint32_t uid, std::string& why) {
  const std::string parent = spool + "/inbox";
  files::UniqueFd inboxes = files::OpenDirPath(AT_FDCWD, parent);
  if (!inboxes.Valid()) {
    why = parent + ": " + std::strerror(errno) + " (receiving has not been set up: vantor-receive --setup)";
    return std::nullopt;
  }
  const std::string name = std::to_string(uid);
  const std::string path = parent + "/" + name;
  if (::mkdirat(inboxes.Get(), name.c_str(), 0770) != 0 && errno != EEXIST) {
    why = path + ": cannot be made (" + std::strerror(errno) + ")";
    return std::nullopt;
  }
  files::UniqueFd dir = files::OpenDir(inboxes.Get(), name);
  struct stat st {}, parentSt {};
  if (!dir.Valid() || ::fstat(dir.Get(), &st) != 0 || ::fstat(inboxes.Get(), &parentSt) != 0) {
    why = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  if (st.st_uid != uid) {
    why = path + " belongs to another user; ask the administrator to remove it";
    return std::nullopt;
  }
  // The guest account's group reaches the inbox; others never. The group
  // comes from the parent; set it again in case the folder predates that.
  if (st.st_gid != parentSt.st_gid && ::fchown(dir.Get(), static_cast<uid_t>(-1), parentSt.st_gid) != 0) {
    // Only a member of that group may give it; the helper then says the
    // inbox is not reachable, and the set-up fixes it.
  }
  if ((st.st_mode & 07777) != 01770 && ::fchmod(dir.Get(), 01770) != 0) {
    why = path + ": cannot be made private (" + std::strerror(errno) + ")";
    return std::nullopt;
  }
  return Inbox(std::move(dir), path);
}

std::vector<SpooledMessage> Inbox::Waiting(std::vector<std::string>& problems) const {
  std::vector<SpooledMessage> messages;
  for (const std::string& n : Names(dir_.Get())) {
    if (n[0] == '.' || !EndsWith(n, kSuffix)) continue;
    std::string id = n.substr(0, n.size() - kSuffix.size());
    files::UniqueFd fd = files::OpenRegularFile(dir_.Get(), n);
    std::string text, why;
    std::optional<SpooledMessage> m;
    if (!IsMessageId(id))
      why = "not a name this system gives";
    else if (!fd.Valid())
      why = std::strerror(errno);
    else if (!files::ReadAtMost(fd.Get(), kMaxSpooledFile, text))
      why = "larger than " + std::to_string(kMaxSpooledFile) + " bytes";
    else
      m = ParseSpooled(text, why);
    if (!m) {
      problems.push_back(path_ + "/" + n + ": removed: " + why);
      ::unlinkat(dir_.Get(), n.c_str(), 0);
      continue;
    }
    m->id = id;
    messages.push_back(std::move(*m));
  }
  return messages;
}

void Inbox::Remove(const std::string& id) const {
  if (IsMessageId(id)) ::unlinkat(dir_.Get(), (id + std::string(kSuffix)).c_str(), 0);
}

}  // namespace vantor::receive
