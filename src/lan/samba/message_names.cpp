// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/message_names.h"

#include "common/text.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace vantor::lan::samba {

namespace {

constexpr Status NERR_DelComputerName = 2278;
constexpr const char* kComputerFile = "computer";

std::string SessionFile(std::uint32_t uid) { return std::to_string(uid) + ".session"; }

bool OwnedBy(int fd, std::uint32_t uid) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == uid;
}

// The receiver's lock covers the first byte of the session file.
struct flock SessionRange(short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 1;
  return fl;
}

bool SessionHeld(int dirFd, std::uint32_t uid) {
  files::UniqueFd fd = files::OpenRegularFile(dirFd, SessionFile(uid));
  if (!fd.Valid() || !OwnedBy(fd.Get(), uid)) return false;
  struct flock fl = SessionRange(F_WRLCK);
  return ::fcntl(fd.Get(), F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

std::vector<std::string> ParseAliases(std::string_view text) {
  std::vector<std::string> aliases;
  for (const std::string& raw : SplitLines(text)) {
    std::string_view line = TrimBlanks(raw);
    if (line.empty() || line[0] == '#' || !AliasProblem(line).empty()) continue;
    bool seen = std::any_of(aliases.begin(), aliases.end(), [&](const std::string& a) { return EqualsNoCase(a, line); });
    if (!seen && aliases.size() < MessageNames::kMaxAliases) aliases.emplace_back(line);
  }
  return aliases;
}

// Serialises the changes one user's programs make to that user's file. The
// receiver's session lock is a record lock on the same file, which this
// whole-file lock does not touch.
files::UniqueFd LockUserFile(int dirFd, std::uint32_t uid) {
  files::UniqueFd fd(
      ::openat(dirFd, SessionFile(uid).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  if (!fd.Valid() || !OwnedBy(fd.Get(), uid)) return {};
  ::fchmod(fd.Get(), 0644);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return {};
    if (std::chrono::steady_clock::now() > deadline) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return fd;
}

}  // namespace

std::string AliasProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.size() > 15) return "is longer than 15 characters";
  for (char c : name) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
              c == '.';
    if (!ok) return "holds characters other than ASCII letters, digits, '-', '_' and '.'";
  }
  return {};
}

std::string AccountName(std::uint32_t uid) {
  struct passwd pw {};
  struct passwd* found = nullptr;
  std::string buf(16384, '\0');
  if (::getpwuid_r(static_cast<uid_t>(uid), &pw, buf.data(), buf.size(), &found) != 0 || !found) return {};
  return found->pw_name ? std::string(found->pw_name) : std::string();
}

MessageNames::MessageNames(std::string spoolDir) : spool_(std::move(spoolDir)) {}

files::UniqueFd MessageNames::OpenFolder() const {
  if (spool_.empty()) return {};
  files::UniqueFd fd = files::OpenDir(AT_FDCWD, Folder());
  struct stat st {};
  // A folder that others may write to must keep them from replacing each
  // other's files.
  if (fd.Valid() && (::fstat(fd.Get(), &st) != 0 || ((st.st_mode & S_IWOTH) && !(st.st_mode & S_ISVTX))))
    fd.Reset();
  return fd;
}

bool MessageNames::Available() const { return OpenFolder().Valid(); }

std::string MessageNames::ComputerName() const {
  files::UniqueFd dir = OpenFolder();
  if (!dir.Valid()) return {};
  files::UniqueFd fd = files::OpenRegularFile(dir.Get(), kComputerFile);
  struct stat st {}, dirSt {};
  // Only the folder's owner (root) names the computer.
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || ::fstat(dir.Get(), &dirSt) != 0 || st.st_uid != dirSt.st_uid)
    return {};
  std::string text;
  files::ReadAtMost(fd.Get(), 256, text);
  std::vector<std::string> lines = SplitLines(text);
  std::string name = lines.empty() ? std::string() : std::string(TrimBlanks(lines[0]));
  return AliasProblem(name).empty() ? name : std::string();
}

bool MessageNames::ReadUser(int dirFd, std::uint32_t uid, MessageUser& user) const {
  files::UniqueFd fd = files::OpenRegularFile(dirFd, std::to_string(uid));
  if (!fd.Valid() || !OwnedBy(fd.Get(), uid)) return false;
  std::string text;
  files::ReadAtMost(fd.Get(), kMaxFileSize, text);  // a longer file counts as far as this
  user.uid = uid;
  user.name = AccountName(uid);
  if (user.name.empty()) return false;
  user.aliases = ParseAliases(text);
  user.loggedOn = SessionHeld(dirFd, uid);
  return true;
}

std::vector<MessageUser> MessageNames::Users() const {
  std::vector<MessageUser> users;
  files::UniqueFd dir = OpenFolder();
  if (!dir.Valid()) return users;
  int scanFd = ::dup(dir.Get());
  if (scanFd < 0) return users;
  DIR* d = ::fdopendir(scanFd);
  if (!d) {
    ::close(scanFd);
    return users;
  }
  std::vector<std::uint32_t> uids;
  while (dirent* e = ::readdir(d)) {
    if (!files::IsNumberName(e->d_name)) continue;
    unsigned long long uid = std::strtoull(e->d_name, nullptr, 10);
    if (uid <= 0xFFFFFFFEull) uids.push_back(static_cast<std::uint32_t>(uid));
  }
  ::closedir(d);
  std::sort(uids.begin(), uids.end());
  for (std::uint32_t uid : uids) {
    MessageUser u;
    if (ReadUser(dir.Get(), uid, u)) users.push_back(std::move(u));
  }
  return users;
}

