// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hive kept in one SQLite database file (the POSIX store). The layout of
// the file is described in docs/store.md.

#include "store/hive.h"

#include <memory>
#include <string>

namespace vantor::store {

struct SqliteHiveOptions {
  // How long an operation waits for another process's write to end before it
  // fails. The windowed program's writes take milliseconds.
  int busyTimeoutMs = 10000;
};

std::unique_ptr<Hive> OpenSqliteHive(const std::string& path, const SqliteHiveOptions& options);

// The schema version this build reads and writes (PRAGMA user_version).
inline constexpr int kStoreSchemaVersion = 2;
// PRAGMA application_id of a store file: "VTOR".
inline constexpr int kStoreApplicationId = 0x56544F52;

}  // namespace vantor::store
