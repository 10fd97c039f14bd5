// SPDX-License-Identifier: GPL-3.0-or-later
// The SQLite store file: where it lives, who may read it, what another
// connection sees, and files that are not a store.
#include "store/sqlite_hive.h"
#include "store/lists_store.h"
#include "store/reg_script.h"
#include "store_fixture.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace vantor::store::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::ThrowsMessage;

unsigned Mode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 0777;
}

// Rows of a query on the store file, as the sqlite3 shell would give them.
std::vector<std::string> Sql(const std::string& file, const char* query) {
  sqlite3* db = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_exec(
        db, query,
        [](void* out, int n, char** cols, char**) {
          std::string row;
          for (int i = 0; i < n; ++i) row += (i ? "|" : "") + std::string(cols[i] ? cols[i] : "NULL");
          static_cast<std::vector<std::string>*>(out)->push_back(row);
          return 0;
        },
        &rows, nullptr);
  }
  sqlite3_close(db);
  return rows;
}

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

using SqliteStore = StoreTest;

TEST_F(SqliteStore, CreatesOwnerOnlyFilesInWalModeAndKeepsData) {
  mode_t old = ::umask(022);
  std::string path = dir_.File("config/vantor/store.db");
  {
    auto h = OpenSqliteHive(path);
    h->SetValue("Software\\Vantor\\Forms\\Main", "Left", Value::String("35"));
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(Mode(path + "-wal"), 0600u);
    EXPECT_EQ(Mode(path + "-shm"), 0600u);
    EXPECT_EQ(Mode(dir_.File("config/vantor")), 0700u);
    EXPECT_EQ(Mode(dir_.File("config")), 0700u);
    EXPECT_THAT(Sql(path, "PRAGMA journal_mode"), ElementsAre("wal"));
  }
  ::umask(old);
  auto again = OpenSqliteHive(path);
  EXPECT_EQ(again->GetValue("software\\vantor\\forms\\main", "left"), Value::String("35"));
}

TEST_F(SqliteStore, TheDocumentedQueriesWork) {
  hive().SetValue("Software\\Vantor\\ListNames", "Sales", Value::String("2"));
  hive().SetValue("Software\\Vantor\\Lists\\Sales", "alice", Value::String("2,Alice"));
  hive().SetValue("Software\\Vantor\\Lists\\Sales", "pc7", Value::String("3,"));
  hive().SetValue("Software\\Vantor\\Lists\\Sales", "flags", Value::DWord(7));
  EXPECT_THAT(Sql(StorePath(),
                  "SELECT k.path, v.name, v.type, v.data FROM vals v JOIN keys k ON k.id = v.key "
                  "WHERE k.path = 'Software\\Vantor\\Lists\\Sales' AND v.type = 1 ORDER BY v.seq"),
              ElementsAre("Software\\Vantor\\Lists\\Sales|alice|1|2,Alice", "Software\\Vantor\\Lists\\Sales|pc7|1|3,"));
  EXPECT_THAT(Sql(StorePath(), "SELECT path FROM keys ORDER BY fold"),
              ElementsAre("", "Software", "Software\\Vantor", "Software\\Vantor\\ListNames", "Software\\Vantor\\Lists",
                          "Software\\Vantor\\Lists\\Sales"));
  // The on-disk marks as figures: a change of either constant must fail here.
  EXPECT_THAT(Sql(StorePath(), "PRAGMA user_version"), ElementsAre("2"));
  EXPECT_THAT(Sql(StorePath(), "PRAGMA application_id"), ElementsAre("1448365906"));  // 0x56544F52, "VTOR"
}

// A store of the first layout, written before names were folded with the C
// library's tables: its own table folded Latin, Greek and Cyrillic only, so
// "Nguyễn" and "NGUYỄN" could be two keys, and "ǆokić" and "Ǆokić" two values.
void WriteFirstLayoutStore(const std::string& file) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  const char* sql = R"sql(
CREATE TABLE keys (id INTEGER PRIMARY KEY, parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
  name TEXT NOT NULL, path TEXT NOT NULL, fold TEXT NOT NULL UNIQUE);
CREATE INDEX keys_by_parent ON keys(parent);
CREATE TABLE vals (key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE, name TEXT NOT NULL,
  fold TEXT NOT NULL, seq INTEGER NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,
  PRIMARY KEY (key, fold)) WITHOUT ROWID;
CREATE INDEX vals_by_seq ON vals(key, seq);
INSERT INTO keys VALUES (1, NULL, '', '', ''), (2, 1, 'Lists', 'Lists', 'LISTS'),
  (3, 2, 'Борис', 'Lists\Борис', 'LISTS\БОРИС'),
  (4, 2, 'NGUYỄN', 'Lists\NGUYỄN', 'LISTS\NGUYỄN'),
  (5, 2, 'Nguyễn', 'Lists\Nguyễn', 'LISTS\NGUYễN'),
  (6, 5, 'Sub', 'Lists\Nguyễn\Sub', 'LISTS\NGUYễN\SUB');