MessageNames::Reach MessageNames::Resolve(std::string_view name, std::string_view hostName) const {
  Reach reach;
  std::vector<MessageUser> users = Users();
  std::string computer = ComputerName();
  if ((!computer.empty() && EqualsNoCase(name, computer)) || (!hostName.empty() && EqualsNoCase(name, hostName))) {
    reach.toComputer = true;
    for (MessageUser& u : users)
      if (u.loggedOn) reach.users.push_back(std::move(u));
    return reach;
  }
  for (MessageUser& u : users) {
    for (const std::string& a : u.aliases) {
      if (EqualsNoCase(a, name)) {
        reach.users.push_back(std::move(u));
        return reach;
      }
    }
  }
  for (MessageUser& u : users) {
    if (EqualsNoCase(u.name, name)) {
      reach.users.push_back(std::move(u));
      return reach;
    }
  }
  return reach;
}

Status MessageNames::WriteAliases(int dirFd, std::uint32_t uid, const std::vector<std::string>& aliases) const {
  std::string text = "# Message names of " + AccountName(uid) + ", kept by Vantor: one alias a line.\n";
  for (const std::string& a : aliases) text += a + "\n";
  if (files::WriteReplacing(dirFd, std::to_string(uid), text, 0644)) return NERR_Success;
  return errno == EPERM || errno == EACCES ? ERROR_ACCESS_DENIED : NERR_MsgNotStarted;
}

Status MessageNames::Register(std::uint32_t uid) {
  files::UniqueFd dir = OpenFolder();
  if (!dir.Valid()) return NERR_MsgNotStarted;
  files::UniqueFd lock = LockUserFile(dir.Get(), uid);
  if (!lock.Valid()) return ERROR_ACCESS_DENIED;
  MessageUser self;
  if (ReadUser(dir.Get(), uid, self)) return NERR_Success;
  return WriteAliases(dir.Get(), uid, {});
}

Status MessageNames::AddAlias(std::uint32_t uid, std::string_view alias, std::string_view computerName) {
  if (!AliasProblem(alias).empty()) return ERROR_INVALID_NAME;
  files::UniqueFd dir = OpenFolder();
  if (!dir.Valid()) return NERR_MsgNotStarted;
  std::string computer = ComputerName();
  if (EqualsNoCase(alias, computerName) || (!computer.empty() && EqualsNoCase(alias, computer)) ||
      EqualsNoCase(alias, AccountName(uid)))
    return NERR_AlreadyExists;
  files::UniqueFd lock = LockUserFile(dir.Get(), uid);
  if (!lock.Valid()) return ERROR_ACCESS_DENIED;
  std::vector<std::string> own;
  for (const MessageUser& u : Users()) {
    if (u.uid == uid) own = u.aliases;
    if (EqualsNoCase(u.name, alias)) return NERR_AlreadyExists;
    for (const std::string& a : u.aliases)
      if (EqualsNoCase(a, alias)) return NERR_AlreadyExists;
  }
  if (own.size() >= kMaxAliases) return NERR_TooManyNames;
  own.emplace_back(alias);
  return WriteAliases(dir.Get(), uid, own);
}

Status MessageNames::RemoveAlias(std::uint32_t uid, std::string_view alias, std::string_view computerName) {
  files::UniqueFd dir = OpenFolder();
  if (!dir.Valid()) return NERR_MsgNotStarted;
  std::string computer = ComputerName();
  if (EqualsNoCase(alias, computerName) || (!computer.empty() && EqualsNoCase(alias, computer)))
    return NERR_DelComputerName;
  files::UniqueFd lock = LockUserFile(dir.Get(), uid);
  if (!lock.Valid()) return ERROR_ACCESS_DENIED;
  for (const MessageUser& u : Users()) {
    auto it = std::find_if(u.aliases.begin(), u.aliases.end(), [&](const std::string& a) {
      return EqualsNoCase(a, alias);
    });
    if (u.uid == uid && it != u.aliases.end()) {
      std::vector<std::string> rest = u.aliases;
      rest.erase(rest.begin() + (it - u.aliases.begin()));
      return WriteAliases(dir.Get(), uid, rest);
    }
    if (it != u.aliases.end() || EqualsNoCase(u.name, alias)) return ERROR_ACCESS_DENIED;
  }
  return NERR_NameNotFound;
}

MessageNames::SessionResult MessageNames::OpenSession(std::uint32_t uid, files::UniqueFd& lock,
                                                      std::string& why) const {
  files::UniqueFd dir = OpenFolder();
  if (!dir.Valid()) {
    why = Folder() + " is missing or open to everybody: receiving has not been set up (vantor-receive --setup)";
    return SessionResult::kFailed;
  }
  files::UniqueFd fd(
      ::openat(dir.Get(), SessionFile(uid).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  if (!fd.Valid() || !OwnedBy(fd.Get(), uid)) {
    why = Folder() + "/" + SessionFile(uid) + ": " +
          (fd.Valid() ? std::string("it belongs to another user; ask the administrator to remove it")
                      : std::string(std::strerror(errno)));
    return SessionResult::kFailed;
  }
  ::fchmod(fd.Get(), 0644);
  struct flock fl = SessionRange(F_WRLCK);
  if (::fcntl(fd.Get(), F_OFD_SETLK, &fl) != 0) {
    if (errno == EAGAIN || errno == EACCES) return SessionResult::kHeld;
    why = Folder() + "/" + SessionFile(uid) + ": cannot be locked (" + std::strerror(errno) + ")";
    return SessionResult::kFailed;
  }
  lock = std::move(fd);
  return SessionResult::kOpened;
}

}  // namespace vantor::lan::samba
