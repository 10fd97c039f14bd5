// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/credentials_file.h"

#include "common/text.h"
#include "lan/samba/samba_config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantor::lan::samba {

namespace {

constexpr off_t kMaxSize = 64 * 1024;

std::string Octal(mode_t mode) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04o", static_cast<unsigned>(mode & 07777));
  return buf;
}

}  // namespace

Credentials ParseCredentials(std::string_view text, const std::string& path) {
  Credentials c;
  std::vector<std::string> lines = SplitLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = TrimBlanks(lines[i]);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
      throw ConfigError(path + ":" + std::to_string(i + 1) + ": expected \"key = value\"");
    std::string key = AsciiLower(TrimBlanks(line.substr(0, eq)));
    std::string value(TrimBlanks(line.substr(eq + 1)));
    if (key == "username") {
      // DOMAIN\user (or DOMAIN/user) names the domain too.
      std::size_t sep = value.find_first_of("\\/");
      if (sep != std::string::npos) {
        c.domain = value.substr(0, sep);
        value.erase(0, sep + 1);
      }
      c.user = value;
    } else if (key == "password") {
      c.password = value;
    } else if (key == "domain" || key == "workgroup") {
      c.domain = value;
    }
    // Other keys Samba's tools know (realm and the like) are not needed here.
  }
  if (c.user.empty()) throw ConfigError(path + ": the credentials file names no user (a line \"username = NAME\")");
  return c;
}

Credentials LoadCredentialsFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw ConfigError(path + ": the credentials file cannot be read (" + std::strerror(errno) + ")");
  struct stat st {};
  std::string text;
  std::string problem;
  if (::fstat(fd, &st) != 0) {
    problem = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    problem = "not a regular file";
  } else if (st.st_uid != ::geteuid()) {
    problem = "it belongs to another user";
  } else if (st.st_mode & (S_IRWXG | S_IRWXO)) {
    ::close(fd);
    throw ConfigError(path + ": the credentials file holds a password but other users may read it (mode " +
                      Octal(st.st_mode) + "); make it private with: chmod 600 " + path);
  } else if (st.st_size > kMaxSize) {
    problem = "larger than 64 KiB";
  } else {
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < text.size()) {
      ssize_t n = ::read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    text.resize(got);
  }
  ::close(fd);
  if (!problem.empty()) throw ConfigError(path + ": the credentials file cannot be used (" + problem + ")");
  return ParseCredentials(text, path);
}

}  // namespace vantor::lan::samba
