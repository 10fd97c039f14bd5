// SPDX-License-Identifier: GPL-3.0-or-later
// A writer killed at any moment leaves every list whole: its directory entry
// and its key agree, and the count equals the members. The same holds for
// saved messages: every slot is whole, and an import of messages leaves all
// the old messages or all the new ones.
#include "child_process.h"
#include "list_check.h"
#include "message_check.h"
#include "store/sqlite_hive.h"
#include "store/transfer_files.h"
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
      ASSERT_EQ(churn.ReadLine(20000), "saved") << "round " << round;
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
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
  // Every round changed the lists before the kill (the writer said so).
  EXPECT_EQ(changedRounds, kRounds);
}

// The messages file of generation g: 1000 messages, the order top to bottom.
std::string MessagesFile(const vantor::test::TempDir& dir, int g) {
  auto hive = OpenSqliteHive(dir.File("gen" + std::to_string(g) + ".db"));
  SavedMessages messages(*hive);
  hive->WriteTransaction([&] {
    std::vector<int> order;
    for (int i = 0; i < kMaxSavedMessages; ++i) order.push_back(StoreChurnMessage(messages, g, i)->slot);
    messages.WriteOrder(order);
  });
  std::string file = dir.File("gen" + std::to_string(g) + ".reg");
  EXPECT_EQ(ExportMessages(*hive, file, TextCodec("CP1252")), std::nullopt);
  return file;
}

TEST(CrashSafety, AnImportOfMessagesKilledLeavesAllTheOldOrAllTheNew) {
  vantor::test::TempDir dir;
  std::string store = dir.File("store.db");
  const std::string files[2] = {MessagesFile(dir, 1), MessagesFile(dir, 2)};
  ASSERT_EQ(ImportMessages(*OpenSqliteHive(store), files[0], TextCodec("CP1252")).report, std::nullopt);
  std::mt19937 random(20241203);
  constexpr int kRounds = 50;
  int current = 1, changedRounds = 0;
  std::chrono::milliseconds importTime{0};  // the longest seen so far
  for (int round = 0; round < kRounds; ++round) {
    {
      // The child imports the other generation again and again. Every tenth
      // round the kill falls after the first import is complete, the others
      // during it; each at a random moment of the time an import takes in
      // this build.
      vantor::test::Child churn({MESSAGES_CHURN_EXE, store, "import", files[2 - current]});
      ASSERT_EQ(churn.ReadLine(20000), "ready") << "round " << round;
      if (round % 10 == 0) {
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(churn.ReadLine(60000), "imported") << "round " << round;
        importTime =
            std::max(importTime,
                     std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(random() % (importTime.count() + 1)));
      churn.Kill(SIGKILL);
      ASSERT_EQ(churn.Wait(), 128 + SIGKILL) << "the import ended by itself in round " << round;
    }
    ASSERT_EQ(IntegrityCheck(store), "ok") << "round " << round;
    MessageCheck check = CheckMessages(*OpenSqliteHive(store));
    ASSERT_THAT(check.problems, IsEmpty()) << "round " << round;
    ASSERT_EQ(check.generations.size(), 1u) << "round " << round;
    ASSERT_EQ(check.slots, kMaxSavedMessages) << "round " << round;
    ASSERT_EQ(check.orderEntries, kMaxSavedMessages) << "round " << round;
    if (*check.generations.begin() != current) ++changedRounds;
    current = *check.generations.begin();
  }
  // Imports were killed both before and after one was complete.
  EXPECT_GE(changedRounds, kRounds / 10);
  EXPECT_LT(changedRounds, kRounds * 4 / 5);
}

TEST(CrashSafety, AStoredMessageKilledLeavesEverySlotWhole) {
  vantor::test::TempDir dir;
  std::string store = dir.File("store.db");
  std::mt19937 random(20241204);
  constexpr int kRounds = 50;
  int changedRounds = 0, previousSlots = 0;
  std::set<int> previous;
  for (int round = 0; round < kRounds; ++round) {
    {
      vantor::test::Child churn({MESSAGES_CHURN_EXE, store, "store", std::to_string(round + 1)});
      ASSERT_EQ(churn.ReadLine(20000), "ready") << "round " << round;
      ASSERT_EQ(churn.ReadLine(20000), "stored") << "round " << round;
      std::this_thread::sleep_for(std::chrono::microseconds(1000 + random() % 30000));
      churn.Kill(SIGKILL);
      ASSERT_EQ(churn.Wait(), 128 + SIGKILL) << "the writer ended by itself in round " << round;
    }
    ASSERT_EQ(IntegrityCheck(store), "ok") << "round " << round;
    MessageCheck check = CheckMessages(*OpenSqliteHive(store));
    ASSERT_THAT(check.problems, IsEmpty()) << "round " << round;
    if (check.generations != previous || check.slots != previousSlots) ++changedRounds;
    previous = check.generations;
    previousSlots = check.slots;
  }
  EXPECT_GT(changedRounds, kRounds / 2);
}

}  // namespace
}  // namespace vantor::store::test
