// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/sim/deliveries_log.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace vantor::lan::sim {

std::string DeliveriesLog::Append(const Delivery& d) const {
  nlohmann::ordered_json j;
  j["time"] = d.time;
  j["from"] = d.from;
  j["to"] = d.to;
  j["host"] = d.host;
  j["text"] = d.text;
  std::string line = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";

  int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return path_ + ": " + std::strerror(errno);
  std::string err;
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      err = path_ + ": cannot lock: " + std::strerror(errno);
      break;
    }
  }
  if (err.empty()) {
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
      ssize_t n = ::write(fd, p, left);
      if (n < 0) {
        if (errno == EINTR) continue;
        err = path_ + ": " + std::strerror(errno);
        break;
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
  return err;
}

}  // namespace vantor::lan::sim
