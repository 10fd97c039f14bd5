// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private smbd on 127.0.0.1 for the tests and benchmarks that need a real
// messaging peer: its own configuration and folders in a temporary directory,
// an unprivileged port, SMB1 allowed, and (optionally) a message command that
// appends "FROM=<sender>", the text and "--END--" to a file. It is stopped
// by its process id when the object goes away.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace vantor::test {

class PrivateSmbd {
 public:
  struct Options {
    bool messageCommand = true;
    std::string netbiosName = "VANTORPEER";
  };

  explicit PrivateSmbd(Options options);
  PrivateSmbd() : PrivateSmbd(Options{}) {}
  ~PrivateSmbd();
  PrivateSmbd(const PrivateSmbd&) = delete;
  PrivateSmbd& operator=(const PrivateSmbd&) = delete;

  // The smbd program, or empty when Samba is not installed.
  static std::string FindSmbd();
  // True when the environment asks for failures instead of skips (CI sets it
  // where Samba is installed).
  static bool Required();

  bool Running() const { return pid_ > 0; }
  const std::string& Why() const { return why_; }  // why it is not running
  std::uint16_t Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  const std::filesystem::path& Dir() const { return dir_; }
  std::string ConfigFile() const { return (dir_ / "smb.conf").string(); }
  std::string MessagesFile() const { return (dir_ / "out" / "messages.txt").string(); }
  std::string Messages() const;
  void Stop();

 private:
  bool StartOnce(const std::string& smbd, const Options& options);

  std::filesystem::path dir_;
  std::uint16_t port_ = 0;
  pid_t pid_ = -1;
  std::string why_;
};

}  // namespace vantor::test
