// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A message spool in a temporary folder, laid out as the set-up lays it out
// (names/ 1777, inbox/ 3713 in the test's own group), for tests that run as
// one user: that user both delivers and receives.

#include "support/temp_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vantor::test {

class SpoolFixture {
 public:
  SpoolFixture() {
    spool = (dir.path() / "spool").string();
    std::filesystem::create_directories(spool + "/names");
    std::filesystem::create_directories(spool + "/inbox");
    ::chmod(spool.c_str(), 0755);
    ::chmod((spool + "/names").c_str(), 01777);
    ::chmod((spool + "/inbox").c_str(), 03713);
    std::ofstream(spool + "/names/computer") << "DESK\n";
  }
  // The inbox of this test's user.
  std::string Inbox() const { return spool + "/inbox/" + std::to_string(::geteuid()); }
  static bool Root() { return ::geteuid() == 0; }

  TempDir dir;
  std::string spool;
};

}  // namespace vantor::test
