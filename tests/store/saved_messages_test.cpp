// SPDX-License-Identifier: GPL-3.0-or-later
// Saved messages: slots handed out round-robin, the value layout, the view's
// rows from Order and the slots that Order does not name yet.
#include "store/saved_messages.h"
#include "store/reg_script.h"
#include "store/settings.h"
#include "store_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::store::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ThrowsMessage;

class Messages : public StoreTest {
 protected:
  SavedMessages& messages() {
    if (!messages_) messages_ = std::make_unique<SavedMessages>(hive());
    return *messages_;
  }
  std::optional<Value> Get(const std::string& key, std::string_view name) {
    return hive().GetValue(std::string(kMessagesKey) + (key.empty() ? "" : "\\" + key), name);
  }
  void Set(const std::string& key, std::string_view name, std::string data) {
    hive().SetValue(std::string(kMessagesKey) + (key.empty() ? "" : "\\" + key), name, Value::String(std::move(data)));
  }
  // Everything below Messages, as text.
  std::string Snapshot() {
    return hive().KeyExists(kMessagesKey) ? RegScript::Export(hive(), kMessagesKey) : std::string();
  }
  std::optional<SavedMessageRow> StoreOne(std::string first) {
    return messages().Store({first}, {{"bob", 2, ""}}, "", "");
  }

  std::unique_ptr<SavedMessages> messages_;
};

TEST_F(Messages, TheFirstMessageGoesToSlotOneWithEveryValueInPlace) {
  auto row = messages().Store({"Meeting moved to 3pm", "", "Room \"B\" C:\\x"}, {{"alice", 2, "Alice, Sales"}},
                              "-- Ann", "boss");
  ASSERT_TRUE(row);
  EXPECT_EQ(*row, (SavedMessageRow{1, "Message #1 - Meeting moved to 3pm", 1}));
  EXPECT_EQ(RecipientCountText(row->count), "1 Item");
  EXPECT_EQ(RecipientCountText(0), "0 Items");
  EXPECT_EQ(RecipientCountText(12), "12 Items");
  EXPECT_EQ(Get("", "NextNumber"), Value::String("2"));

  std::vector<std::string> names;
  for (const NamedValue& v : hive().Values("Software\\Vantor\\Messages\\1")) names.push_back(v.name);
  EXPECT_THAT(names, InStoreOrder("Signature", "Alias", "Title", "Count"));
  EXPECT_EQ(Get("1", "Count"), Value::String("1"));
  EXPECT_EQ(Get("1\\Texts", "1"), Value::String(""));
  EXPECT_EQ(Get("1\\Types", "0"), Value::String("2"));
  EXPECT_EQ(Get("1\\Comments", "0"), Value::String("Alice, Sales"));

  SavedMessage m = messages().Load(1);
  EXPECT_THAT(m.lines, ElementsAre("Meeting moved to 3pm", "", "Room \"B\" C:\\x"));
  EXPECT_THAT(m.recipients, ElementsAre(SavedRecipient{"alice", 2, "Alice, Sales"}));
  EXPECT_EQ(m.signature, "-- Ann");
  EXPECT_EQ(m.alias, "boss");

  // An empty first line leaves the title ending in " - ".
  EXPECT_EQ(messages().Store({"", "body"}, {{"a", 2, ""}, {"b", 2, ""}}, "", "")->title, "Message #2 - ");
}

TEST_F(Messages, AFullStoreChangesNothingAndTheSearchWrapsToAFreeSlot) {
  hive().WriteTransaction([&] {
    for (int slot = 1; slot <= kMaxSavedMessages; ++slot) Set(std::to_string(slot), "Count", "0");
    Set("", "NextNumber", "9");
  });
  std::string before = Snapshot();
  EXPECT_EQ(StoreOne("hello"), std::nullopt);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(StoreFullText(), "Could not store this message: (1000 limit)");

  // Only slot 7 free, NextNumber 9: the search runs to 1000, wraps and finds 7.
  messages().Delete(7, false);
  auto row = StoreOne("hello");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->slot, 7);
  EXPECT_EQ(Get("", "NextNumber"), Value::String("8"));

  // After slot 1000, NextNumber 1001 is written and read as 1.
  messages().Delete(1000, false);
  Set("", "NextNumber", "1000");
  EXPECT_EQ(StoreOne("last")->slot, 1000);
  EXPECT_EQ(Get("", "NextNumber"), Value::String("1001"));
  messages().Delete(3, false);
  EXPECT_EQ(StoreOne("wrapped")->slot, 3);
}

