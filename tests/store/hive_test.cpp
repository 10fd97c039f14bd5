// SPDX-License-Identifier: GPL-3.0-or-later
// The hive's registry semantics: names, order, subtrees, parents, types.
#include "store/hive.h"
#include "store/key_path.h"
#include "store_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::store::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::ThrowsMessage;

std::vector<std::string> NamesOf(const std::vector<NamedValue>& values) {
  std::vector<std::string> names;
  for (const NamedValue& v : values) names.push_back(v.name);
  return names;
}

using Hives = StoreTest;

TEST_F(Hives, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  hive().SetValue("Software\\Vantor\\Forms\\Main\\Servers", "DC1", Value::String("1"));
  hive().SetValue("SOFTWARE\\vantor\\forms\\MAIN\\servers", "dc1", Value::String("0"));
  EXPECT_TRUE(hive().KeyExists("software\\VANTOR\\Forms\\Main\\servers"));
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Forms\\Main\\Servers", "Dc1"), Value::String("0"));
  auto values = hive().Values("Software\\Vantor\\Forms\\Main\\SERVERS");
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "DC1");
  EXPECT_THAT(hive().SubKeyNames("software\\vantor\\forms\\main"), ElementsAre("Servers"));
  // Letters beyond ASCII fold too.
  hive().SetValue("Software\\Ärzte", "Größe", Value::String("x"));
  EXPECT_EQ(hive().GetValue("SOFTWARE\\äRZTE", "gRÖßE"), Value::String("x"));
}

TEST_F(Hives, ValuesEnumerateInCreationOrderAndKeepTheirPlace) {
  const char* key = "Software\\Vantor\\Forms\\Main\\Signature";
  for (const char* name : {"zeta", "alpha", "Mid", "beta"}) hive().SetValue(key, name, Value::String(""));
  hive().SetValue(key, "ALPHA", Value::String("again"));  // overwrite: same place, first spelling
  EXPECT_THAT(NamesOf(hive().Values(key)), InStoreOrder("zeta", "alpha", "Mid", "beta"));
  EXPECT_EQ(hive().GetValue(key, "alpha"), Value::String("again"));
  EXPECT_TRUE(hive().DeleteValue(key, "zeta"));
  EXPECT_FALSE(hive().DeleteValue(key, "zeta"));
  hive().SetValue(key, "Zeta", Value::String(""));  // deleted and written again: at the end
  EXPECT_THAT(NamesOf(hive().Values(key)), InStoreOrder("alpha", "Mid", "beta", "Zeta"));
}

TEST_F(Hives, SeveralValuesAreWrittenInOrderAsOneUnit) {
  hive().SetValue("K", "b", Value::String("old"));
  hive().SetValues(
      "K", {{"c", Value::String("1")}, {"B", Value::String("new")}, {"a", Value::DWord(7)}, {"C", Value::String("2")}});
  hive().SetValue("K", "z", Value::String(""));  // order numbers go on after the bulk write
  EXPECT_THAT(NamesOf(hive().Values("K")), InStoreOrder("b", "c", "a", "z"));
  EXPECT_EQ(hive().GetValue("K", "b"), Value::String("new"));
  EXPECT_EQ(hive().GetValue("K", "c"), Value::String("2"));
  EXPECT_EQ(hive().GetValue("K", "A"), Value::DWord(7));

  EXPECT_THAT(
      [&] {
        hive().SetValues("K", {{"d", Value::String("")}, {"\xff", Value::String("")}});
      },
      ThrowsMessage<StoreError>(HasSubstr("UTF-8")));
  EXPECT_EQ(hive().GetValue("K", "d"), std::nullopt) << "a refused bulk write writes nothing";
  hive().SetValues("Made\\Empty", {});
  EXPECT_TRUE(hive().KeyExists("Made\\Empty"));
}

TEST_F(Hives, SubKeysEnumerateByNameIgnoringCase) {
  for (const char* name : {"b", "C", "a", "B2", "Émile", "z"}) hive().CreateKey(std::string("Top\\") + name);
  EXPECT_THAT(hive().SubKeyNames("Top"), ElementsAre("a", "b", "B2", "C", "z", "Émile"));
  EXPECT_THAT(hive().SubKeyNames(""), ElementsAre("Top"));
}

