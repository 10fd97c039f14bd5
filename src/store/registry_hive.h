// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hive kept in the Windows registry of the current user, so that both
// programs share it with any other program that reads
// HKEY_CURRENT_USER\Software\Vantor directly.
//
// The registry gives the names, case rules, types and subtrees of hive.h by
// itself. What it lacks is added here:
// - Units: every operation and every ReadTransaction and WriteTransaction
//   holds a mutex that all the programs' processes share (one per root), so
//   a unit sees no half-done write of another of them. Programs that write
//   the registry directly do not take it.
// - All or nothing: a write unit keeps what it changed and puts it back when
//   it fails (throws). A process killed in the middle of a unit leaves what
//   it had written, as any registry writer does.
// - Order: values enumerate as the registry gives them, which on Windows is
//   the order of creation; Wine sorts them by name. Subkeys are sorted here.

#include "store/hive.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace vantor::store {

struct RegistryHiveOptions {
  // The hive's root as a key path below HKEY_CURRENT_USER; empty for
  // HKEY_CURRENT_USER itself (the programs' store). Tests use a private key.
  std::string root;
  // How long an operation waits for another process's unit to end.
  std::chrono::milliseconds busyTimeout{10000};
};

std::unique_ptr<Hive> OpenRegistryHive(const RegistryHiveOptions& options = {});

}  // namespace vantor::store