INSERT INTO vals VALUES (3, 'jürgen', 'JÜRGEN', 1, 1, '2,Jürgen'),
  (3, 'ǆokić', 'ǆOKIĆ', 2, 1, 'first'), (3, 'Ǆokić', 'ǄOKIĆ', 3, 1, 'second'),
  (4, 'a', 'A', 1, 1, '4a'), (5, 'A', 'A', 1, 1, '5a'), (5, 'b', 'B', 2, 1, '5b'),
  (6, 'x', 'X', 1, 1, '6x');
PRAGMA application_id = 1448365906; PRAGMA user_version = 1;
)sql";
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

TEST_F(SqliteStore, AFirstLayoutStoreIsFoldedAgainWhenOpenedAndFindsItsNames) {
  std::string file = dir_.File("layout1.db");
  WriteFirstLayoutStore(file);
  auto h = OpenSqliteHive(file);
  // Latin and Cyrillic names are found as before.
  EXPECT_EQ(h->GetValue("lists\\борис", "JÜRGEN"), Value::String("2,Jürgen"));
  // Names that only now fold alike are one: of the values the first written
  // stays; of the keys the first made, which the other's values and subkeys join.
  EXPECT_EQ(h->GetValue("LISTS\\БОРИС", "ǅOKIĆ"), Value::String("first"));
  EXPECT_EQ(h->Values("Lists\\Борис").size(), 2u);
  EXPECT_THAT(h->SubKeyNames("Lists"), ElementsAre("NGUYỄN", "Борис"));
  std::vector<std::string> merged;
  for (const NamedValue& v : h->Values("lists\\nguyễn")) merged.push_back(v.name + "=" + v.value.data);
  EXPECT_THAT(merged, ElementsAre("a=4a", "b=5b"));
  EXPECT_EQ(h->GetValue("Lists\\NGUYỄN\\sub", "X"), Value::String("6x"));
  EXPECT_THAT(Sql(file, "PRAGMA user_version"), ElementsAre("2"));
  EXPECT_THAT(Sql(file, "SELECT count(*) FROM meta WHERE name = 'fold'"), ElementsAre("1"));
  // The folds keep a subtree in one range: deleting the key takes its subkey.
  EXPECT_TRUE(h->DeleteKey("lists\\Nguyễn"));
  EXPECT_THAT(Sql(file, "SELECT path FROM keys ORDER BY fold"), ElementsAre("", "Lists", "Lists\\Борис"));
}

// A store folded by another mapping (another version of the C library) is
// folded again; one folded by this one is left as it is.
TEST_F(SqliteStore, FoldsMadeWithAnotherMappingAreMadeAgain) {
  hive().SetValue("Lists\\Ǆokić", "ǅ", Value::String("1"));
  hive_.reset();
  Sql(StorePath(), "UPDATE keys SET fold = replace(fold, 'Ǆ', 'ǆ'); UPDATE vals SET fold = 'ǅ'");
  std::vector<std::string> before = Sql(StorePath(), "SELECT fold FROM keys ORDER BY id");
  std::vector<std::string> marks = Sql(StorePath(), "SELECT value FROM meta ORDER BY name");
  ASSERT_EQ(marks.size(), 2u);
  OpenSqliteHive(StorePath()).reset();
  EXPECT_EQ(Sql(StorePath(), "SELECT fold FROM keys ORDER BY id"), before) << "refolded under the same mapping";
  // Another version of the C library with the same tables: only the mark changes.
  Sql(StorePath(), "UPDATE meta SET value = 'glibc 0.1' WHERE name = 'libc'");
  OpenSqliteHive(StorePath()).reset();
  EXPECT_EQ(Sql(StorePath(), "SELECT fold FROM keys ORDER BY id"), before) << "refolded under the same mapping";
  EXPECT_EQ(Sql(StorePath(), "SELECT value FROM meta ORDER BY name"), marks);
  // Other tables: folded again.
  Sql(StorePath(),
      "UPDATE meta SET value = 'simple-upper 0000000000000000' WHERE name = 'fold';"
      "UPDATE meta SET value = 'glibc 0.1' WHERE name = 'libc'");
  EXPECT_EQ(OpenSqliteHive(StorePath())->GetValue("LISTS\\ǆOKIĆ", "ǆ"), Value::String("1"));
  EXPECT_THAT(Sql(StorePath(), "SELECT fold FROM vals"), ElementsAre("Ǆ"));
  EXPECT_EQ(Sql(StorePath(), "SELECT value FROM meta ORDER BY name"), marks);
}