TEST_F(Messages, AFreeSlotIsWrittenWholeOverLeftoversAndLoadsWithDefaults) {
  // A slot without Count is free, whatever else it still holds.
  Set("1\\Texts", "5", "stale line");
  Set("1", "Alias", "stale");
  StoreOne("fresh");
  EXPECT_THAT(messages().Load(1).lines, ElementsAre("fresh"));

  // Recipients whose Types value is missing or not a number are users; a
  // missing comment is empty; missing Signature or Alias leave the boxes.
  messages().Store({"x"}, {{"pc1", 3, "c1"}, {"grp", 4, "c2"}, {"carol", 4, ""}}, "s", "a");
  hive().DeleteValue("Software\\Vantor\\Messages\\2\\Types", "0");
  Set("2\\Types", "1", "four");
  hive().DeleteValue("Software\\Vantor\\Messages\\2\\Comments", "2");
  hive().DeleteValue("Software\\Vantor\\Messages\\2", "Alias");
  SavedMessage m = messages().Load(2);
  EXPECT_THAT(m.recipients, ElementsAre(SavedRecipient{"pc1", 2, "c1"}, SavedRecipient{"grp", 2, "c2"},
                                        SavedRecipient{"carol", 4, ""}));
  EXPECT_EQ(m.signature, "s");
  EXPECT_EQ(m.alias, std::nullopt);
}

TEST_F(Messages, DeletingTheLastMessageStartsNumberingAgain) {
  StoreOne("one");
  StoreOne("two");
  messages().Delete(1, false);
  EXPECT_FALSE(hive().KeyExists("Software\\Vantor\\Messages\\1"));
  EXPECT_EQ(Get("", "NextNumber"), Value::String("3"));
  messages().Delete(2, true);
  EXPECT_EQ(Get("", "NextNumber"), Value::String("1"));
  EXPECT_EQ(StoreOne("again")->slot, 1);
}

TEST_F(Messages, RenameWritesOnlyAChangedTitle) {
  StoreOne("hello");
  EXPECT_FALSE(messages().Rename(1, "Message #1 - hello", "Message #1 - hello"));
  EXPECT_TRUE(messages().Rename(1, "Message #1 - hello", "message #1 - hello"));  // case counts
  EXPECT_TRUE(messages().Rename(1, "message #1 - hello", ""));
  messages().WriteOrder({1});
  EXPECT_THAT(messages().Fill(), ElementsAre(SavedMessageRow{1, "", 1}));  // empty, not "Message #1"
}

TEST_F(Messages, FillFollowsOrderThenFindsSlotsStoredSinceItsLastWrite) {
  Set("", "NextNumber", "998");
  for (const char* text : {"a", "b", "c", "d"}) StoreOne(text);  // slots 998, 999, 1000, 1
  messages().WriteOrder({1000, 5});                              // 5 holds nothing
  EXPECT_THAT(messages().Fill(),
              ElementsAre(SavedMessageRow{1000, "Message #1000 - c", 1}, SavedMessageRow{5, "Message #5", 0},
                          SavedMessageRow{998, "Message #998 - a", 1}, SavedMessageRow{999, "Message #999 - b", 1},
                          SavedMessageRow{1, "Message #1 - d", 1}));

  // The order is replaced as a whole; an empty view leaves no Order key.
  messages().WriteOrder({1, 998});
  EXPECT_EQ(hive().Values("Software\\Vantor\\Messages\\Order").size(), 2u);
  messages().WriteOrder({});
  EXPECT_FALSE(hive().KeyExists("Software\\Vantor\\Messages\\Order"));

  Set("Order", "0", "12x");
  EXPECT_THAT([&] { messages().Fill(); }, ThrowsMessage<StoreError>("'12x' is not a valid integer value"));
}

}  // namespace
}  // namespace vantor::store::test
