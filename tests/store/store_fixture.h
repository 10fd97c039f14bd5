#pragma once
// A fresh store in a private folder for each test.

#include "store/hive.h"
#include "store/sqlite_hive.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vantor::store::test {

class StoreTest : public ::testing::Test {
 protected:
  std::string StorePath() const { return dir_.File("store.db"); }
  Hive& hive() {
    if (!hive_) hive_ = OpenSqliteHive(StorePath());
    return *hive_;
  }
  // A second connection to the same file, as another process would have.
  std::unique_ptr<Hive> OpenAgain(int busyTimeoutMs = 10000) {
    return OpenSqliteHive(StorePath(), SqliteHiveOptions{busyTimeoutMs});
  }

  vantor::test::TempDir dir_;
  std::unique_ptr<Hive> hive_;
};

}  // namespace vantor::store::test