TEST_F(SqliteStore, AReadTransactionSeesOneStateWhileAnotherConnectionWrites) {
  hive().SetValue("K", "v", Value::String("old"));
  auto other = OpenAgain();
  hive().ReadTransaction([&] {
    EXPECT_EQ(hive().GetValue("K", "v"), Value::String("old"));
    other->WriteTransaction([&] {
      other->SetValue("K", "v", Value::String("new"));
      other->SetValue("K", "w", Value::String("added"));
    });
    EXPECT_EQ(hive().GetValue("K", "v"), Value::String("old"));
    EXPECT_EQ(hive().Values("K").size(), 1u);
  });
  EXPECT_EQ(hive().GetValue("K", "v"), Value::String("new"));
}

TEST_F(SqliteStore, AWriterThatWaitsTooLongReportsTheFailedWrite) {
  hive().SetValue("Forms\\Main", "Left", Value::String("35"));
  auto impatient = OpenAgain(100);
  hive().WriteTransaction([&] {
    hive().SetValue("Forms\\Main", "Left", Value::String("36"));
    // Readers are not held up by the writer...
    EXPECT_EQ(impatient->GetValue("Forms\\Main", "Left"), Value::String("35"));
    // ...but a second writer is, until its time-out.
    EXPECT_THAT([&] { impatient->SetValue("Forms\\Main", "Top", Value::String("1")); },
                ThrowsMessage<StoreError>(HasSubstr("Failed to set data for 'Top'\n")));
    EXPECT_THAT([&] { impatient->CreateKey("Forms\\Status"); },
                ThrowsMessage<StoreError>(HasSubstr("Failed to create key Forms\\Status\n")));
  });
  impatient->SetValue("Forms\\Main", "Top", Value::String("1"));
  EXPECT_EQ(hive().GetValue("Forms\\Main", "Top"), Value::String("1"));
}

