// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/helper_protocol.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vantor::lan::samba::helper {

namespace {

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
    if (w < 0 && errno == ENOTSOCK) w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool ReadAll(int fd, char* p, std::size_t n) {
  while (n > 0) {
    ssize_t r = ::read(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

}  // namespace

bool WriteFrame(int fd, std::string_view body) {
  if (body.size() > kMaxFrame) return false;
  std::string frame = FieldWriter().U32(static_cast<std::uint32_t>(body.size())).Take();
  frame.append(body);
  return WriteAll(fd, frame.data(), frame.size());
}

bool ReadFrame(int fd, std::string& body) {
  char head[4];
  if (!ReadAll(fd, head, sizeof head)) return false;
  std::uint32_t n = 0;
  FieldReader(std::string_view(head, 4)).U32(n);
  if (n > kMaxFrame) return false;
  body.resize(n);
  return ReadAll(fd, body.data(), n);
}

}  // namespace vantor::lan::samba::helper
