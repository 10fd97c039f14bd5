// SPDX-License-Identifier: GPL-3.0-or-later
// Export and import files of lists and saved messages: the exact bytes, the
// reading rules, the reports, and that a failure loses nothing.
#include "store/transfer_files.h"
#include "store/lists_store.h"
#include "store/reg_script.h"
#include "store/saved_messages.h"
#include "store/settings.h"
#include "store_fixture.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>

namespace vantor::store::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using vantor::test::ReadFile;
using K = TransferReport::Kind;

const std::string kGoldenLists = std::string(STORE_GOLDEN_DIR) + "/vtrlists.reg";

class Transfer : public StoreTest {
 protected:
  ListsStore lists() { return ListsStore(hive()); }
  SavedMessages messages() { return SavedMessages(hive()); }
  std::string Snapshot(std::string_view key) {
    return hive().KeyExists(key) ? RegScript::Export(hive(), key) : std::string();
  }
  void SaveTwoLists() {
    lists().SaveList("Sales", {{"alice", 2, "Alice"}, {"pc7", 3, ""}});
    lists().SaveList("Ops", {{"bob", 4, "Staff, Zo\xc3\xab \\\"ops\\\""}});
  }
  std::string Crlf(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view l : lines) (out += l) += "\r\n";
    return out;
  }
  TextCodec cp1252_{"CP1252"};
};

TEST_F(Transfer, TwoListsExportByteForByteAndImportOnAnEmptyStore) {
  EXPECT_FALSE(HaveListsToExport(hive()));
  std::string file = dir_.File("vtrlists.reg");
  EXPECT_EQ(ExportLists(hive(), file, cp1252_), (TransferReport{K::NoListsToExport, "", ""}));
  EXPECT_FALSE(std::filesystem::exists(file));

  SaveTwoLists();
  ASSERT_TRUE(HaveListsToExport(hive()));
  ASSERT_EQ(ExportLists(hive(), file, cp1252_), std::nullopt);
  EXPECT_EQ(InStoreOrderText(ReadFile(file)), InStoreOrderText(ReadFile(kGoldenLists)));

  hive().DeleteKey(kRootKey);
  ListsImport result = ImportLists(hive(), kGoldenLists, cp1252_);
  EXPECT_THAT(result.imported, InStoreOrder("Sales", "Ops"));
  EXPECT_THAT(result.reports, IsEmpty());
  EXPECT_THAT(lists().LoadList("Sales"), ElementsAre(ListMember{"alice", 2, "Alice"}, ListMember{"pc7", 3, ""}));
  EXPECT_THAT(lists().LoadList("Ops"), ElementsAre(ListMember{"bob", 4, "Staff, Zo\xc3\xab \\\"ops\\\""}));
  EXPECT_THAT(lists().ListDirectory(),
              InStoreOrder(Field(&ListDirectoryEntry::count, "2"), Field(&ListDirectoryEntry::count, "1")));
}

TEST_F(Transfer, ListsFilesFromElsewhereImportOverStoredLists) {
  lists().SaveList("Sales", {{"alice", 2, "old"}, {"zed", 2, "kept"}});
  // LF line ends, text before the first section, blank lines, other case
  // in section names, blanks around "=" and the count text kept as found.
  std::string file = dir_.Write("other.reg",
                                "REGEDIT4\nsome note\n\n[hkey_current_user\\software\\vantor\\LISTNAMES]\n"
                                "  \"Sales\" =  \"01\"  \nnot an entry\n\n"
                                "[HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\SALES]\n\"alice\"=\"2,new \"x\"\"\n");
  ListsImport result = ImportLists(hive(), file, cp1252_);
  EXPECT_THAT(result.reports, IsEmpty());
  EXPECT_THAT(lists().LoadList("Sales"),
              ElementsAre(ListMember{"alice", 2, "new \"x\""}, ListMember{"zed", 2, "kept"}));
  EXPECT_EQ(lists().ListDirectory()[0].count, "01");

  EXPECT_THAT(ImportLists(hive(), dir_.File("missing.reg"), cp1252_).reports,
              ElementsAre(TransferReport{K::NoListsInFile, dir_.File("missing.reg"), ""}));
}

