// SPDX-License-Identifier: GPL-3.0-or-later
// REGEDIT4 scripts: the value forms, escaping, wrapping, malformed lines,
// all-or-nothing application, and the export of a subtree.
#include "store/reg_script.h"
#include "store_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::store::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Kind = RegOperation::Kind;

RegOperation Set(int line, std::string key, std::string name, Value v) {
  return {Kind::SetValue, line, std::move(key), std::move(name), std::move(v)};
}

TEST(RegScriptFormat, EscapesStringsAndNamesTheDefaultValue) {
  EXPECT_EQ(RegScript::Quote(R"(C:\dir "x")"), R"("C:\\dir \"x\"")");
  EXPECT_EQ(RegScript::FormatValue("a\"b", Value::String("2,Smith, \"J\"\\")), R"("a\"b"="2,Smith, \"J\"\\")");
  EXPECT_EQ(RegScript::FormatValue("", Value::String("")), R"(@="")");
  EXPECT_EQ(RegScript::FormatValue("n", Value::DWord(0x1f)), "\"n\"=dword:0000001f");
  EXPECT_EQ(RegScript::FormatValue("x", {ValueType::ExpandString, "%A%"}), "\"x\"=hex(2):25,41,25,00");
  EXPECT_EQ(RegScript::FormatValue("x", {ValueType::MultiString, std::string("a\0b\0", 4)}),
            "\"x\"=hex(7):61,00,62,00,00");
  EXPECT_EQ(RegScript::FormatValue("x", {ValueType::QWord, std::string("\x01\0\0\0\0\0\0\0", 8)}),
            "\"x\"=hex(b):01,00,00,00,00,00,00,00");
  EXPECT_EQ(RegScript::FormatValue("x", {ValueType::None, ""}), "\"x\"=hex(0):");
  // A line break cannot stand in quotes: the string goes as hex(1).
  EXPECT_EQ(RegScript::FormatValue("x", Value::String("a\r\nb")), "\"x\"=hex(1):61,0d,0a,62,00");
}

TEST(RegScriptFormat, WrapsLongHexListsWithinEightyColumns) {
  std::string bytes(100, '\xab');
  std::string text = RegScript::FormatValue("Binary value", {ValueType::Binary, bytes});
  std::vector<std::string> lines;
  for (size_t start = 0;;) {
    size_t eol = text.find("\r\n", start);
    lines.push_back(text.substr(start, eol - start));
    if (eol == std::string::npos) break;
    start = eol + 2;
  }
  ASSERT_GT(lines.size(), 3u);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 80u) << lines[i];
    if (i + 1 < lines.size()) {
      EXPECT_TRUE(lines[i].ends_with(",\\")) << lines[i];
    }
    if (i > 0) {
      EXPECT_TRUE(lines[i].starts_with("  ab")) << lines[i];
    }
  }
  auto parsed = RegScript::Parse("REGEDIT4\r\n[HKCU\\K]\r\n" + text + "\r\n");
  ASSERT_EQ(parsed.operations().size(), 2u);
  EXPECT_EQ(parsed.operations()[1].value, (Value{ValueType::Binary, bytes}));
}

TEST(RegScriptParse, ReadsEveryForm) {
  // With a byte order mark, a comment, every kind of data and a value
  // continued over three lines: the line numbers below are the file's.
  const std::string text = vantor::test::ReadFile(std::string(STORE_GOLDEN_DIR) + "/every_form.reg");
  ASSERT_FALSE(text.empty());
  auto ops = RegScript::Parse(text).operations();
  const std::string k = "Software\\Vantor\\Lists\\Sales";
  EXPECT_THAT(
      ops,
      ElementsAre(RegOperation{Kind::CreateKey, 4, k, "", {}}, Set(5, k, "alice", Value::String("2,Alice, \"A\" \\ x")),
                  Set(6, k, "", Value::String("default")), Set(7, k, "", Value::String("also default")),
                  Set(8, k, "n", Value::DWord(0x1f)), Set(9, k, "b", {ValueType::Binary, "\x01\x02\x03\x04"}),
                  Set(12, k, "e", {ValueType::ExpandString, "A"}),
                  Set(13, k, "m", {ValueType::MultiString, std::string("a\0b\0", 4)}),
                  Set(14, k, "q", {ValueType::QWord, std::string("\x01\0\0\0\0\0\0\0", 8)}),
                  RegOperation{Kind::DeleteValue, 15, k, "gone", {}},
                  RegOperation{Kind::DeleteKey, 16, "Software\\Old", "", {}},
                  RegOperation{Kind::CreateKey, 17, "", "", {}}));
}

