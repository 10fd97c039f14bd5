// SPDX-License-Identifier: GPL-3.0-or-later
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace vantor::test {

namespace {

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  for (const std::string& x : extra) {
    std::string name = x.substr(0, x.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
    if (x.size() > name.size()) env.push_back(x);
  }
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (std::string& s : strings) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

int StatusOf(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

void Pipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int in, int out, int err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
  if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
  if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = Environment(env);
  auto argp = Pointers(args);
  auto envp = Pointers(envs);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
  return pid;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, std::string_view input,
                         const std::vector<std::string>& env) {
  int in[2], out[2], err[2];
  Pipe(in);
  Pipe(out);
  Pipe(err);
  pid_t pid = Spawn(argv, env, in[0], out[1], err[1]);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  ::signal(SIGPIPE, SIG_IGN);  // a child that does not read its input must not end the test

  ProcessResult result;
  int readFds[2] = {out[0], err[0]};
  std::string* sinks[2] = {&result.out, &result.err};
  int inFd = in[1];
  size_t written = 0;
  if (input.empty()) {
    ::close(inFd);
    inFd = -1;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while ((readFds[0] >= 0 || readFds[1] >= 0) && std::chrono::steady_clock::now() < deadline) {
    pollfd fds[3] = {{readFds[0], POLLIN, 0}, {readFds[1], POLLIN, 0}, {inFd, POLLOUT, 0}};
    if (::poll(fds, 3, 1000) < 0 && errno != EINTR) break;
    for (int k = 0; k < 2; ++k) {
      if (readFds[k] < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      ssize_t n = ::read(readFds[k], buf, sizeof buf);
      if (n > 0) {
        sinks[k]->append(buf, static_cast<size_t>(n));
      } else {
        ::close(readFds[k]);
        readFds[k] = -1;
      }
    }
    if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<size_t>(n);
      if (n <= 0 || written == input.size()) {
        ::close(inFd);
        inFd = -1;
      }
    }
  }
  for (int fd : {readFds[0], readFds[1], inFd}) {
    if (fd >= 0) ::close(fd);
  }
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  result.status = StatusOf(raw);
  return result;
}

Child::Child(const std::vector<std::string>& argv) {
  int out[2];
  Pipe(out);
  pid_ = Spawn(argv, {}, -1, out[1], -1);
  ::close(out[1]);
  out_ = out[0];
}

Child::~Child() {
  if (!waited_) {
    Kill(SIGKILL);
    Wait();
  }
  if (out_ >= 0) ::close(out_);
}

std::string Child::ReadLine(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    size_t eol = buffer_.find('\n');
    if (eol != std::string::npos) {
      std::string line = buffer_.substr(0, eol);
      buffer_.erase(0, eol + 1);
      return line;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return {};
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[512];
    ssize_t n = ::read(out_, buf, sizeof buf);
    if (n <= 0) return {};
    buffer_.append(buf, static_cast<size_t>(n));
  }
}

void Child::Kill(int signal) {
  if (!waited_) ::kill(pid_, signal);
}

int Child::Wait() {
  if (!waited_) {
    int raw = 0;
    ::waitpid(pid_, &raw, 0);
    status_ = StatusOf(raw);
    waited_ = true;
  }
  return status_;
}

}  // namespace vantor::test
