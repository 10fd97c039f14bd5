// SPDX-License-Identifier: GPL-3.0-or-later
// vantor-deliver: Samba's `message command`. smbd runs it as its guest
// account for each message it receives; it leaves the message in the inbox
// of each local user the recipient's name reaches (receive/incoming.h) and
// logs one line per outcome to the system log, or to --log=FILE.
// Exit status: 0 when delivered to someone, 1 when refused, 2 for a usage
// error.

#include "receive/incoming.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

namespace {

class Log {
 public:
  explicit Log(const std::string& file) {
    if (!file.empty())
      fd_ = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd_ < 0) ::openlog("vantor-deliver", LOG_PID, LOG_USER);
  }
  ~Log() {
    if (fd_ >= 0)
      ::close(fd_);
    else
      ::closelog();
  }
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;

  void Line(int priority, const std::string& text) {
    std::cerr << "vantor-deliver: " << text << "\n";
    if (fd_ < 0) {
      ::syslog(priority, "%s", text.c_str());
      return;
    }
    std::string line = "vantor-deliver[" + std::to_string(::getpid()) + "]: " + text + "\n";
    [[maybe_unused]] ssize_t n = ::write(fd_, line.data(), line.size());
  }

 private:
  int fd_ = -1;
};

std::string HostName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  std::string name(buf);
  return name.substr(0, name.find('.'));
}

}  // namespace

int main(int argc, char** argv) {
  ::umask(077);
  std::vector<std::string> args(argv + 1, argv + argc);
  vantor::receive::DeliverOptions options;
  std::string why;
  bool parsed = vantor::receive::ParseDeliverArguments(args, options, why);
  Log log(options.logFile);
  if (!parsed) {
    log.Line(LOG_ERR, why + "; usage: vantor-deliver --spool=DIR --file=%s --from=%f --to=%L");
    return 2;
  }
  // The guest account is all it needs: as root it would pass over the
  // permissions that keep each inbox to its user, so it does not start.
  if (::geteuid() == 0) {
    log.Line(LOG_ERR, "runs as smbd's guest account, never as root; nothing was delivered");
    return 2;
  }
  vantor::receive::DeliverResult r =
      vantor::receive::DeliverIncoming(options, vantor::DefaultClock().Now(), HostName());
  for (const std::string& line : r.log) log.Line(r.delivered ? LOG_INFO : LOG_WARNING, line);
  return r.delivered ? 0 : 1;
}