TEST_F(SqliteStore, RefusesFilesThatAreNotAStoreAndLeavesThemByteForByte) {
  std::string garbage = dir_.Write("garbage.db", std::string(4096, 'x'));
  EXPECT_THAT([&] { OpenSqliteHive(garbage); }, ThrowsMessage<StoreError>(HasSubstr(garbage)));
  EXPECT_TRUE(vantor::test::ReadFile(garbage) == std::string(4096, 'x'));

  // Another program's databases: one without marks, one that sets a layout
  // version of its own.
  for (const char* marks : {"", "PRAGMA user_version = 1;"}) {
    std::string foreign = dir_.File("foreign.db");
    std::filesystem::remove(foreign);
    sqlite3* db = nullptr;
    sqlite3_open(foreign.c_str(), &db);
    sqlite3_exec(db, (std::string("CREATE TABLE t(x); INSERT INTO t VALUES(1);") + marks).c_str(), nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    std::string before = vantor::test::ReadFile(foreign);
    EXPECT_THAT([&] { OpenSqliteHive(foreign); }, ThrowsMessage<StoreError>(HasSubstr("not a Vantor store"))) << marks;
    EXPECT_TRUE(vantor::test::ReadFile(foreign) == before) << "changed: " << marks;
    EXPECT_FALSE(std::filesystem::exists(foreign + "-wal")) << marks;
  }

  hive().SetValue("K", "v", Value::String("1"));
  hive_.reset();
  Sql(StorePath(), "PRAGMA user_version = 99");
  EXPECT_THAT([&] { OpenSqliteHive(StorePath()); }, ThrowsMessage<StoreError>(HasSubstr("newer version")));
}

TEST_F(SqliteStore, OpensAndReadsWithoutWaitingForAWriter) {
  hive().SetValue("Forms\\Main", "Left", Value::String("35"));
  hive().WriteTransaction([&] {
    hive().SetValue("Forms\\Main", "Left", Value::String("36"));
    auto reader = OpenAgain(2000);
    EXPECT_EQ(reader->GetValue("Forms\\Main", "Left"), Value::String("35"));
  });
  hive_.reset();

  // A store put back into rollback mode by hand is read in that mode while
  // another process writes; the next open switches it to WAL again.
  EXPECT_THAT(Sql(StorePath(), "PRAGMA journal_mode = DELETE"), ElementsAre("delete"));
  {
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(StorePath().c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(OpenAgain(2000)->GetValue("Forms\\Main", "Left"), Value::String("36"));
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(writer);
  }
  OpenAgain();
  EXPECT_THAT(Sql(StorePath(), "PRAGMA journal_mode"), ElementsAre("wal"));
}

// Runs work as an ordinary user when the test runs as root, who may write to
// any file; the result comes back through a pipe.
std::string AsOrdinaryUser(const std::function<std::string()>& work) {
  if (::geteuid() != 0) return work();
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string out = "cannot become nobody";
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
      try {
        out = work();
      } catch (const std::exception& e) {
        out = std::string("exception: ") + e.what();
      }
    }
    ssize_t written = ::write(fds[1], out.data(), out.size());
    ::_exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  ::close(fds[0]);
  ::waitpid(pid, nullptr, 0);
  return out;
}

TEST_F(SqliteStore, AReadOnlyStoreIsReadAndRefusesWritesByName) {
  hive().SetValue("Forms\\Main", "Left", Value::String("35"));
  hive_.reset();
  ASSERT_EQ(::chmod(StorePath().c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
  std::string result = AsOrdinaryUser([&] {
    auto h = OpenSqliteHive(StorePath());
    std::string out = h->GetValue("Forms\\Main", "Left").value_or(Value{}).data;
    try {
      h->SetValue("Forms\\Main", "Top", Value::String("1"));
    } catch (const StoreError& e) {
      out += std::string("|") + e.what();
    }
    return out;
  });
  EXPECT_EQ(result, "35|Failed to set data for 'Top'\nthe store " + StorePath() + " is read-only");
  // Nothing is left behind that would refuse the owner's writes once the
  // file is writable again.
  EXPECT_FALSE(std::filesystem::exists(StorePath() + "-shm"));
  ASSERT_EQ(::chmod(StorePath().c_str(), 0600), 0);
  OpenSqliteHive(StorePath())->SetValue("Forms\\Main", "Top", Value::String("1"));
}

// Stores made before depth was limited can hold keys nested a thousand
// levels deep; everything that deletes or walks keys still works on them.
TEST_F(SqliteStore, KeysNestedBeyondTheLimitByAnOlderVersionCanBeWalkedAndDeleted) {
  ListsStore(hive()).SaveList("Deep", {{"alice", 2, ""}});
  hive_.reset();
  Sql(StorePath(),
      "INSERT INTO keys(id, parent, name, path, fold) "
      "WITH RECURSIVE c(n, id, parent, path, fold) AS ("
      "  SELECT 1, 1000000, (SELECT id FROM keys WHERE fold = 'SOFTWARE\\VANTOR\\LISTS\\DEEP'),"
      "         'Software\\Vantor\\Lists\\Deep\\k', 'SOFTWARE\\VANTOR\\LISTS\\DEEP\\K'"
      "  UNION ALL SELECT n + 1, id + 1, id, path || '\\k', fold || '\\K' FROM c WHERE n < 1000)"
      "SELECT id, parent, 'k', path, fold FROM c;"
      "INSERT INTO vals(key, name, fold, seq, type, data) VALUES (1000999, 'bottom', 'BOTTOM', 1, 1, 'x');");
  std::string bottom = "Software\\Vantor\\Lists\\Deep";
  for (int i = 0; i < 1000; ++i) bottom += "\\k";
  EXPECT_EQ(hive().GetValue(bottom, "bottom"), Value::String("x"));
  std::string script = RegScript::Export(hive(), "Software\\Vantor\\Lists");
  EXPECT_THAT(script, HasSubstr("[" + RegKeyOfHivePath(bottom) + "]\r\n\"bottom\"=\"x\"\r\n"));

  ListsStore(hive()).SaveList("Deep", {{"bob", 2, ""}});  // the old key goes with everything below it
  EXPECT_THAT(hive().SubKeyNames("Software\\Vantor\\Lists\\Deep"), IsEmpty());
  Sql(StorePath(),
      "INSERT INTO keys(id, parent, name, path, fold) "
      "WITH RECURSIVE c(n, id, parent, path, fold) AS ("
      "  SELECT 1, 2000000, 1, 'Old', 'OLD'"
      "  UNION ALL SELECT n + 1, id + 1, id, path || '\\k', fold || '\\K' FROM c WHERE n < 1001)"
      "SELECT id, parent, 'k', path, fold FROM c;");
  EXPECT_TRUE(hive().DeleteKey("Old"));
  EXPECT_TRUE(hive().DeleteKey("Software"));
  EXPECT_THAT(Sql(StorePath(), "SELECT count(*) FROM keys"), ElementsAre("1"));
}

TEST(StorePath, FollowsTheEnvironment) {
  {
    ScopedEnv store("VANTOR_STORE", "/tmp/elsewhere/my.db");
    ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(DefaultStorePath(), "/tmp/elsewhere/my.db");
  }
  ScopedEnv store("VANTOR_STORE", nullptr);
  ScopedEnv home("HOME", "/home/zoe");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(DefaultStorePath(), "/cfg/vantor/store.db");
  }
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "relative/cfg");  // ignored, as the XDG rules say
    EXPECT_EQ(DefaultStorePath(), "/home/zoe/.config/vantor/store.db");
  }
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(DefaultStorePath(), "/home/zoe/.config/vantor/store.db");
}

}  // namespace
}  // namespace vantor::store::test
