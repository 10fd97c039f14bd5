// SPDX-License-Identifier: GPL-3.0-or-later
// Recipient lists: the directory, one key per list, "kind,comment" members.
#include "store/lists_store.h"
#include "store/settings.h"
#include "store_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::store::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::ThrowsMessage;

const std::string kSales = "Software\\Vantor\\Lists\\Sales";

class Lists : public StoreTest {
 protected:
  ListsStore& lists() {
    if (!lists_) lists_ = std::make_unique<ListsStore>(hive());
    return *lists_;
  }
  std::vector<std::pair<std::string, std::string>> Raw(const std::string& key) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const NamedValue& v : hive().Values(key)) out.emplace_back(v.name, v.value.data);
    return out;
  }
  std::unique_ptr<ListsStore> lists_;
};

using P = std::pair<std::string, std::string>;

TEST_F(Lists, SavingWritesTheDirectoryValueAndOneValuePerMember) {
  lists().SaveList("Sales", {{"alice", 2, "Alice"}, {"pc7", 3, ""}});
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\ListNames", "Sales"), Value::String("2"));
  EXPECT_THAT(Raw(kSales), ElementsAre(P("alice", "2,Alice"), P("pc7", "3,")));
  EXPECT_TRUE(lists().ListExists("Sales"));
  EXPECT_THAT(lists().LoadList("Sales"), ElementsAre(ListMember{"alice", 2, "Alice"}, ListMember{"pc7", 3, ""}));

  // Saved again with one member: the old members are gone.
  lists().SaveList("Sales", {{"bob", 4, "Staff group"}});
  EXPECT_THAT(Raw(kSales), ElementsAre(P("bob", "4,Staff group")));
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\ListNames", "Sales"), Value::String("1"));
}

TEST_F(Lists, CommentsKeepTheirCommasAndEverythingElse) {
  const std::string comment = "Smith, John, \"Sales\", C:\\desk, ,";
  lists().SaveList("Ops", {{"john", 2, comment}, {"odd", 3, ","}});
  EXPECT_THAT(lists().LoadList("Ops"), ElementsAre(ListMember{"john", 2, comment}, ListMember{"odd", 3, ","}));
  EXPECT_EQ(ListsStore::MemberData(3, ","), "3,,");
}

TEST_F(Lists, NamesIgnoreCase) {
  lists().SaveList("Sales", {{"alice", 2, ""}, {"bob", 2, ""}});
  lists().SaveList("sales", {{"ALICE", 2, "upper"}});
  EXPECT_TRUE(lists().ListExists("SALES"));
  ASSERT_EQ(lists().ListDirectory().size(), 1u);
  EXPECT_EQ(lists().ListDirectory()[0].name, "Sales");  // the directory keeps the first spelling
  EXPECT_THAT(lists().LoadList("SaLeS"), ElementsAre(ListMember{"ALICE", 2, "upper"}));
  // Members that differ only in case are one member, and the count says so.
  lists().SaveList("Ops", {{"pc1", 3, "a"}, {"PC1", 3, "b"}, {"pc2", 3, ""}});
  EXPECT_THAT(lists().ListDirectory(),
              InStoreOrder(Field(&ListDirectoryEntry::count, "1"), Field(&ListDirectoryEntry::count, "2")));
  EXPECT_THAT(lists().LoadList("Ops"), ElementsAre(ListMember{"pc1", 3, "b"}, ListMember{"pc2", 3, ""}));
}

TEST_F(Lists, DeletingRemovesKeyAndDirectoryValueOnly) {
  lists().SaveList("Sales", {{"alice", 2, ""}});
  lists().SaveList("Sales2", {{"bob", 2, ""}});
  lists().DeleteList("sales");
  EXPECT_FALSE(lists().ListExists("Sales"));
  EXPECT_FALSE(hive().KeyExists(kSales));
  EXPECT_THAT(lists().LoadList("Sales"), IsEmpty());
  EXPECT_EQ(lists().ListValues("Sales"), std::nullopt);
  ASSERT_EQ(lists().ListDirectory().size(), 1u);
  EXPECT_THAT(lists().LoadList("Sales2"), ElementsAre(ListMember{"bob", 2, ""}));
  lists().DeleteList("Nowhere");  // not stored: nothing happens, nothing is reported
  EXPECT_EQ(lists().ListDirectory().size(), 1u);
}