TEST_F(Hives, DeletingAKeyRemovesItsSubtreeAndNothingElse) {
  hive().SetValue("Lists\\Sales", "alice", Value::String("2,"));
  hive().SetValue("Lists\\Sales\\Deep\\Deeper", "x", Value::String("1"));
  hive().SetValue("Lists\\Sales2", "bob", Value::String("2,"));
  hive().SetValue("Lists\\Sales]", "carol", Value::String("2,"));  // sorts right after "Sales\"
  hive().SetValue("Lists\\SalesX", "dan", Value::String("2,"));
  hive().SetValue("Lists", "own", Value::String("kept"));

  EXPECT_TRUE(hive().DeleteKey("lists\\SALES"));
  EXPECT_FALSE(hive().KeyExists("Lists\\Sales"));
  EXPECT_FALSE(hive().KeyExists("Lists\\Sales\\Deep\\Deeper"));
  EXPECT_EQ(hive().GetValue("Lists\\Sales\\Deep\\Deeper", "x"), std::nullopt);
  EXPECT_THAT(hive().SubKeyNames("Lists"), ElementsAre("Sales2", "SalesX", "Sales]"));  // upper case: X before ]
  EXPECT_EQ(hive().GetValue("Lists", "own"), Value::String("kept"));
  EXPECT_FALSE(hive().DeleteKey("Lists\\Sales"));
  // Written again, the key starts empty.
  hive().CreateKey("Lists\\Sales");
  EXPECT_THAT(hive().Values("Lists\\Sales"), IsEmpty());
  EXPECT_THAT(hive().SubKeyNames("Lists\\Sales"), IsEmpty());
}

TEST_F(Hives, WritingCreatesParentsAndReadingAMissingKeyFindsNothing) {
  EXPECT_FALSE(hive().KeyExists("Software"));
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Forms\\Main", "Left"), std::nullopt);
  EXPECT_THAT(hive().Values("Software\\Vantor"), IsEmpty());
  EXPECT_THAT(hive().SubKeyNames("Software\\Vantor"), IsEmpty());
  EXPECT_FALSE(hive().DeleteValue("Software\\Vantor", "x"));
  EXPECT_FALSE(hive().KeyExists("Software")) << "reads create nothing";

  hive().SetValue("\\Software\\Vantor\\Forms\\Main", "Left", Value::String("35"));  // one leading \ is fine
  EXPECT_TRUE(hive().KeyExists("Software"));
  EXPECT_TRUE(hive().KeyExists("Software\\Vantor\\Forms"));
  EXPECT_THAT(hive().SubKeyNames("Software\\Vantor"), ElementsAre("Forms"));
  hive().CreateKey("Software\\Vantor\\Lists\\Sales");
  EXPECT_THAT(hive().SubKeyNames("Software\\Vantor"), ElementsAre("Forms", "Lists"));
  EXPECT_TRUE(hive().KeyExists("")) << "the root always exists";
}

TEST_F(Hives, ValuesOfEveryTypeComeBackByteForByte) {
  const std::string key = "Types";
  std::vector<NamedValue> stored = {
      {"sz", Value::String("text with \"quotes\", a \\ and ü")},
      {"empty", Value::String("")},
      {"dword", Value::DWord(0x12345678)},
      {"binary", {ValueType::Binary, std::string("\0\x01\xff", 3)}},
      {"emptyBinary", {ValueType::Binary, ""}},
      {"multi", {ValueType::MultiString, std::string("a\0bc\0", 5)}},
      {"expand", {ValueType::ExpandString, "%HOME%\\x"}},
      {"qword", {ValueType::QWord, std::string("\x01\0\0\0\0\0\0\x80", 8)}},
      {"", Value::String("the default value")},
      {"odd", {static_cast<ValueType>(0x20), "raw"}},
  };
  for (const NamedValue& v : stored) hive().SetValue(key, v.name, v.value);
  EXPECT_EQ(Value::DWord(0x12345678).data, std::string("\x78\x56\x34\x12", 4));
  auto back = hive().Values(key);
  ASSERT_EQ(back.size(), stored.size());
  EXPECT_THAT(NamesOf(back), InStoreOrderArray(NamesOf(stored)));
  for (const NamedValue& v : stored) {
    auto found = std::find_if(back.begin(), back.end(), [&](const NamedValue& b) { return b.name == v.name; });
    ASSERT_NE(found, back.end()) << v.name;
    EXPECT_EQ(found->value, v.value) << v.name;
  }
  EXPECT_NE(hive().GetValue(key, "empty"), hive().GetValue(key, "emptyBinary"));
}

