// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/helper_pool.h"

#include "lan/samba/helper_protocol.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

extern char** environ;

#ifndef VANTOR_HELPER_INSTALLED
#define VANTOR_HELPER_INSTALLED ""
#endif
#ifndef VANTOR_HELPER_BUILT
#define VANTOR_HELPER_BUILT ""
#endif

namespace vantor::lan::samba {

namespace {

bool IsExecutable(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return 0;
  return left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
}

}  // namespace

std::string HelperPool::FindProgram() {
  if (const char* p = std::getenv("VANTOR_LAN_HELPER"); p && *p) return IsExecutable(p) ? p : std::string();
  // Beside the running program first, so that a build tree uses its own.
  char self[PATH_MAX] = {};
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string dir(self, static_cast<std::size_t>(n));
    dir = dir.substr(0, dir.rfind('/') + 1);
    if (IsExecutable(dir + "vantor-lan-helper")) return dir + "vantor-lan-helper";
  }
  if (IsExecutable(VANTOR_HELPER_INSTALLED)) return VANTOR_HELPER_INSTALLED;
  if (IsExecutable(VANTOR_HELPER_BUILT)) return VANTOR_HELPER_BUILT;
  return {};
}

HelperPool::HelperPool(HelperOptions options) : options_(std::move(options)) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    cancelRead_ = fds[0];
    cancelWrite_ = fds[1];
  } else {
    cancelled_ = true;  // without a way to cancel, no call may start
  }
}

HelperPool::~HelperPool() {
  Cancel();
  if (cancelRead_ >= 0) ::close(cancelRead_);
  if (cancelWrite_ >= 0) ::close(cancelWrite_);
}

void HelperPool::Cancel() {
  std::unique_lock lock(mutex_);
  if (!cancelled_) {
    cancelled_ = true;
    char c = 1;
    [[maybe_unused]] ssize_t w = ::write(cancelWrite_, &c, 1);
  }
  changed_.notify_all();
  changed_.wait(lock, [&] { return calls_ == 0; });
  for (Process& p : idle_) End(p);
  running_ -= idle_.size();
  idle_.clear();
}

void HelperPool::End(Process& p) {
  if (p.fd >= 0) ::close(p.fd);
  if (p.pid > 0) {
    ::kill(p.pid, SIGKILL);
    while (::waitpid(p.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  p = {};
}

Status HelperPool::Spawn(Process& p, std::chrono::steady_clock::time_point deadline) {
  if (options_.program.empty()) return ERROR_SERVICE_NOT_ACTIVE;
  int sv[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return ERROR_NOT_ENOUGH_MEMORY;
  // The child's end must not already be descriptor 3: dup2 onto itself
  // would keep its close-on-exec flag.
  if (sv[1] == 3) {
    int moved = ::fcntl(sv[1], F_DUPFD_CLOEXEC, 10);
    ::close(sv[1]);
    sv[1] = moved;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  // Samba's libraries write diagnostics of their own; they are shown only on request.
  if (!std::getenv("VANTOR_LAN_HELPER_DEBUG")) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, sv[1], 3);
  std::string program = options_.program;
  char* argv[] = {program.data(), nullptr};
  pid_t pid = -1;
  int rc = sv[1] < 0 ? EMFILE : ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (sv[1] >= 0) ::close(sv[1]);
  if (rc != 0) {
    ::close(sv[0]);
    return ERROR_SERVICE_NOT_ACTIVE;
  }
  p.pid = pid;
  p.fd = sv[0];
  if (options_.hello.empty()) return NERR_Success;
  std::string reply;
  Status s = Exchange(p, options_.hello, reply, deadline);
  std::uint32_t helloStatus = ERROR_SERVICE_NOT_ACTIVE;
  if (s == NERR_Success) helper::FieldReader(reply).U32(helloStatus);
  if (s == NERR_Success && helloStatus != NERR_Success) s = helloStatus;
  if (s != NERR_Success) End(p);
  return s;
}

Status HelperPool::Acquire(std::chrono::steady_clock::time_point deadline, Process& p) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (cancelled_) return ERROR_CANCELLED;
    if (!idle_.empty()) {
      p = idle_.back();
      idle_.pop_back();
      return NERR_Success;
    }
    if (running_ < options_.maxProcesses) break;
    if (!changed_.wait_until(lock, deadline,
                             [&] { return cancelled_ || !idle_.empty() || running_ < options_.maxProcesses; }))
      return ERROR_TIMEOUT;
  }
  ++running_;
  lock.unlock();
  Status s = Spawn(p, deadline);
  if (s != NERR_Success) {
    lock.lock();
    --running_;
    changed_.notify_all();
  }
  return s;
}

void HelperPool::Release(Process p, bool healthy) {
  std::unique_lock lock(mutex_);
  if (healthy && !cancelled_ && idle_.size() < options_.maxIdle) {
    idle_.push_back(p);
  } else {
    lock.unlock();
    End(p);
    lock.lock();
    --running_;
  }
  changed_.notify_all();
}

Status HelperPool::Exchange(const Process& p, const std::string& request, std::string& reply,
                            std::chrono::steady_clock::time_point deadline) {
  // Requests are small; the socket takes them whole without waiting.
  if (!helper::WriteFrame(p.fd, request)) return ERROR_SERVICE_NOT_ACTIVE;
  std::string buffer;
  std::size_t need = 4;
  bool haveLength = false;
  for (;;) {
    pollfd fds[2] = {{p.fd, POLLIN, 0}, {cancelRead_, POLLIN, 0}};
    int ms = RemainingMs(deadline);
    int r = ::poll(fds, 2, ms);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return ERROR_NOT_ENOUGH_MEMORY;
    if (fds[1].revents) return ERROR_CANCELLED;
    if (r == 0) return ERROR_TIMEOUT;
    char chunk[65536];
    ssize_t n = ::read(p.fd, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return ERROR_SERVICE_NOT_ACTIVE;
    buffer.append(chunk, static_cast<std::size_t>(n));
    if (!haveLength && buffer.size() >= 4) {
      std::uint32_t length = 0;
      helper::FieldReader(std::string_view(buffer).substr(0, 4)).U32(length);
      if (length > helper::kMaxFrame) return ERROR_BAD_NET_RESP;
      need = 4 + static_cast<std::size_t>(length);
      haveLength = true;
    }
    if (haveLength && buffer.size() >= need) {
      // One request, one reply: anything more is a broken helper.
      if (buffer.size() > need) return ERROR_BAD_NET_RESP;
      reply = buffer.substr(4);
      return NERR_Success;
    }
  }
}

Status HelperPool::Call(const std::string& request, std::string& reply) {
  reply.clear();
  auto deadline = std::chrono::steady_clock::now() + options_.timeout;
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return ERROR_CANCELLED;
    ++calls_;
  }
  Process p;
  Status s = Acquire(deadline, p);
  if (s == NERR_Success) {
    s = Exchange(p, request, reply, deadline);
    Release(p, s == NERR_Success);
  }
  std::lock_guard lock(mutex_);
  --calls_;
  changed_.notify_all();
  return s;
}

}  // namespace vantor::lan::samba
