// SPDX-License-Identifier: GPL-3.0-or-later
// One process saves and deletes lists while this one reads them: no read
// fails, and none sees a list half written.
#include "child_process.h"
#include "list_check.h"
#include "store/sqlite_hive.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace vantor::store::test {
namespace {

using ::testing::IsEmpty;

TEST(Concurrency, AReaderNeverSeesAListHalfWritten) {
  vantor::test::TempDir dir;
  std::string store = dir.File("store.db");
  vantor::test::Child writer({STORE_CHURN_EXE, store, "7", "4"});
  ASSERT_EQ(writer.ReadLine(20000), "ready");

  auto hive = OpenSqliteHive(store);
  ListsStore lists(*hive);
  std::set<int> generations;
  int reads = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  try {
    while (std::chrono::steady_clock::now() < end) {
      // The whole store at one moment...
      ListCheck check = CheckLists(*hive);
      ASSERT_THAT(check.problems, IsEmpty());
      generations.insert(check.generations.begin(), check.generations.end());
      // ...and each list by itself, as the console tool loads one.
      for (int i = 0; i < 5; ++i) {
        std::vector<ListMember> members = lists.LoadList("List" + std::to_string(i));
        for (const ListMember& m : members) {
          int g = 0, n = 0, k = 0;
          ASSERT_EQ(std::sscanf(m.comment.c_str(), "g%d,n%d,i%d", &g, &n, &k), 3) << m.comment;
          ASSERT_EQ(n, static_cast<int>(members.size())) << "List" << i << " " << m.comment;
        }
      }
      ++reads;
    }
  } catch (const StoreError& e) {
    FAIL() << "a read failed while the other process wrote: " << e.what();
  }
  EXPECT_EQ(writer.Wait(), 0) << "the writer failed";
  // The reader kept up and saw the writer's progress.
  EXPECT_GT(reads, 20);
  EXPECT_GT(generations.size(), 20u);
}

}  // namespace
}  // namespace vantor::store::test