TEST(RegScriptParse, EveryValueSurvivesFormatAndParse) {
  const Value values[] = {
      Value::String(""),
      Value::String("\"quoted\" \\\\server\\share\\ ,,, ümlaut"),
      Value::String(std::string("nul\0inside", 10)),
      Value::String("\xff not UTF-8"),
      Value::DWord(0xffffffff),
      {ValueType::DWord, "\x01\x02"},  // a DWORD of the wrong size keeps its bytes
      {ValueType::Binary, ""},
      {ValueType::Binary, std::string(200, '\0')},
      {ValueType::ExpandString, ""},
      {ValueType::MultiString, ""},
      {ValueType::MultiString, std::string("one\0two\0", 8)},
      {ValueType::QWord, std::string(8, '\x7f')},
      {ValueType::None, "x"},
      {ValueType::Link, "link"},
      {static_cast<ValueType>(0x12345), "odd"},
  };
  int i = 0;
  for (const Value& v : values) {
    std::string name = "v" + std::to_string(i++) + " \"\\";
    auto ops = RegScript::Parse("REGEDIT4\r\n[HKCU\\K]\r\n" + RegScript::FormatValue(name, v) + "\r\n").operations();
    ASSERT_EQ(ops.size(), 2u) << name;
    EXPECT_EQ(ops[1].name, name);
    EXPECT_EQ(ops[1].value, v) << RegScript::FormatValue(name, v);
  }
}

