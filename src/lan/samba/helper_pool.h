// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the directory helper (vantor-lan-helper) as child processes and
// hands each call to one of them. A process serves one call at a time;
// calls from several threads run side by side in separate processes (up to
// a limit, beyond which a call waits for one to come free). Every wait has
// the call's deadline; a call that outlives it, or that is cancelled, ends
// its process, so nothing Samba's libraries do can hold a caller longer.

#include "lan/net_status.h"

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace vantor::lan::samba {

inline constexpr Status ERROR_CANCELLED = 1223;

struct HelperOptions {
  std::string program;  // the helper's path
  std::string hello;    // the first request each process gets (credentials); empty: none
  std::chrono::milliseconds timeout{15000};
  std::size_t maxProcesses = 8;
  std::size_t maxIdle = 4;
};

class HelperPool {
 public:
  explicit HelperPool(HelperOptions options);
  ~HelperPool();
  HelperPool(const HelperPool&) = delete;
  HelperPool& operator=(const HelperPool&) = delete;

  // Sends request and waits for the reply within the timeout. Gives 0 and
  // the reply's body, or ERROR_TIMEOUT, ERROR_CANCELLED, or
  // ERROR_SERVICE_NOT_ACTIVE when the helper cannot be started or died.
  Status Call(const std::string& request, std::string& reply);

  // Ends every running call (they give ERROR_CANCELLED) and makes later
  // calls fail at once. Waits until the running calls have returned.
  void Cancel();

  // The helper's path: $VANTOR_LAN_HELPER, else the installed one, else the
  // one in the build tree; empty when none exists.
  static std::string FindProgram();

 private:
  struct Process {
    pid_t pid = -1;
    int fd = -1;
  };
  Status Acquire(std::chrono::steady_clock::time_point deadline, Process& p);
  void Release(Process p, bool healthy);
  Status Spawn(Process& p, std::chrono::steady_clock::time_point deadline);
  // One request and its reply on p within the deadline.
  Status Exchange(const Process& p, const std::string& request, std::string& reply,
                  std::chrono::steady_clock::time_point deadline);
  static void End(Process& p);

  HelperOptions options_;
  int cancelRead_ = -1, cancelWrite_ = -1;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Process> idle_;
  std::size_t running_ = 0;  // processes alive, idle or busy
  std::size_t calls_ = 0;    // calls under way
  bool cancelled_ = false;
};

}  // namespace vantor::lan::samba
