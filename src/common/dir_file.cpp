// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/dir_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

namespace vantor::files {

UniqueFd OpenDir(int dirFd, const std::string& name) {
  return UniqueFd(::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

UniqueFd OpenDirPath(int dirFd, const std::string& name) {
  return UniqueFd(::openat(dirFd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

UniqueFd OpenRegularFile(int dirFd, const std::string& name) {
  UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (fd.Valid() && (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))) {
    fd.Reset();
    errno = EINVAL;
  }
  return fd;
}

bool ReadAtMost(int fd, std::size_t max, std::string& out) {
  out.clear();
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    std::size_t room = max - out.size();
    if (static_cast<std::size_t>(n) > room) {
      out.append(buf, room);
      return false;
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
}

bool WriteReplacing(int dirFd, const std::string& name, std::string_view text, mode_t mode) {
  const std::string temp = "." + name + "." + RandomHex(8);
  UniqueFd fd(::openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
  if (!fd.Valid()) return false;
  bool ok = ::fchmod(fd.Get(), mode) == 0;  // whatever the umask took away
  for (std::size_t done = 0; ok && done < text.size();) {
    ssize_t n = ::write(fd.Get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd.Get()) == 0;
  int err = errno;
  fd.Reset();
  if (ok && ::renameat(dirFd, temp.c_str(), dirFd, name.c_str()) == 0) return true;
  if (ok) err = errno;
  ::unlinkat(dirFd, temp.c_str(), 0);
  errno = err;
  return false;
}

std::string RandomHex(std::size_t bytes) {
  std::string raw(bytes, '\0');
  std::size_t got = 0;
  while (got < bytes) {
    ssize_t n = ::getrandom(raw.data() + got, bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got < bytes) {
    // No kernel randomness: the names still differ, but become guessable.
    thread_local std::mt19937_64 rng(std::random_device{}());
    for (char& c : raw) c = static_cast<char>(rng());
  }
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes * 2);
  for (char c : raw) {
    auto u = static_cast<unsigned char>(c);
    hex.push_back(kDigits[u >> 4]);
    hex.push_back(kDigits[u & 15]);
  }
  return hex;
}

bool IsNumberName(std::string_view name) {
  if (name.empty() || name.size() > 10) return false;
  for (char c : name)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace vantor::files