TEST_F(Lists, ExistenceReadsTheDirectoryCountAsANumber) {
  const char* dir = "Software\\Vantor\\ListNames";
  EXPECT_FALSE(lists().ListExists("Sales"));
  for (auto [count, exists] :
       {std::pair<const char*, bool>{"3", true}, {"0", false}, {"abc", false}, {"", false}, {"-1", true}}) {
    hive().SetValue(dir, "Sales", Value::String(count));
    EXPECT_EQ(lists().ListExists("Sales"), exists) << count;
  }
}

TEST_F(Lists, TheDirectoryIsInCreationOrderWithoutEmptyEntries) {
  const char* dir = "Software\\Vantor\\ListNames";
  EXPECT_THAT(lists().ListDirectory(), IsEmpty());
  lists().SaveList("Zeta", {{"a", 2, ""}});
  hive().SetValue(dir, "Blank", Value::String(""));
  lists().SaveList("Alpha", {{"a", 2, ""}, {"b", 3, ""}, {"c", 4, ""}});
  hive().SetValue(dir, "Imported", Value::String("007"));  // kept as found
  std::vector<std::string> entries;
  for (const ListDirectoryEntry& e : lists().ListDirectory()) entries.push_back(e.name + "=" + e.count);
  EXPECT_THAT(entries, InStoreOrder("Zeta=1", "Alpha=3", "Imported=007"));
}

TEST_F(Lists, AMemberValueThatDoesNotParseIsReported) {
  lists().SaveList("Sales", {{"alice", 2, "Alice"}});
  hive().SetValue(kSales, "bob", Value::String("x,Bob"));
  EXPECT_THAT(
      [&] { lists().LoadList("Sales"); },
      ThrowsMessage<StoreError>(HasSubstr("'x' is not a valid integer value (member 'bob' of the list 'Sales')")));
  hive().SetValue(kSales, "bob", Value::String("2"));
  EXPECT_THAT([&] { lists().LoadList("Sales"); },
              ThrowsMessage<StoreError>(HasSubstr("'2' is not a valid member value")));
  // Empty data is skipped, as a reader of the directory skips it too.
  hive().SetValue(kSales, "bob", Value::String(""));
  EXPECT_THAT(lists().LoadList("Sales"), ElementsAre(ListMember{"alice", 2, "Alice"}));
  auto values = lists().ListValues("Sales");
  ASSERT_TRUE(values);
  EXPECT_THAT(*values, ElementsAre(P("alice", "2,Alice")));
  hive().SetValue(kSales, "carol", Value::DWord(2));
  EXPECT_THAT([&] { lists().LoadList("Sales"); }, ThrowsMessage<StoreError>("Invalid data type for 'carol'"));

  EXPECT_EQ(ListsStore::ParseMemberData("m", "-3,x"), (ListMember{"m", -3, "x"}));
  for (const char* bad : {"", ",x", " 2,x", "2 ,x", "two,x", "99999999999,x"}) {
    EXPECT_EQ(ListsStore::ParseMemberData("m", bad), std::nullopt) << bad;
  }
}

TEST_F(Lists, ListNamesWithABackslashOrNothingAreRefused) {
  lists().SaveList("Sales", {{"alice", 2, ""}});
  for (const std::string bad : {"Sales\\Deep", "..\\ListNames", "\\", ""}) {
    const char* expected = bad.empty() ? "needs a name" : "list names cannot contain a backslash";
    EXPECT_THAT([&] { lists().SaveList(bad, {{"x", 2, ""}}); }, ThrowsMessage<StoreError>(HasSubstr(expected))) << bad;
    EXPECT_THAT([&] { lists().DeleteList(bad); }, ThrowsMessage<StoreError>(HasSubstr(expected)));
    EXPECT_THAT([&] { lists().LoadList(bad); }, ThrowsMessage<StoreError>(HasSubstr(expected)));
    EXPECT_FALSE(ListsStore::IsValidListName(bad));
  }
  EXPECT_EQ(lists().ListDirectory().size(), 1u);
  EXPECT_THAT(hive().SubKeyNames("Software\\Vantor\\Lists"), ElementsAre("Sales"));
  EXPECT_TRUE(ListsStore::IsValidListName("Sales, 2nd floor / \"west\""));
}

TEST_F(Lists, ALargeListRoundTrips) {
  std::vector<ListMember> members;
  for (int i = 0; i < 1000; ++i)
    members.push_back({"member" + std::to_string(i), 2 + i % 3, "comment, " + std::to_string(i)});
  lists().SaveList("Everyone", members);
  EXPECT_THAT(lists().LoadList("Everyone"), InStoreOrderArray(members));
  EXPECT_EQ(lists().ListDirectory()[0].count, "1000");
}

}  // namespace
}  // namespace vantor::store::test
