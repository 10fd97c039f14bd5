// SPDX-License-Identifier: GPL-3.0-or-later
// Settings as both programs read and write them: strings only, numbers as
// decimal text, defaults for whatever is missing or not a number.
#include "store/settings.h"
#include "store_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::store::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::ThrowsMessage;

class SettingsTest : public StoreTest {
 protected:
  Settings& settings() {
    if (!settings_) settings_ = std::make_unique<Settings>(hive());
    return *settings_;
  }
  std::unique_ptr<Settings> settings_;
};

struct Default {
  const char* section;
  const char* name;
  int value;
  bool yesNo;
};

// Every single value the windowed program keeps, with the default its
// reader gives.
const Default kDefaults[] = {
    {"Main", "Left", 35, false},
    {"Main", "Top", 35, false},
    {"Main", "Width", 384, false},
    {"Main", "Height", 404, false},
    {"Main", "Split", 154, false},
    {"Main", "ShowToolbar", 1, true},
    {"Main", "ShowStatusbar", 1, true},
    {"Main", "Listnumber", 0, false},
    {"Main", "Tooltips", 1, true},
    {"Main", "SendtoActive", 0, true},
    {"Main", "ActiveOnly", 0, true},
    {"Main", "CloseStatus", 0, true},
    {"Main", "TrayIcon", 1, true},
    {"Main", "ClearMesgText", 0, true},
    {"Main", "SaveMessages", 0, true},
    {"Main", "ServerTimeOut", 20, false},
    {"Main", "SendMessagesAnyway", 1, true},
    {"Main", "ScanDomain", 1, true},
    {"Main", "DisplayExtra", 0, true},
    {"Main", "MinimizeNotExit", 0, true},
    {"Status", "Left", 336, false},
    {"Status", "Top", 219, false},
    {"Status", "Width", 260, false},
    {"Status", "Height", 198, false},
};

TEST_F(SettingsTest, AnEmptyStoreGivesEveryDefaultAndReadingCreatesNothing) {
  for (const Default& d : kDefaults) {
    if (d.yesNo) {
      EXPECT_EQ(settings().ReadBool(d.section, d.name, d.value != 0), d.value != 0) << d.name;
    } else {
      EXPECT_EQ(settings().ReadInteger(d.section, d.name, d.value), d.value) << d.name;
    }
  }
  EXPECT_EQ(settings().ReadString("Main", "Missing", "fallback"), "fallback");
  EXPECT_THAT(settings().ReadValueNames("Main\\Signature"), IsEmpty());
  EXPECT_THAT(settings().ReadNameValuePairs("Main\\Servers"), IsEmpty());
  EXPECT_FALSE(settings().SectionExists("Main"));
  EXPECT_FALSE(hive().KeyExists("Software"));
}

TEST_F(SettingsTest, NumbersAreWholeDecimalTextElseTheDefault) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {{"abc", 20},        {"7", 7},     {"-5", -5},
               {"+5", 5},          {"", 20},     {" 5", 20},
               {"5 ", 20},         {"0x10", 20}, {"2147483647", 2147483647},
               {"2147483648", 20}, {"1.5", 20},  {"007", 7}};
  for (const Case& c : cases) {
    hive().SetValue("Software\\Vantor\\Forms\\Main", "ServerTimeOut", Value::String(c.text));
    EXPECT_EQ(settings().ReadInteger("Main", "ServerTimeOut", 20), c.expected) << '"' << c.text << '"';
  }
  // yes/no is a number that is not 0.
  const std::pair<const char*, bool> yesNo[] = {{"2", true}, {"0", false}, {"-1", true}, {"yes", true}, {"no", true}};
  for (auto [text, expected] : yesNo) {
    hive().SetValue("Software\\Vantor\\Forms\\Main", "ShowToolbar", Value::String(text));
    EXPECT_EQ(settings().ReadBool("Main", "ShowToolbar", true), expected) << text;
  }
  hive().SetValue("Software\\Vantor\\Forms\\Main", "ActiveOnly", Value::String("x"));
  EXPECT_FALSE(settings().ReadBool("Main", "ActiveOnly", false));
}

TEST_F(SettingsTest, WritesAreStringsInTheForms) {
  settings().WriteInteger("Main", "Left", -12);
  settings().WriteBool("Main", "ShowToolbar", true);
  settings().WriteBool("Main", "TrayIcon", false);
  settings().WriteString("Main", "Note", "a \"b\" \\ c");
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Forms\\Main", "Left"), Value::String("-12"));
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Forms\\Main", "ShowToolbar"), Value::String("1"));
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Forms\\Main", "TrayIcon"), Value::String("0"));
  EXPECT_EQ(settings().ReadString("Main", "Note", ""), "a \"b\" \\ c");
  EXPECT_THAT(settings().ReadNameValuePairs("Main"), InStoreOrder(Pair("Left", "-12"), Pair("ShowToolbar", "1"),
                                                                  Pair("TrayIcon", "0"), Pair("Note", "a \"b\" \\ c")));
}