TEST(RegScriptParse, MalformedScriptsNameTheLine) {
  struct Case {
    std::string text;
    int line;
    const char* message;
  } cases[] = {
      {"", 1, "REGEDIT4"},
      {"Windows Registry Editor Version 5.00\n", 1, "REGEDIT4"},
      {"REGEDIT4\n\"a\"=\"1\"\n", 2, "must follow a [KEY]"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=\"C:\\dir\"\n", 3, "unknown escape \\d"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=\"open\n", 3, "no closing double quote"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=\"x\" trailing\n", 3, "after the closing quote"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\" \"x\"\n", 3, "expected ="},
      {"REGEDIT4\n[HKCU\\K]\na=\"x\"\n", 3, "value name in double quotes"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=\n", 3, "no data"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=text\n", 3, "unrecognised data"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=dword:123456789\n", 3, "1 to 8 hex digits"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=hex(x):00\n", 3, "hex(N)"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=hex:01,02,\\\n  03,zz\n", 4, "'zz' is not a hex byte"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=hex:01,,02\n", 3, "empty item"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=hex:01,02,\n", 3, "ends with a comma"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=hex:01,\\\n", 3, "past the end of the file"},
      {"REGEDIT4\n[HKCU\\K]\n[HKEY_LOCAL_MACHINE\\Software]\n", 3, "Only keys under HKEY_CURRENT_USER"},
      {"REGEDIT4\n[Software\\Vantor]\n", 2, "is not a key name"},
      {"REGEDIT4\n[HKCU\\A\\\\B]\n", 2, "empty key name"},
      {"REGEDIT4\n[HKCU\\A\n", 2, "[KEY]"},
      {"REGEDIT4\n[-HKCU]\n", 2, "cannot be deleted"},
      {"REGEDIT4\n[-HKCU\\K]\n\"a\"=\"1\"\n", 3, "being deleted"},
      {"REGEDIT4\n[HKCU\\K]\n\"a\"=\"\xff\"\n", 3, "not UTF-8"},
  };
  for (const Case& c : cases) {
    try {
      RegScript::Parse(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const RegScriptError& e) {
      EXPECT_EQ(e.line(), c.line) << c.text;
      EXPECT_THAT(e.what(), HasSubstr(c.message)) << c.text;
    }
  }
}

TEST(RegKeyNames, OnlyTheCurrentUsersRoot) {
  EXPECT_EQ(HivePathOfRegKey("HKEY_CURRENT_USER\\Software\\Vantor"), "Software\\Vantor");
  EXPECT_EQ(HivePathOfRegKey("hkcu\\Software\\Vantor\\"), "Software\\Vantor");
  EXPECT_EQ(HivePathOfRegKey("HKCU"), "");
  EXPECT_EQ(RegKeyOfHivePath("Software"), "HKEY_CURRENT_USER\\Software");
  EXPECT_EQ(RegKeyOfHivePath(""), "HKEY_CURRENT_USER");
  EXPECT_THROW(HivePathOfRegKey("HKLM\\Software"), StoreError);
  EXPECT_THROW(HivePathOfRegKey("\\\\server\\HKCU\\Software"), StoreError);
  EXPECT_THROW(HivePathOfRegKey("HKCU\\\\Software"), StoreError);
  EXPECT_THROW(HivePathOfRegKey("HKCUX\\Software"), StoreError);
}

using RegScriptStore = StoreTest;

// Fails the one write named "boom", as a store that refuses a write would.
class RefusingHive : public Hive {
 public:
  explicit RefusingHive(Hive& inner) : inner_(inner) {}
  bool KeyExists(std::string_view k) override { return inner_.KeyExists(k); }
  void CreateKey(std::string_view k) override { inner_.CreateKey(k); }
  bool DeleteKey(std::string_view k) override { return inner_.DeleteKey(k); }
  std::optional<Value> GetValue(std::string_view k, std::string_view n) override { return inner_.GetValue(k, n); }
  void SetValue(std::string_view k, std::string_view n, const Value& v) override {
    if (n == "boom") throw StoreError("Failed to set data for 'boom'");
    inner_.SetValue(k, n, v);
  }
  bool DeleteValue(std::string_view k, std::string_view n) override { return inner_.DeleteValue(k, n); }
  std::vector<std::string> SubKeyNames(std::string_view k) override { return inner_.SubKeyNames(k); }
  std::vector<NamedValue> Values(std::string_view k) override { return inner_.Values(k); }
  void ReadTransaction(const std::function<void()>& w) override { inner_.ReadTransaction(w); }
  void WriteTransaction(const std::function<void()>& w) override { inner_.WriteTransaction(w); }

 private:
  Hive& inner_;
};

TEST_F(RegScriptStore, ApplyIsAllOrNothing) {
  hive().SetValue("Software\\Vantor\\Old", "keep", Value::String("1"));
  RegScript script = RegScript::Parse(
      "REGEDIT4\n"
      "[-HKCU\\Software\\Vantor\\Old]\n"
      "[HKCU\\Software\\Vantor\\New]\n"
      "\"a\"=\"1\"\n"
      "\"boom\"=\"2\"\n");
  RefusingHive refusing(hive());
  try {
    script.Apply(refusing);
    ADD_FAILURE() << "applied";
  } catch (const RegScriptError& e) {
    EXPECT_EQ(e.line(), 5);
    EXPECT_THAT(e.what(), HasSubstr("Failed to set data for 'boom'"));
  }
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Old", "keep"), Value::String("1"));
  EXPECT_FALSE(hive().KeyExists("Software\\Vantor\\New"));

  script.Apply(hive());
  EXPECT_FALSE(hive().KeyExists("Software\\Vantor\\Old"));
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\New", "BOOM"), Value::String("2"));
}

TEST_F(RegScriptStore, ExportWritesTheSubtreeAsStored) {
  hive().SetValue("Software\\Vantor\\ListNames", "Sales", Value::String("2"));
  hive().SetValue("Software\\Vantor\\Lists\\Sales", "alice", Value::String("2,Alice, \"A\""));
  hive().SetValue("Software\\Vantor\\Lists\\Sales", "pc7", Value::String("3,"));
  hive().CreateKey("Software\\Vantor\\Lists\\Empty");
  hive().SetValue("Software\\Vantor\\Forms\\Main", "Flags", Value::DWord(3));
  hive().SetValue("Software\\Other", "x", Value::String("not exported"));
  EXPECT_EQ(RegScript::Export(hive(), "SOFTWARE\\VANTOR"),
            vantor::test::ReadFile(std::string(STORE_GOLDEN_DIR) + "/export.reg"));
  EXPECT_THAT([&] { RegScript::Export(hive(), "Software\\Missing"); },
              testing::ThrowsMessage<StoreError>(HasSubstr("HKEY_CURRENT_USER\\Software\\Missing does not exist")));
  hive().SetValue("Software\\Vantor", "two\nlines", Value::String(""));
  EXPECT_THAT([&] { RegScript::Export(hive(), "Software\\Vantor"); },
              testing::ThrowsMessage<StoreError>(HasSubstr("line break")));
}

}  // namespace
}  // namespace vantor::store::test
