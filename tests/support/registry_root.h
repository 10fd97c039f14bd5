// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private key of the current user's registry for one test, removed with
// everything below it afterwards (Windows only).

#include "store/registry_hive.h"

#include <string>

namespace vantor::test {

class RegistryRoot {
 public:
  RegistryRoot();
  ~RegistryRoot();
  RegistryRoot(const RegistryRoot&) = delete;
  RegistryRoot& operator=(const RegistryRoot&) = delete;

  // The key's path below HKEY_CURRENT_USER.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// True when the program runs under Wine rather than on Windows.
bool RunningUnderWine();

}  // namespace vantor::test