TEST_F(SettingsTest, SectionNamesIgnoreCase) {
  settings().WriteBool("Main\\Servers", "DC1", true);
  settings().WriteBool("Main\\Servers", "FILES", false);
  // The console tool reads what the windowed program wrote, in other letters.
  EXPECT_TRUE(settings().ReadBool("Main\\servers", "dc1", false));
  EXPECT_FALSE(settings().ReadBool("main\\SERVERS", "files", true));
  EXPECT_FALSE(settings().ReadBool("Main\\servers", "NEWSRV", false));
  EXPECT_TRUE(settings().SectionExists("MAIN\\servers"));
  EXPECT_THAT(hive().SubKeyNames("Software\\Vantor\\Forms\\Main"), ElementsAre("Servers"));
}

TEST_F(SettingsTest, HistoryListsAreValueNamesInTheOrderWritten) {
  for (const char* s : {"Regards, Zoe", "-- IT desk", "Anna"}) settings().WriteString("Main\\Signature", s, "");
  EXPECT_THAT(settings().ReadValueNames("Main\\Signature"), InStoreOrder("Regards, Zoe", "-- IT desk", "Anna"));
  // At exit the key is erased and the history written again, most recent first.
  settings().EraseSection("Main\\Signature");
  EXPECT_FALSE(settings().SectionExists("Main\\Signature"));
  for (const char* s : {"Anna", "Regards, Zoe"}) settings().WriteString("Main\\Signature", s, "");
  EXPECT_THAT(settings().ReadValueNames("Main\\Signature"), InStoreOrder("Anna", "Regards, Zoe"));
}

TEST_F(SettingsTest, SectionsCanBeFullPathsOrTheBaseItself) {
  settings().WriteString("\\Software\\Vantor\\ListNames", "Sales", "2");
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\ListNames", "Sales"), Value::String("2"));
  Settings root(hive(), std::string(kRootKey));
  EXPECT_EQ(root.KeyOf("Forms\\Main"), "Software\\Vantor\\Forms\\Main");
  EXPECT_EQ(root.KeyOf(""), "Software\\Vantor");
  EXPECT_EQ(root.ReadInteger("ListNames", "sales", 0), 2);
  root.EraseSection("");
  EXPECT_FALSE(hive().KeyExists("Software\\Vantor"));
  EXPECT_TRUE(hive().KeyExists("Software"));
}

TEST_F(SettingsTest, AValueOfAnotherTypeMakesTheReadFail) {
  hive().SetValue("Software\\Vantor\\Forms\\Main", "ServerTimeOut", Value::DWord(30));
  hive().SetValue("Software\\Vantor\\Forms\\Main", "Path", {ValueType::ExpandString, "%HOME%"});
  const char* failure = "Invalid data type for 'ServerTimeOut'";
  EXPECT_THAT([&] { settings().ReadInteger("Main", "ServerTimeOut", 20); }, ThrowsMessage<StoreError>(failure));
  EXPECT_THAT([&] { settings().ReadBool("Main", "servertimeout", true); },
              ThrowsMessage<StoreError>("Invalid data type for 'servertimeout'"));
  EXPECT_THAT([&] { settings().ReadString("Main", "ServerTimeOut", ""); }, ThrowsMessage<StoreError>(failure));
  EXPECT_THAT([&] { settings().ReadNameValuePairs("Main"); }, ThrowsMessage<StoreError>(failure));
  EXPECT_THAT(settings().ReadValueNames("Main"), InStoreOrder("ServerTimeOut", "Path"));  // names only: no data read
  EXPECT_EQ(settings().ReadString("Main", "Path", ""), "%HOME%");  // a string type the registry also has
}

TEST_F(SettingsTest, RefusedWritesReportTheKeyOrTheValue) {
  EXPECT_THAT([&] { settings().WriteString("Main\\\\Bad", "Left", "1"); },
              ThrowsMessage<StoreError>(HasSubstr("Failed to create key Software\\Vantor\\Forms\\Main\\\\Bad")));
  std::string longName(16384, 'n');
  EXPECT_THAT([&] { settings().WriteInteger("Main", longName, 1); },
              ThrowsMessage<StoreError>(HasSubstr("Failed to set data for '" + longName + "'")));
  // What was written before stays.
  settings().WriteInteger("Main", "Left", 1);
  EXPECT_THROW(settings().WriteInteger("Main", longName, 2), StoreError);
  EXPECT_EQ(settings().ReadInteger("Main", "Left", 0), 1);
}

}  // namespace
}  // namespace vantor::store::test
