// SPDX-License-Identifier: GPL-3.0-or-later
// What vantorc reads from the store - the list directory, the lists' members
// and the Servers check marks - prepared with the store editor vantor-reg.

#include "console/vantorc_runner.h"
#include "support/office_network.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace vantor::test {
namespace {

const std::string kHeader = VerboseHeader("alice", "PC5", "OFFICE", "DC1");

// The stored lists every test here starts with. Sales: a user, a computer
// and a group; Mixed: a domain, a list and a user (the first two are never
// sent to); Zero: no members; Solo: one member, Imported: a count as an
// import may write it; Ghost: empty data, no list.
constexpr const char* kLists = CONSOLE_DATA_DIR "/lists.reg";

class StoredListsTest : public ::testing::Test {
 protected:
  void SetUp() override { net.Reg({"import", kLists}); }
  ConsoleFixture net{OfficeNetwork(2)};
};

TEST_F(StoredListsTest, ListingShowsNamesAndCountsInStoreOrder) {
  RunResult r = net.Vantorc({"-f", "-sl"});
  EXPECT_EQ(r.out,
            ListingHeader("Lists               Comments", "============================") +
                Lines({"Sales               3 Items", "Mixed               3 Items", "Zero                0 Items",
                       "Solo                1 Item", "Imported            01 Items"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(net.Vantorc({"-f", "-b", "-sl"}).out, Lines({"Sales", "Mixed", "Zero", "Solo", "Imported"}));
  // Lists come first in -se.
  r = net.Vantorc({"-f", "-b", "-se"});
  std::string head = Lines({"Sales", "Mixed", "Zero", "Solo", "Imported", "OFFICE", "SALES", "LAB", "alice"});
  EXPECT_EQ(r.out.substr(0, head.size()), head);
}

TEST(StoredListsEmpty, NoStoredListPrintsNothingAtAll) {
  ConsoleFixture net(OfficeNetwork());
  EXPECT_EQ(net.Vantorc({"-f", "-sl"}).out, "");
  EXPECT_EQ(net.Vantorc({"-f", "-sl", "-b"}).out, "");
}

// Another process holds the store's write lock for as long as it lives.
class StoreWriter {
 public:
  explicit StoreWriter(const std::string& path) {
    sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    EXPECT_EQ(sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  }
  ~StoreWriter() {
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }
  StoreWriter(const StoreWriter&) = delete;
  StoreWriter& operator=(const StoreWriter&) = delete;

 private:
  sqlite3* db_ = nullptr;
};

TEST_F(StoredListsTest, ListsAreReadWhileAnotherProcessWrites) {
  StoreWriter writer(net.StorePath());
  RunResult r = net.Vantorc({"-f", "-b", "-sl"});
  EXPECT_EQ(r.out, Lines({"Sales", "Mixed", "Zero", "Solo", "Imported"}));
  EXPECT_EQ(r.status, 0);

  // A store without the keys the tool creates when it opens them: creating
  // them cannot happen now, and the run reads on without them.
  ConsoleFixture empty(OfficeNetwork());
  empty.Reg({"add", "HKCU\\Other"});
  StoreWriter emptyWriter(empty.StorePath());
  r = empty.Vantorc({"-f", "-sl"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
}

TEST_F(StoredListsTest, ListsSendToTheirUsersComputersAndGroupsOnly) {
  RunResult r = net.Vantorc({"-v", "-f", "-d", "SALES", "-l", "sales,Mixed,Zero", "-p", "PC17", "-g", "Domain Admins",
                             "-u", "bob", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out), kHeader + Lines({
                                                 "Message to User: bob succeeded. TIME",
                                                 "Message to Domain Admins: dave succeeded. TIME",
                                                 "Message to Computer: PC17 succeeded. TIME",
                                                 "Message to Mixed: dave succeeded. TIME",
                                                 // sent again: once per source
                                                 "Message to sales: bob succeeded. TIME",
                                                 "Message to sales: PC7 succeeded. TIME",
                                                 "Message to Staff: bob succeeded. TIME",
                                                 "Message to Staff: PC7 succeeded. TIME",
                                                 "Message to Staff: carol succeeded. TIME",
                                                 "Message to Domain: SALES* succeeded. TIME",
                                             }));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(net.Deliveries().size(), 10u);
}

TEST_F(StoredListsTest, ListMembersAreCheckedForActivityLikeEveryoneElse) {
  RunResult r = net.Vantorc({"-v", "-l", "Sales,Solo,Nope", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader +
                Lines({"DC1 found on network TIME", "DC2 found on network TIME", "DC1 queried for active sessions TIME",
                       "DC1 responded successfully TIME", "DC2 queried for active sessions TIME",
                       "DC2 responded successfully TIME", "PC5 queried for active sessions TIME",
                       "PC5 gave no information or did not respond TIME"}) +
                Rule() +
                Lines({"List 'Nope' not found TIME", "Message to Sales: bob succeeded. TIME",
                       "Message to Sales: PC7 succeeded. TIME", "Message to Staff: bob succeeded. TIME",
                       "Message to Staff: PC7 succeeded. TIME", "Message to Staff: carol not sent. TIME",
                       "Message to Solo: dave succeeded. TIME"}));
  EXPECT_EQ(r.status, 2);  // nobody of the missing list was reached
  // Quietly, the same sends and nothing printed.
  r = net.Vantorc({"-l", "Nope,Sales", "-m", "hi"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 2);
  r = net.Vantorc({"-l", "Sales", "-m", "hi"});
  EXPECT_EQ(r.status, 0);
}

TEST_F(StoredListsTest, ListNamesThatCannotBeKeysAreNotFound) {
  RunResult r = net.Vantorc({"-v", "-f", "-l", "Lists\\Sales", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out), kHeader + Lines({"List 'Lists\\Sales' not found TIME"}));
  EXPECT_EQ(r.status, 2);
}

TEST_F(StoredListsTest, EntriesThatDoNotReadAreLeftOutAndTheStatusTells) {
  net.Reg({"add", "HKCU\\Software\\Vantor\\Lists\\Broken", "/v", "zed", "/d", "x,no kind", "/f"});
  net.Reg({"add", "HKCU\\Software\\Vantor\\Lists\\Broken", "/v", "dave", "/d", "2,IT", "/f"});
  net.Reg({"add", "HKCU\\Software\\Vantor\\Lists\\Broken", "/v", "erin", "/d", "2", "/f"});
  net.Reg({"add", "HKCU\\Software\\Vantor\\Lists\\Typed", "/v", "bob", "/d", "2,", "/f"});
  net.Reg({"add", "HKCU\\Software\\Vantor\\Lists\\Typed", "/v", "n", "/t", "REG_DWORD", "/d", "2", "/f"});
  RunResult r = net.Vantorc({"-v", "-f", "-l", "Broken,Typed,Solo", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out), kHeader + Lines({"List 'Broken' entry 'zed' ignored: invalid data TIME",
                                                    "Message to Broken: dave succeeded. TIME",
                                                    "List 'Broken' entry 'erin' ignored: invalid data TIME",
                                                    "Message to Solo: dave succeeded. TIME",
                                                    "List 'Typed' could not be read: Invalid data type for 'n' TIME"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(net.Deliveries().size(), 2u);
}

TEST_F(StoredListsTest, ADirectoryValueThatIsNotTextStopsTheListing) {
  net.Reg({"add", "HKCU\\Software\\Vantor\\ListNames", "/v", "Bad", "/t", "REG_DWORD", "/d", "1", "/f"});
  RunResult r = net.Vantorc({"-f", "-sl", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.out, ErrorBlock("Invalid data type for 'Bad'"));
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(net.Deliveries().empty());  // listings come before every send
}

TEST(StoreErrors, AStoreThatCannotBeOpenedEndsTheRunBeforeAnySend) {
  ConsoleFixture net(OfficeNetwork());
  std::string bad = net.dir().Write("bad.db", std::string(4096, 'x'));
  RunResult r = net.Vantorc({"-v", "-f", "-u", "bob", "-l", "Sales", "-m", "hi"}, {}, {{"VANTOR_STORE", bad}});
  EXPECT_EQ(r.out.substr(0, 17), "\r\nVantorc ERROR: ");
  EXPECT_EQ(r.out.substr(r.out.size() - Banner().size()), Banner());
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(net.Deliveries().empty());
  // Runs that read nothing from the store do not open it.
  r = net.Vantorc({"-f", "-u", "bob", "-m", "hi"}, {}, {{"VANTOR_STORE", bad}});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
}

class CheckedServersTest : public ::testing::Test {
 protected:
  ConsoleFixture net{OfficeNetwork(2)};
};

TEST_F(CheckedServersTest, OnlyServersCheckedInTheWindowedProgramAreQueried) {
  // Written as the windowed program spells the key; read as Main\servers.
  net.Reg({"import", net.dir().Write("servers.reg", R"(REGEDIT4

[HKEY_CURRENT_USER\Software\Vantor\Forms\Main\Servers]
"dc2"="1"
"DC1"="0"
"FILES"="yes"
"PRINT"="1"
)")});
  RunResult r = net.Vantorc({"-v", "-qn", "-u", "dave,bob", "-m", "hi"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader +
                Lines({"DC1 found on network TIME", "DC2 found on network TIME", "FILES found on network TIME",
                       "DC2 queried for active sessions TIME", "DC2 responded successfully TIME",
                       "PC5 queried for active sessions TIME", "PC5 gave no information or did not respond TIME"}) +
                Rule() + Lines({"Message to User: bob not sent. TIME", "Message to User: dave succeeded. TIME"}));
  EXPECT_EQ(r.status, 0);
}

TEST_F(CheckedServersTest, NothingCheckedIsAnError) {
  RunResult r = net.Vantorc({"-v", "-qn"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader + Lines({"DC1 found on network TIME", "DC2 found on network TIME", "FILES found on network TIME"}) +
                ErrorBlock("No servers available from Vantor list"));
  EXPECT_EQ(r.status, 1);

  // A check mark that is not a string counts as not checked, and is told.
  net.Reg({"add", "HKCU\\Software\\Vantor\\Forms\\Main\\Servers", "/v", "DC1", "/t", "REG_DWORD", "/d", "1", "/f"});
  r = net.Vantorc({"-v", "-qn"});
  EXPECT_EQ(NormaliseTimes(r.out),
            kHeader +
                Lines({"DC1 found on network TIME", "DC2 found on network TIME", "FILES found on network TIME",
                       "DC1 has an invalid check mark in the Vantor list TIME"}) +
                ErrorBlock("No servers available from Vantor list"));
  r = net.Vantorc({"-qn", "-u", "bob", "-m", "hi"});
  EXPECT_EQ(r.out, ErrorBlock("No servers available from Vantor list"));
  EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace vantor::test
