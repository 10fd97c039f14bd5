// SPDX-License-Identifier: GPL-3.0-or-later
// vantor-reg run as users run it: a separate process, its output, its exit
// status, and what it leaves in the store.
#include "child_process.h"
#include "store/lists_store.h"
#include "store/settings.h"
#include "store/sqlite_hive.h"
#include "support/temp_dir.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::store::test {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using vantor::test::ProcessResult;
using vantor::test::RunProcess;

class RegTool : public ::testing::Test {
 protected:
  ProcessResult Reg(std::vector<std::string> args, std::string_view input = {}) {
    args.insert(args.begin(), {VANTOR_REG_EXE, "--store", store_});
    return RunProcess(args, input);
  }
  // Everything below the root, as export writes it.
  std::string Dump() {
    auto r = Reg({"export", "HKCU", "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  Hive& hive() {
    if (!hive_) hive_ = OpenSqliteHive(store_);
    return *hive_;
  }

  vantor::test::TempDir dir_;
  std::string store_ = dir_.File("store.db");
  std::unique_ptr<Hive> hive_;
};

TEST_F(RegTool, AddAndQueryLikeReg) {
  EXPECT_EQ(Reg({"add", "HKCU\\Software\\Vantor\\Forms\\Main", "/v", "Left", "/d", "35"}).status, 0);
  EXPECT_EQ(
      Reg({"ADD", "hkey_current_user\\software\\vantor\\forms\\main", "-V", "Flags", "/t", "reg_dword", "/d", "0x1F"})
          .status,
      0);
  EXPECT_EQ(Reg({"add", "HKCU\\Software\\Vantor\\Forms\\Main", "/ve", "/d", "default"}).status, 0);
  EXPECT_EQ(Reg({"add", "HKCU\\Software\\Vantor\\Forms\\Main\\Servers"}).status, 0);
  EXPECT_EQ(
      Reg({"add", "HKCU\\Software\\Vantor\\Forms\\Main", "/v", "Multi", "/t", "REG_MULTI_SZ", "/s", "|", "/d", "a|b"})
          .status,
      0);
  ProcessResult q = Reg({"query", "HKCU\\Software\\Vantor\\Forms\\MAIN"});
  EXPECT_EQ(q.status, 0) << q.err;
  EXPECT_EQ(q.out,
            "HKEY_CURRENT_USER\\Software\\Vantor\\Forms\\Main\n"
            "    Left    REG_SZ    35\n"
            "    Flags    REG_DWORD    0x1f\n"
            "    (Default)    REG_SZ    default\n"
            "    Multi    REG_MULTI_SZ    a\\0b\n"
            "\n"
            "HKEY_CURRENT_USER\\Software\\Vantor\\Forms\\Main\\Servers\n");
  q = Reg({"query", "HKCU\\Software\\Vantor", "/s", "/v", "left"});
  EXPECT_EQ(q.out, "HKEY_CURRENT_USER\\Software\\Vantor\\Forms\\Main\n    Left    REG_SZ    35\n\n");
  EXPECT_EQ(Settings(hive()).ReadInteger("Main", "Left", 0), 35);
  EXPECT_THAT([&] { Settings(hive()).ReadInteger("Main", "Flags", 0); },
              testing::ThrowsMessage<StoreError>("Invalid data type for 'Flags'"));
}

TEST_F(RegTool, ExportDeleteImportGivesBackTheSameStore) {
  Settings settings(hive());
  settings.WriteInteger("Main", "Left", 35);
  settings.WriteString("Main\\Signature", "Regards, \"Zoe\" \\ IT", "");
  settings.WriteBool("Main\\Servers", "DC1", true);
  ListsStore lists(hive());
  lists.SaveList("Sales", {{"alice", 2, "Smith, Alice, \"A\""}, {"pc7", 3, ""}});
  lists.SaveList("Ops", {{"bob", 4, "C:\\share\\"}});
  hive().CreateKey("Software\\Vantor\\Messages\\Empty");
  hive().SetValue("Software\\Vantor\\Forms\\Main", "Blob", {ValueType::Binary, std::string(100, '\x5a')});
  hive().SetValue("Software\\Vantor\\Forms\\Main", "Lines", Value::String("one\r\ntwo"));
  hive().SetValue("Software\\Vantor\\Forms\\Main", "", Value::String("default"));
  hive().SetValue("Software\\Other", "untouched", Value::String("yes"));
  std::string before = Dump();

  std::string file = dir_.File("vantor.reg");
  ProcessResult r = Reg({"export", "HKCU\\Software\\Vantor", file});
  ASSERT_EQ(r.status, 0) << r.err;
  r = Reg({"delete", "HKCU\\Software\\Vantor", "/f"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Vantor"}).status, 1);
  EXPECT_FALSE(ListsStore(hive()).ListExists("Sales"));
  r = Reg({"import", file});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "The operation completed successfully.\n");

  EXPECT_EQ(Dump(), before);
  EXPECT_EQ(lists.LoadList("Sales"), (std::vector<ListMember>{{"alice", 2, "Smith, Alice, \"A\""}, {"pc7", 3, ""}}));
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Forms\\Main", "Lines"), Value::String("one\r\ntwo"));
}

TEST_F(RegTool, AMalformedImportIsRefusedWithItsLineAndChangesNothing) {
  ListsStore(hive()).SaveList("Sales", {{"alice", 2, "Alice"}});
  std::string before = Dump();
  std::string file = dir_.Write("bad.reg",
                                "REGEDIT4\r\n"
                                "\r\n"
                                "[-HKEY_CURRENT_USER\\Software\\Vantor\\Lists]\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Vantor\\ListNames]\r\n"
                                "\"Sales\"=\"5\"\r\n"
                                "\"Ops\"=\"C:\\path\"\r\n");
  ProcessResult r = Reg({"import", file});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr(file + ":6: unknown escape \\p"));
  EXPECT_THAT(r.out, IsEmpty());
  EXPECT_EQ(Dump(), before);

  r = Reg({"import", dir_.File("missing.reg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot read"));
  r = Reg({"import", "-"}, "REGEDIT4\n[HKLM\\Software]\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("-:2: Only keys under HKEY_CURRENT_USER"));
  EXPECT_EQ(Dump(), before);
}

TEST_F(RegTool, ImportReadsOnlyRegularFilesAndRefusesKeysNestedTooDeep) {
  ListsStore(hive()).SaveList("Sales", {{"alice", 2, "Alice"}});
  std::string before = Dump();
  std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& file : {std::string("/dev/zero"), fifo, dir_.path().string()}) {
    ProcessResult r = Reg({"import", file});
    EXPECT_EQ(r.status, 1) << file;
    EXPECT_THAT(r.err, HasSubstr("cannot read " + file + ": is ")) << file;
  }

  // 513 levels in a short line: refused before anything is written.
  std::string deep = "HKEY_CURRENT_USER\\Software";
  for (int i = 0; i < 512; ++i) deep += "\\k";
  ProcessResult r = Reg({"import", dir_.Write("deep.reg", "REGEDIT4\r\n\r\n[" + deep + "]\r\n\"a\"=\"b\"\r\n")});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("deep.reg:3: Invalid key name HKEY_CURRENT_USER\\Software\\k\\k"));
  EXPECT_THAT(r.err, HasSubstr("more than 512 levels deep; this path has 513."));
  EXPECT_LT(r.err.size(), 400u) << "the key is shortened";
  EXPECT_EQ(Dump(), before);
}

TEST_F(RegTool, ADamagedKeyIsReportedNotFollowed) {
  ListsStore(hive()).SaveList("Sales", {{"alice", 2, "Alice"}});
  hive_.reset();
  // One SQL insert makes a key row without a name; the database itself is sound.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(store_.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "INSERT INTO keys(parent, name, path, fold) SELECT id, '', path || '\\', fold || '\\' "
                         "FROM keys WHERE fold = 'SOFTWARE\\VANTOR'",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const std::string damaged =
      "is damaged: the key HKEY_CURRENT_USER\\Software\\Vantor holds a subkey with an empty name";
  for (auto args : std::vector<std::vector<std::string>>{{"export", "HKCU", "-"}, {"query", "HKCU", "/s"}}) {
    ProcessResult r = Reg(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_THAT(r.err, HasSubstr(damaged)) << args[0];
  }
  // Deleting the key that holds it repairs the store.
  EXPECT_EQ(Reg({"delete", "HKCU\\Software\\Vantor", "/f"}).status, 0);
  EXPECT_EQ(Dump(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER]\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n");
}

TEST_F(RegTool, AsksBeforeDeletingOrOverwriting) {
  const std::string key = "HKCU\\Software\\Vantor\\Lists\\Sales";
  ASSERT_EQ(Reg({"add", key, "/v", "alice", "/d", "2,"}).status, 0);

  ProcessResult r = Reg({"delete", key}, "");  // end of input answers No
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("Delete the registry key HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\Sales (Yes/No)?"));
  EXPECT_THAT(r.err, HasSubstr("cancelled"));
  r = Reg({"delete", key}, "maybe\nno\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(hive().KeyExists("Software\\Vantor\\Lists\\Sales"));

  r = Reg({"add", key, "/v", "ALICE", "/d", "3,"}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("Value ALICE exists, overwrite (Yes/No)?"));
  r = Reg({"add", key, "/v", "ALICE", "/d", "3,"}, "y\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Lists\\Sales", "alice"), Value::String("3,"));

  r = Reg({"delete", key, "/v", "alice"}, "YES\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(hive().GetValue("Software\\Vantor\\Lists\\Sales", "alice"), std::nullopt);
  r = Reg({"delete", key}, "Yes\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(hive().KeyExists("Software\\Vantor\\Lists\\Sales"));
  EXPECT_TRUE(hive().KeyExists("Software\\Vantor\\Lists"));

  std::string file = dir_.Write("keep.reg", "precious");
  r = Reg({"export", "HKCU\\Software", file}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(vantor::test::ReadFile(file), "precious");
  EXPECT_EQ(Reg({"export", "HKCU\\Software", file, "/y"}).status, 0);
  EXPECT_TRUE(vantor::test::ReadFile(file).starts_with("REGEDIT4\r\n"));
}

TEST_F(RegTool, FailuresSayWhyAndEndWithStatusOne) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"query", "HKCU\\Software"}, "does not exist yet"},  // no store file: nothing is created
      {{"add", "HKLM\\Software\\Vantor", "/v", "x", "/d", "1"}, "Only keys under HKEY_CURRENT_USER"},
      {{"add", "HKCU\\Software\\\\Vantor"}, "empty key name"},
      {{"add", "HKCU\\Software", "/v", "n", "/t", "REG_DWORD", "/d", "-1"}, "not a REG_DWORD number"},
      {{"add", "HKCU\\Software", "/v", "n", "/t", "REG_WHAT", "/d", "1"}, "unknown type"},
      {{"add", "HKCU\\Software", "/v", "n", "/t", "REG_BINARY", "/d", "0g"}, "only hex digits"},
      {{"add", "HKCU\\Software", "/v"}, "needs an argument"},
      {{"add", "HKCU\\Software", "/v", "a", "/ve"}, "only one of"},
      {{"frob"}, "unknown command"},
      {{"query"}, "needs a KEY"},
      {{"query", "HKCU", "/x"}, "unknown switch /x"},
      {{"export", "HKCU"}, "needs a KEY and a FILE"},
  };
  for (const Case& c : cases) {
    ProcessResult r = Reg(c.args);
    EXPECT_EQ(r.status, 1) << c.args[0];
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "");
  }
  EXPECT_FALSE(std::filesystem::exists(store_));

  ASSERT_EQ(Reg({"add", "HKCU\\Software\\Vantor"}).status, 0);
  for (auto args : std::vector<std::vector<std::string>>{{"query", "HKCU\\Software\\Nope"},
                                                         {"query", "HKCU\\Software", "/v", "nope"},
                                                         {"delete", "HKCU", "/f"},
                                                         {"delete", "HKCU\\Software", "/v", "nope", "/f"},
                                                         {"export", "HKCU\\Nope", dir_.File("x.reg")}}) {
    ProcessResult r = Reg(args);
    EXPECT_EQ(r.status, 1) << args[1];
    EXPECT_THAT(r.err, HasSubstr("vantor-reg: ")) << args[1];
  }

  ProcessResult usage = RunProcess({VANTOR_REG_EXE, "/?"});
  EXPECT_EQ(usage.status, 0);
  EXPECT_THAT(usage.out, HasSubstr("vantor-reg import FILE"));
  EXPECT_EQ(RunProcess({VANTOR_REG_EXE}).status, 1);
}

// A name written in one spelling is found, overwritten and deleted in any
// other that differs only in letter case, in every script that has case;
// the first spelling is the one shown.
TEST_F(RegTool, NamesDifferingOnlyInCaseAreOneNameInEveryScript) {
  struct Spellings {
    const char* written;
    const char* asked;
  } names[] = {
      {"Nguyễn", "NGUYỄN"}, {"ǅokić", "ǆOKIĆ"}, {"Ὀδυσσεύς", "ὈΔΥΣΣΕΎΣ"}, {"Հայաստան", "ՀԱՅԱՍՏԱՆ"},
      {"ⴀⴁ", "ႠႡ"},         {"ꭰꭱ", "ᎠᎡ"},   {"Борис", "бОРИС"},       {"ıi", "II"},
  };
  const std::string lists = "HKCU\\Software\\Vantor\\Lists\\";
  for (const Spellings& n : names) {
    ASSERT_EQ(Reg({"add", lists + n.written, "/v", n.written, "/d", "1"}).status, 0) << n.written;
    ASSERT_EQ(Reg({"add", lists + n.asked, "/v", n.asked, "/d", "2", "/f"}).status, 0) << n.asked;
    ProcessResult q = Reg({"query", lists + n.asked, "/v", n.asked});
    EXPECT_EQ(q.status, 0) << n.asked << ": " << q.err;
    EXPECT_EQ(q.out, "HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\" + std::string(n.written) + "\n    " + n.written +
                         "    REG_SZ    2\n");
  }
  EXPECT_EQ(hive().SubKeyNames("Software\\Vantor\\Lists").size(), std::size(names));
  // No letter becomes two: "STRASSE" is not "Straße".
  ASSERT_EQ(Reg({"add", lists + "Straße"}).status, 0);
  EXPECT_EQ(Reg({"query", lists + "STRASSE"}).status, 1);
  EXPECT_EQ(Reg({"query", lists + "STRAßE"}).status, 0);
  for (const Spellings& n : names) EXPECT_EQ(Reg({"delete", lists + n.asked, "/f"}).status, 0) << n.asked;
  EXPECT_THAT(hive().SubKeyNames("Software\\Vantor\\Lists"), testing::ElementsAre("Straße"));
}

TEST_F(RegTool, FindsTheStoreThroughTheEnvironment) {
  std::string other = dir_.File("env/store.db");
  ProcessResult r = RunProcess({VANTOR_REG_EXE, "add", "HKCU\\Software\\Vantor", "/v", "x", "/d", "1"}, {},
                               {"VANTOR_STORE=" + other});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(OpenSqliteHive(other)->GetValue("Software\\Vantor", "x"), Value::String("1"));
  r = RunProcess({VANTOR_REG_EXE, "query", "HKCU\\Software\\Vantor"}, {},
                 {"VANTOR_STORE=", "XDG_CONFIG_HOME=" + dir_.File("xdg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr(dir_.File("xdg/vantor/store.db")));
}

}  // namespace
}  // namespace vantor::store::test