TEST_F(Transfer, ListsWhoseCountDisagreesAreReportedAndANonNumberStops) {
  const std::string s = "[HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\";
  std::string file = dir_.Write(
      "counts.reg", Crlf({"REGEDIT4", "[HKEY_CURRENT_USER\\Software\\Vantor\\ListNames]", "\"Three\"=\"3\"",
                          "\"Zero\"=\"0\"", "\"Good\"=\"1\"", "\"Bad\"=\"x1\"", "\"Later\"=\"1\"", s + "Three]",
                          "\"a\"=\"2,\"", "\"b\"=\"2,\"", s + "Good]", "\"g\"=\"3,\"", s + "Later]", "\"l\"=\"3,\""}));
  ListsImport result = ImportLists(hive(), file, cp1252_);
  EXPECT_THAT(result.imported, ElementsAre("Good"));
  ASSERT_EQ(result.reports.size(), 3u);
  EXPECT_EQ(result.reports[0].Text(), "Incorrect number of list entries found for: Three");
  EXPECT_TRUE(result.reports[0].OffersHelp());
  EXPECT_EQ(result.reports[1].Text(), "Incorrect number of list entries found for: Zero");
  EXPECT_EQ(result.reports[2].Text(), "'x1' is not a valid integer value");
  EXPECT_FALSE(lists().ListExists("Three"));
  EXPECT_FALSE(lists().ListExists("Later"));
  EXPECT_EQ(lists().ListDirectory().size(), 1u);
}

TEST_F(Transfer, MessagesSurviveExportAndImportWithEmptyLines) {
  messages().Store({"Caf\xc3\xa9 at 3", "", "C:\\temp \"x\""}, {{"alice", 2, "Alice"}, {"pc7", 3, ""}}, "", "me");
  messages().Store({"second"}, {{"bob", 2, ""}}, "sig", "");
  messages().WriteOrder({2, 1});
  ASSERT_TRUE(HaveMessagesToExport(hive()));
  std::string file = dir_.File("vtrmsgs.reg");
  ASSERT_EQ(ExportMessages(hive(), file, cp1252_), std::nullopt);
  std::string text = ReadFile(file);
  // Wine writes a message's values sorted by name: only their order differs.
  if (ValuesKeepCreationOrder()) {
    EXPECT_THAT(
        text, HasSubstr(Crlf({"REGEDIT4", "", "[HKEY_CURRENT_USER\\Software\\Vantor\\Messages]", "\"NextNumber\"=\"3\"",
                              "", "[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\1]", "\"Signature\"=\"\"",
                              "\"Alias\"=\"me\"", "\"Title\"=\"Message #1 - Caf\xe9 at 3\"", "\"Count\"=\"2\"", "",
                              "[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\1\\Comments]"})));
  }
  EXPECT_THAT(text, HasSubstr(Crlf({"\"0\"=\"Caf\xe9 at 3\"", "\"1\"=\"\"", "\"2\"=\"C:\\temp \"x\"\""})));
  EXPECT_THAT(
      text,
      HasSubstr(Crlf({"[HKEY_CURRENT_USER\\Software\\Vantor\\Messages\\Order]", "\"0\"=\"2\"", "\"1\"=\"1\"", ""})));

  std::string before = Snapshot(kMessagesKey);
  messages().Delete(1, false);
  messages().Store({"replaced"}, {}, "", "");
  MessagesImport result = ImportMessages(hive(), file, cp1252_);
  EXPECT_EQ(result.report, std::nullopt);
  EXPECT_EQ(Snapshot(kMessagesKey), before);
  EXPECT_THAT(messages().Load(1).lines, ElementsAre("Caf\xc3\xa9 at 3", "", "C:\\temp \"x\""));
  EXPECT_EQ(messages().Fill().front().slot, 2);
}

