// A writer killed at any moment leaves every list whole: its directory entry
// and its key agree, and the count equals the members.
#include "child_process.h"
#include "list_check.h"
#include "store/sqlite_hive.h"
#include "support/temp_dir.h"

#include <signal.h>
#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

namespace vantor::store::test {
namespace {

using ::testing::IsEmpty;

std::string IntegrityCheck(const std::string& file) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return result;
}

TEST(CrashSafety, ListsStayWholeWhenTheWriterIsKilled) {
  vantor::test::TempDir dir;
  std::string store = dir.File("store.db");
  std::mt19937 random(20240611);
  constexpr int kRounds = 80;
  int changedRounds = 0;
  std::set<int> previous;
  for (int round = 0; round < kRounds; ++round) {
    {
      vantor::test::Child churn({STORE_CHURN_EXE, store, std::to_string(round + 1), "0"});
      ASSERT_EQ(churn.ReadLine(20000), "ready") << "round " << round;
      std::this_thread::sleep_for(std::chrono::microseconds(1000 + random() % 30000));
      churn.Kill(SIGKILL);
      ASSERT_EQ(churn.Wait(), 128 + SIGKILL) << "the churn ended by itself in round " << round;
    }
    ASSERT_EQ(IntegrityCheck(store), "ok") << "round " << round;
    auto hive = OpenSqliteHive(store);
    ListCheck check = CheckLists(*hive);
    ASSERT_THAT(check.problems, IsEmpty()) << "round " << round;
    if (check.generations != previous) ++changedRounds;
    previous = check.generations;
  }
  // The writer got far enough to change the lists in most rounds.
  EXPECT_GT(changedRounds, kRounds / 2);
}

}  // namespace
}  // namespace vantor::store::test