TEST_F(Hives, BadPathsAreRefusedForWritesAndFindNothingForReads) {
  for (const char* bad : {"A\\\\B", "A\\", "\\\\A"}) {
    EXPECT_THAT([&] { hive().SetValue(bad, "v", Value::String("1")); },
                ThrowsMessage<StoreError>(HasSubstr(std::string("Failed to create key ") + bad)))
        << bad;
    EXPECT_THAT([&] { hive().CreateKey(bad); }, ThrowsMessage<StoreError>(HasSubstr("empty key name")));
    EXPECT_FALSE(hive().KeyExists(bad));
    EXPECT_EQ(hive().GetValue(bad, "v"), std::nullopt);
    EXPECT_FALSE(hive().DeleteKey(bad));
  }
  EXPECT_THAT([&] { hive().CreateKey("A\\" + std::string(256, 'k')); },
              ThrowsMessage<StoreError>(HasSubstr("longer than 255")));
  hive().CreateKey("A\\" + std::string(255, 'k'));
  EXPECT_THAT([&] { hive().SetValue("A", std::string(16384, 'v'), Value::String("1")); },
              ThrowsMessage<StoreError>(HasSubstr("Failed to set data for '")));
  EXPECT_THAT([&] { hive().SetValue("A", "\xff", Value::String("1")); }, ThrowsMessage<StoreError>(HasSubstr("UTF-8")));
  EXPECT_THAT([&] { hive().DeleteKey(""); }, ThrowsMessage<StoreError>(HasSubstr("root key")));
  EXPECT_THAT(hive().SubKeyNames("A"), ElementsAre(std::string(255, 'k'))) << "failed writes left nothing";
}

// Every level of a key costs a row that keeps the whole path, so depth is
// what turns a short import into a huge store.
TEST_F(Hives, KeysCannotBeNestedBeyondTheRegistrysLimits) {
  std::string deepest = "Software";
  for (int i = 1; i < 512; ++i) deepest += "\\k";
  hive().SetValue(deepest, "v", Value::String("512 levels"));
  EXPECT_THAT([&] { hive().SetValue(deepest + "\\k", "v", Value::String("1")); },
              ThrowsMessage<StoreError>(HasSubstr("more than 512 levels deep; this path has 513")));
  EXPECT_THAT([&] { hive().CreateKey(deepest + "\\k"); }, ThrowsMessage<StoreError>(HasSubstr("512 levels")));

  std::string longest = std::string(200, 'a');
  while (longest.size() + 201 < kMaxKeyPathLength - 50) longest += "\\" + std::string(200, 'a');
  longest += "\\" + std::string(kMaxKeyPathLength - longest.size() - 1, 'b');
  hive().CreateKey(longest);
  EXPECT_THAT([&] { hive().CreateKey(longest + "b"); },
              ThrowsMessage<StoreError>(HasSubstr("cannot be longer than 32767 characters; this one has 32768")));
  EXPECT_TRUE(hive().DeleteKey("Software"));
  EXPECT_TRUE(hive().DeleteKey(std::string(200, 'a')));
  EXPECT_THAT(hive().SubKeyNames(""), IsEmpty());
}

TEST_F(Hives, WriteTransactionIsAllOrNothing) {
  hive().SetValue("K", "before", Value::String("1"));
  EXPECT_THROW(hive().WriteTransaction([&] {
    hive().SetValue("K", "during", Value::String("2"));
    hive().DeleteKey("K");
    hive().SetValue("Other\\Deep", "x", Value::String("3"));
    throw StoreError("stop");
  }),
               StoreError);
  EXPECT_THAT(NamesOf(hive().Values("K")), ElementsAre("before"));
  EXPECT_FALSE(hive().KeyExists("Other"));

  // A failing inner unit is undone on its own; the outer one goes on.
  hive().WriteTransaction([&] {
    hive().SetValue("K", "outer", Value::String("1"));
    EXPECT_THROW(hive().WriteTransaction([&] {
      hive().SetValue("K", "inner", Value::String("2"));
      throw StoreError("inner");
    }),
                 StoreError);
    // A single write that fails half-way (the key is made, the value is
    // refused) is undone too.
    EXPECT_THROW(hive().SetValue("New\\Key", std::string(16384, 'v'), Value::String("")), StoreError);
    hive().WriteTransaction([&] { hive().SetValue("K", "nested", Value::String("3")); });
  });
  EXPECT_THAT(NamesOf(hive().Values("K")), InStoreOrder("before", "outer", "nested"));
  EXPECT_FALSE(hive().KeyExists("New"));
}

TEST_F(Hives, ReadTransactionRefusesWrites) {
  hive().ReadTransaction([&] {
    EXPECT_THAT([&] { hive().SetValue("K", "v", Value::String("1")); },
                ThrowsMessage<StoreError>(HasSubstr("read transaction")));
    EXPECT_THROW(hive().WriteTransaction([] {}), StoreError);
    hive().ReadTransaction([&] { EXPECT_FALSE(hive().KeyExists("K")); });  // nested reads join
  });
  hive().SetValue("K", "v", Value::String("1"));  // and the store is writable afterwards
  EXPECT_TRUE(hive().KeyExists("K"));
}

}  // namespace
}  // namespace vantor::store::test