TEST_F(Transfer, AFailedImportOfMessagesLeavesThemAsTheyWere) {
  messages().Store({"keep me"}, {{"bob", 2, ""}}, "", "");
  messages().WriteOrder({1});
  const std::string before = Snapshot(kMessagesKey);
  const std::string m = "[HKEY_CURRENT_USER\\Software\\Vantor\\Messages";

  MessagesImport lists = ImportMessages(hive(), kGoldenLists, cp1252_);
  ASSERT_TRUE(lists.report);
  EXPECT_EQ(lists.report->Text(), "Non-Vantor related registry entries found.  Import Aborted.");
  EXPECT_TRUE(lists.report->OffersHelp());
  EXPECT_EQ(Snapshot(kMessagesKey), before);

  struct Case {
    std::string content;
    K kind;
  };
  const Case cases[] = {
      {Crlf({"REGEDIT4", m + "]", "\"NextNumber\"=\"2\"", m + "Old]", "\"x\"=\"1\""}), K::ForeignEntries},
      {Crlf({"REGEDIT4", m + "]", "\"NextNumber\"=\"2\"", "[hkey_current_user\\software\\vantor\\messages\\1]",
             "\"Count\"=\"0\""}),
       K::ForeignEntries},
      {Crlf({"REGEDIT4", m + "]", m + "\\Order]"}), K::NoMessagesInFile},
      {"", K::NoMessagesInFile},
      {Crlf({"REGEDIT4", m + "\\1\\\\Texts]", "\"0\"=\"x\""}), K::StoreFailed},
  };
  for (const Case& c : cases) {
    MessagesImport result = ImportMessages(hive(), dir_.Write("bad.reg", c.content), cp1252_);
    ASSERT_TRUE(result.report) << c.content;
    EXPECT_EQ(result.report->kind, c.kind) << c.content;
    EXPECT_EQ(Snapshot(kMessagesKey), before) << c.content;
  }
  EXPECT_EQ(ImportMessages(hive(), dir_.File("missing.reg"), cp1252_).report->Text(),
            "No messages found to import from file: " + dir_.File("missing.reg"));
  EXPECT_EQ(ImportMessages(hive(), dir_.path().string(), cp1252_).report->kind, K::CannotRead);
  EXPECT_EQ(Snapshot(kMessagesKey), before);

  // A foreign section without entries is neither checked nor written.
  MessagesImport ok = ImportMessages(
      hive(), dir_.Write("ok.reg", Crlf({"REGEDIT4", "[HKEY_LOCAL_MACHINE\\Other]", m + "\\4]", "\"Count\"=\"0\""})),
      cp1252_);
  EXPECT_EQ(ok.report, std::nullopt);
  EXPECT_EQ(ok.values, 1u);
  EXPECT_THAT(messages().Fill(), ElementsAre(SavedMessageRow{4, "Message #4", 0}));
}

TEST_F(Transfer, ExportRefusesEntriesTheFileCannotCarryAndKeepsTheOldFile) {
  std::string file = dir_.Write("vtrlists.reg", "previous");
  lists().SaveList("Ops", {{"a=b", 2, ""}});
  auto report = ExportLists(hive(), file, cp1252_);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->kind, K::CannotCarry);
  EXPECT_THAT(report->Text(), HasSubstr("\"a=b\""));
  EXPECT_THAT(report->detail, HasSubstr("\"=\""));

  messages().Store({"first", "two\nlines"}, {{"bob", 2, ""}}, "", "");
  messages().WriteOrder({1});
  report = ExportMessages(hive(), file, cp1252_);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->kind, K::CannotCarry);
  EXPECT_THAT(report->Text(), HasSubstr("Messages\\1\\Texts"));
  EXPECT_EQ(ReadFile(file), "previous");

  // Order alone is nothing to export.
  messages().Delete(1, true);
  EXPECT_FALSE(HaveMessagesToExport(hive()));
  EXPECT_EQ(ExportMessages(hive(), file, cp1252_)->kind, K::NoMessagesToExport);
}

// The failures here are made with POSIX means (a file size limit).
#ifndef _WIN32
TEST_F(Transfer, AFailedWriteLeavesThePreviousFileAndNoTemporaryOne) {
  SaveTwoLists();
  std::string missing = dir_.File("no/such/folder/vtrlists.reg");
  EXPECT_EQ(ExportLists(hive(), missing, cp1252_), (TransferReport{K::CannotCreate, missing, std::strerror(ENOENT)}));
  EXPECT_EQ((TransferReport{K::CannotCreate, missing, ""}).Text(), "Failed to create file: " + missing);
  EXPECT_EQ(ExportLists(hive(), dir_.path().string(), cp1252_)->kind, K::CannotCreate);

  // A file size limit makes the write fail part-way, like a full disk.
  std::string file = dir_.Write("out/vtrlists.reg", "previous");
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  auto report = ExportLists(hive(), file, cp1252_);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(report, (TransferReport{K::WriteFailed, file, std::strerror(EFBIG)}));
  EXPECT_EQ(ReadFile(file), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path() / "out"), {}), 1);

  // Once it can be written, it replaces the file whole.
  ASSERT_EQ(ExportLists(hive(), file, cp1252_), std::nullopt);
  EXPECT_EQ(ReadFile(file), ReadFile(kGoldenLists));
}
#endif

}  // namespace
}  // namespace vantor::store::test
