// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/sqlite_hive.h"

#include "common/file_read.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/utf.h"
#include "store/key_path.h"
#include "store/sqlite_db.h"

#include <sqlite3.h>

#ifdef __GLIBC__
#include <gnu/libc-version.h>
#endif

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <type_traits>

namespace vantor::store {
namespace {

constexpr std::int64_t kRootId = 1;

// Key paths are looked up by their fold (FoldCase of the whole path), which
// makes "Main\servers" and "Main\Servers" one key and keeps a subtree in one
// range of the fold index: P itself and everything from "P\" up to "P]"
// (']' follows '\' in ASCII).
const char* const kSchema = R"sql(
CREATE TABLE keys (
  id     INTEGER PRIMARY KEY,
  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
  name   TEXT NOT NULL,
  path   TEXT NOT NULL,
  fold   TEXT NOT NULL UNIQUE
);
CREATE INDEX keys_by_parent ON keys(parent);
CREATE TABLE vals (
  key    INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
  name   TEXT NOT NULL,
  fold   TEXT NOT NULL,
  seq    INTEGER NOT NULL,
  type   INTEGER NOT NULL,
  data   BLOB NOT NULL,
  PRIMARY KEY (key, fold)
) WITHOUT ROWID;
CREATE INDEX vals_by_seq ON vals(key, seq);
CREATE TABLE meta (
  name   TEXT PRIMARY KEY,
  value  TEXT NOT NULL
) WITHOUT ROWID;
INSERT INTO keys(id, parent, name, path, fold) VALUES (1, NULL, '', '', '');
)sql";

// Folds follow the C library's case tables, which grow with new Unicode
// versions; `meta` names the mapping the stored folds were made with
// (layout 1 had none: a smaller table of its own). A store folded otherwise
// is folded again when it is opened, in one transaction. Names that now fold
// alike become one, as they always were for the registry: keys merge into the
// first one made (its subkeys and values join it), and of values with one
// fold in one key the first one written stays.
const char* const kRefold = R"sql(
CREATE TABLE IF NOT EXISTS meta (
  name   TEXT PRIMARY KEY,
  value  TEXT NOT NULL
) WITHOUT ROWID;
CREATE TEMP TABLE refold (id INTEGER PRIMARY KEY, fold TEXT NOT NULL, keep INTEGER);
INSERT INTO refold(id, fold) SELECT id, vantor_fold(path) FROM keys;
CREATE INDEX temp.refold_by_fold ON refold(fold, id);
UPDATE refold SET keep = (SELECT min(r.id) FROM refold r WHERE r.fold = refold.fold);
CREATE TEMP TABLE revals AS
  SELECT r.keep AS key, v.name AS name, vantor_fold(v.name) AS fold, v.seq AS seq, v.type AS type, v.data AS data,
         v.key AS src
  FROM vals v JOIN refold r ON r.id = v.key;
DELETE FROM vals;
INSERT OR IGNORE INTO vals(key, name, fold, seq, type, data)
  SELECT key, name, fold, ROW_NUMBER() OVER (PARTITION BY key ORDER BY src, seq), type, data
  FROM revals ORDER BY key, src, seq;
UPDATE keys SET parent = (SELECT keep FROM refold WHERE refold.id = keys.parent)
  WHERE parent IN (SELECT id FROM refold WHERE keep <> id);
DELETE FROM keys WHERE id IN (SELECT id FROM refold WHERE keep <> id);
-- Through folds no name has (FoldCase writes valid UTF-8 only), so that no
-- step of the renaming meets a fold that is still to change.
UPDATE keys SET fold = CAST(x'FF' AS TEXT) || id;
UPDATE keys SET fold = (SELECT fold FROM refold WHERE refold.id = keys.id);
DROP TABLE temp.revals;
DROP TABLE temp.refold;
)sql";

// The mapping this process folds with, as `meta` records it under 'fold'.
// Taking it loads the case tables and runs through the first plane (about
// 0.2 ms), so a store also records the C library it was folded under
// ('libc'): while that is the same, so are its tables, and opening the store
// costs no more than reading the two rows.
std::string FoldMark() {
  char buf[40];
  std::snprintf(buf, sizeof buf, "simple-upper %016llx", static_cast<unsigned long long>(CaseMappingFingerprint()));
  return buf;
}

std::string LibcMark() {
#ifdef __GLIBC__
  return std::string("glibc ") + ::gnu_get_libc_version();
#else
  return {};  // unknown: the mapping itself is compared on every open
#endif
}

enum class FoldState { kCurrent, kSameMapping, kStale };

// vantor_fold(TEXT): FoldCase in SQL, for folding a store again.
void FoldFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  if (!text) {
    sqlite3_result_null(ctx);
    return;
  }
  try {
    std::string fold = FoldCase(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0]))));
    sqlite3_result_text64(ctx, fold.data(), fold.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(ctx);
  }
}

std::string JoinNames(const std::vector<std::string_view>& names) {
  std::string out;
  for (std::string_view n : names) {
    if (!out.empty()) out += '\\';
    out += n;
  }
  return out;
}

// Text columns hold what sqlite3 can show; anything else is kept as a blob.
bool StoresAsText(const Value& v) {
  return (v.type == ValueType::String || v.type == ValueType::ExpandString) && v.data.find('\0') == std::string::npos &&
         IsValidUtf8(v.data);
}

// A key path as the user sees it in messages.
std::string RegShown(std::string_view key) {
  if (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  return key.empty() ? std::string("HKEY_CURRENT_USER") : "HKEY_CURRENT_USER\\" + std::string(key);
}

std::string ErrnoText(int err) { return std::strerror(err); }

// Creates the missing folders of the store's path, owner-only, like the
// XDG base directory rules ask for.
void CreateParentFolders(const std::string& file) {
  std::filesystem::path dir = std::filesystem::path(file).parent_path();
  if (dir.empty()) return;
  std::vector<std::filesystem::path> missing;
  std::error_code ec;
  for (auto p = dir; !p.empty() && !std::filesystem::exists(p, ec); p = p.parent_path()) {
    missing.push_back(p);
    if (p == p.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
      throw StoreError("Cannot create the folder " + it->string() + " for the store: " + ErrnoText(errno));
    }
  }
}

// Makes sure the store's path names a regular file we can open, creating it
// owner-only when missing (SQLite gives its -wal and -shm files the main
// file's permissions). Returns true when the file can only be read. Nothing
// that is not a regular file is opened: opening a FIFO would wait for a
// writer, and a device is not ours to touch.
bool PrepareStoreFile(const std::string& path) {
  FileProblem problem;
  std::string reason;
  if (!FileStatusProblem(path, problem, reason)) {
    if (::access(path.c_str(), W_OK) == 0) return false;
    if (errno == EACCES || errno == EROFS || errno == EPERM) return true;
    throw StoreError("Cannot open the store " + path + ": " + ErrnoText(errno));
  }
  if (problem != FileProblem::kMissing) throw StoreError("Cannot open the store " + path + ": it " + reason + ".");
  CreateParentFolders(path);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0 && errno == EEXIST) return PrepareStoreFile(path);  // another process created it first
  if (fd < 0) throw StoreError("Cannot open the store " + path + ": " + ErrnoText(errno));
  ::close(fd);
  return false;
}

// What an opened file holds, judged from its header alone.
enum class FileKind { kOurs, kEmpty, kForeign, kNewer };

class SqliteHive final : public Hive {
 public:
  SqliteHive(std::string path, const SqliteHiveOptions& options)
      : path_(std::move(path)), timeout_(options.busyTimeoutMs) {
    readOnly_ = PrepareStoreFile(path_);
    try {
      db_ = std::make_unique<sql::Connection>(path_, ReadMode());
      sqlite3_busy_timeout(db_->get(), options.busyTimeoutMs);
      // Settings of this connection alone, before any statement is prepared
      // (the foreign keys decide what a statement's code does). Savepoints
      // keep their undo pages in memory rather than in a temporary file.
      db_->Exec("PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON; PRAGMA temp_store = MEMORY;");
      // Judged by reading alone: a file that is not ours is left exactly as
      // it was, and a store that another process is writing is not waited for.
      FileKind kind = Retrying([&] { return Identify(); });
      RefuseUnless(kind);
      if (kind == FileKind::kEmpty && readOnly_) {
        throw StoreError("The store " + path_ + " is empty and read-only, so it cannot be set up.");
      }
      // Preparing the statements reads the schema: a store whose tables are
      // damaged is refused here, before anything is written to it.
      if (kind == FileKind::kOurs) st_ = std::make_unique<Statements>(*db_);
      // A read-only store keeps the folds it has: names whose fold changed
      // are found by it only once its owner has opened it. Folding again
      // reads every name, so it is also where a damaged page shows: it runs
      // before the switch to write-ahead logging, so that a store refused
      // for that is left as it was (its one transaction rolls back).
      if (kind == FileKind::kOurs && !readOnly_) Retrying([&] { RefoldIfStale(); });
      if (!readOnly_ && db_->QueryText("PRAGMA journal_mode") != "wal") SwitchToWal(kind == FileKind::kEmpty);
      if (kind == FileKind::kEmpty) {
        Retrying([&] { InitSchema(); });
        st_ = std::make_unique<Statements>(*db_);
      }
      if (trace::On()) trace::Line("store: " + path_ + (readOnly_ ? " (read-only)" : "") + " opened");
    } catch (const sql::Error& e) {
      throw StoreError("Cannot open the store " + path_ + ": " + e.what());
    }
  }

  bool KeyExists(std::string_view key) override {
    auto names = SplitKeyPath(key);
    if (!names) return false;
    return Read("key " + std::string(key), [&] { return FindKey(FoldCase(JoinNames(*names))).has_value(); });
  }

  void CreateKey(std::string_view key) override {
    std::lock_guard lock(mutex_);
    auto names = CheckedKeyPath(key);
    try {
      WriteUnit([&] { EnsureKey(*names); });
    } catch (const sql::Error& e) {
      throw StoreError(Format("Failed to create key %s", {key}) + "\n" + e.what());
    }
  }

  bool DeleteKey(std::string_view key) override {
    std::lock_guard lock(mutex_);
    auto names = SplitKeyPath(key);
    if (!names) return false;
    if (names->empty()) throw StoreError("The root key of the store cannot be deleted.");
    bool found = false;
    try {
      WriteUnit([&] {
        std::string fold = FoldCase(JoinNames(*names));
        if (!FindKey(fold)) return;
        found = true;
        std::string from = fold + '\\', to = fold + ']';
        // The keys are cut loose from their parents first: SQLite carries out
        // each ON DELETE CASCADE as a nested trigger, and a chain of more than
        // a thousand keys would exceed its trigger depth.
        for (sql::Statement* s : {&st_->detachSubtree, &st_->deleteSubtreeValues, &st_->deleteSubtreeKeys}) {
          sql::Use q(*s);
          q->BindText(1, fold);
          q->BindText(2, from);
          q->BindText(3, to);
          q->Run();
        }
      });
    } catch (const sql::Error& e) {
      throw StoreError(Format("Failed to delete key %s", {key}) + "\n" + e.what());
    }
    return found;
  }

  std::optional<Value> GetValue(std::string_view key, std::string_view name) override {
    auto names = SplitKeyPath(key);
    if (!names) return std::nullopt;
    return Read("key " + std::string(key), [&]() -> std::optional<Value> {
      sql::Use q(st_->getValue);
      q->BindText(1, FoldCase(JoinNames(*names)));
      q->BindText(2, FoldCase(name));
      if (!q->Step()) return std::nullopt;
      return Value{static_cast<ValueType>(q->ColumnInt(0)), q->ColumnBytes(1)};
    });
  }

  void SetValue(std::string_view key, std::string_view name, const Value& value) override {
    std::lock_guard lock(mutex_);
    auto names = CheckedKeyPath(key);
    std::string failed = Format("Failed to set data for '%s'", {name});
    CheckValueName(name);
    bool creatingKey = false;
    try {
      WriteUnit([&] {
        creatingKey = true;
        std::int64_t id = EnsureKey(*names);
        creatingKey = false;
        sql::Use q(st_->upsertValue);
        q->BindInt(1, id);
        q->BindText(2, name);
        q->BindText(3, FoldCase(name));
        q->BindInt(4, static_cast<std::int64_t>(value.type));
        BindData(q, 5, value);
        q->Run();
      });
    } catch (const sql::Error& e) {
      throw StoreError((creatingKey ? Format("Failed to create key %s", {key}) : failed) + "\n" + e.what());
    }
  }

  // One look-up of the key and of its last order number, then one prepared
  // insert per value with its order number counted on from there.
  void SetValues(std::string_view key, const std::vector<NamedValue>& values) override {
    std::lock_guard lock(mutex_);
    auto names = CheckedKeyPath(key);
    for (const NamedValue& v : values) CheckValueName(v.name);
    const NamedValue* current = nullptr;  // null while the key is being made
    try {
      WriteUnit([&] {
        std::int64_t id = EnsureKey(*names);
        std::int64_t seq = 0;
        {
          sql::Use q(st_->lastSeq);
          q->BindInt(1, id);
          if (q->Step()) seq = q->ColumnInt(0);
        }
        for (const NamedValue& v : values) {
          current = &v;
          sql::Use q(st_->insertValue);
          q->BindInt(1, id);
          q->BindText(2, v.name);
          q->BindText(3, FoldCase(v.name));
          q->BindInt(4, ++seq);
          q->BindInt(5, static_cast<std::int64_t>(v.value.type));
          BindData(q, 6, v.value);
          q->Run();
        }
      });
    } catch (const sql::Error& e) {
      throw StoreError((current ? Format("Failed to set data for '%s'", {current->name})
                                : Format("Failed to create key %s", {key})) +
                       "\n" + e.what());
    }
  }

  bool DeleteValue(std::string_view key, std::string_view name) override {
    std::lock_guard lock(mutex_);
    auto names = SplitKeyPath(key);
    if (!names) return false;
    bool found = false;
    try {
      WriteUnit([&] {
        sql::Use q(st_->deleteValue);
        q->BindText(1, FoldCase(JoinNames(*names)));
        q->BindText(2, FoldCase(name));
        q->Run();
        found = db_->Changes() > 0;
      });
    } catch (const sql::Error& e) {
      throw StoreError(Format("Failed to delete value '%s'", {name}) + "\n" + e.what());
    }
    return found;
  }

  std::vector<std::string> SubKeyNames(std::string_view key) override {
    auto names = SplitKeyPath(key);
    if (!names) return {};
    return Read("key " + std::string(key), [&] {
      std::vector<std::string> out;
      sql::Use q(st_->subKeys);
      q->BindText(1, FoldCase(JoinNames(*names)));
      while (q->Step()) {
        std::string name = q->ColumnBytes(0);
        // A row written past this layer (by hand, or a damaged file) can hold
        // a name that no key can have; following it would name the parent
        // again, or another key, and a walk of the tree would never end.
        if (name.empty() || name.find('\\') != std::string::npos) {
          throw StoreError("The store " + path_ + " is damaged: the key " + RegShown(key) + " holds a subkey with " +
                           (name.empty() ? "an empty name" : "a backslash in its name") +
                           ". Delete the key (vantor-reg delete) to repair it.");
        }
        out.push_back(std::move(name));
      }
      return out;
    });
  }

  std::vector<NamedValue> Values(std::string_view key) override {
    auto names = SplitKeyPath(key);
    if (!names) return {};
    return Read("key " + std::string(key), [&] {
      std::vector<NamedValue> out;
      sql::Use q(st_->values);
      q->BindText(1, FoldCase(JoinNames(*names)));
      while (q->Step()) {
        out.push_back({q->ColumnBytes(0), Value{static_cast<ValueType>(q->ColumnInt(1)), q->ColumnBytes(2)}});
      }
      return out;
    });
  }

  void ReadTransaction(const std::function<void()>& work) override {
    std::lock_guard lock(mutex_);
    if (depth_ > 0) {
      work();
      return;
    }
    try {
      Retrying([&] {
        try {
          st_->beginRead.Run();
          // The first read takes the snapshot that the whole unit sees.
          sql::Use q(st_->touch);
          q->Step();
        } catch (...) {
          RollbackQuietly();
          throw;
        }
      });
    } catch (const sql::Error& e) {
      throw StoreError("Failed to read the store " + path_ + "\n" + e.what());
    }
    Depth guard(*this, Mode::Read);
    try {
      work();
    } catch (...) {
      RollbackQuietly();
      throw;
    }
    RollbackQuietly();  // nothing to keep: ending the read is all that is left
  }

  void WriteTransaction(const std::function<void()>& work) override {
    std::lock_guard lock(mutex_);
    try {
      WriteUnit(work);
    } catch (const sql::Error& e) {
      throw StoreError("Failed to save changes to the store " + path_ + "\n" + e.what());
    }
  }

 private:
  enum class Mode { None, Read, Write };

  struct Statements {
    explicit Statements(sql::Connection& db)
        : findKey(db, "SELECT id, path FROM keys WHERE fold = ?1"),
          insertKey(db, "INSERT INTO keys(parent, name, path, fold) VALUES (?1, ?2, ?3, ?4)"),
          getValue(db,
                   "SELECT v.type, v.data FROM vals v JOIN keys k ON v.key = k.id "
                   "WHERE k.fold = ?1 AND v.fold = ?2"),
          // A new value goes after the key's last one; an overwrite keeps its
          // place and its first spelling.
          upsertValue(db,
                      "INSERT INTO vals(key, name, fold, seq, type, data) VALUES "
                      "(?1, ?2, ?3, (SELECT COALESCE(MAX(seq), 0) + 1 FROM vals WHERE key = ?1), ?4, ?5) "
                      "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data"),
          // Order numbers given by the caller; a name met again keeps its place.
          insertValue(db,
                      "INSERT INTO vals(key, name, fold, seq, type, data) VALUES (?1, ?2, ?3, ?4, ?5, ?6) "
                      "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data"),
          lastSeq(db, "SELECT COALESCE(MAX(seq), 0) FROM vals WHERE key = ?1"),
          deleteValue(db, "DELETE FROM vals WHERE key = (SELECT id FROM keys WHERE fold = ?1) AND fold = ?2"),
          subKeys(db,
                  "SELECT c.name FROM keys c JOIN keys p ON c.parent = p.id WHERE p.fold = ?1 "
                  "ORDER BY c.fold"),
          values(db,
                 "SELECT v.name, v.type, v.data FROM vals v JOIN keys k ON v.key = k.id "
                 "WHERE k.fold = ?1 ORDER BY v.seq"),
          detachSubtree(db,
                        "UPDATE keys SET parent = NULL WHERE id IN (SELECT id FROM keys WHERE fold = ?1 "
                        "UNION ALL SELECT id FROM keys WHERE fold >= ?2 AND fold < ?3)"),
          deleteSubtreeValues(db,
                              "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE fold = ?1 "
                              "UNION ALL SELECT id FROM keys WHERE fold >= ?2 AND fold < ?3)"),
          deleteSubtreeKeys(db,
                            "DELETE FROM keys WHERE id IN (SELECT id FROM keys WHERE fold = ?1 "
                            "UNION ALL SELECT id FROM keys WHERE fold >= ?2 AND fold < ?3)"),
          beginRead(db, "BEGIN DEFERRED"),
          beginWrite(db, "BEGIN IMMEDIATE"),
          commit(db, "COMMIT"),
          rollback(db, "ROLLBACK"),
          savepoint(db, "SAVEPOINT unit"),
          release(db, "RELEASE unit"),
          rollbackTo(db, "ROLLBACK TO unit"),
          touch(db, "SELECT id FROM keys WHERE id = 1") {}

    sql::Statement findKey, insertKey, getValue, upsertValue, insertValue, lastSeq, deleteValue, subKeys, values;
    sql::Statement detachSubtree, deleteSubtreeValues, deleteSubtreeKeys;
    sql::Statement beginRead, beginWrite, commit, rollback, savepoint, release, rollbackTo, touch;
  };

  // Marks the connection as inside a unit for as long as it lives.
  class Depth {
   public:
    Depth(SqliteHive& h, Mode m) : h_(h) {
      if (h_.depth_++ == 0) h_.mode_ = m;
    }
    ~Depth() {
      if (--h_.depth_ == 0) h_.mode_ = Mode::None;
    }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;

   private:
    SqliteHive& h_;
  };

  // How to open the file. A read-only store is read as immutable while its
  // write-ahead log holds nothing: a read-only connection would otherwise
  // need the -shm file, and one it creates is read-only too (SQLite copies
  // the store's permissions), which would refuse the owner's writes later.
  sql::Connection::Mode ReadMode() const {
    if (!readOnly_) return sql::Connection::Mode::kReadWrite;
    struct stat st {};
    bool walHoldsData = ::stat((path_ + "-wal").c_str(), &st) == 0 && st.st_size > 0;
    return walHoldsData ? sql::Connection::Mode::kReadOnly : sql::Connection::Mode::kImmutable;
  }

  // Reads the header's marks in one read transaction.
  FileKind Identify() {
    db_->Exec("BEGIN DEFERRED");
    try {
      std::int64_t app = std::stoll(db_->QueryText("PRAGMA application_id"));
      int version = std::stoi(db_->QueryText("PRAGMA user_version"));
      bool noTables = db_->QueryText("SELECT count(*) FROM sqlite_schema") == "0";
      db_->Exec("COMMIT");
      if (app == kStoreApplicationId && version > kStoreSchemaVersion) return FileKind::kNewer;
      if (app == kStoreApplicationId && version > 0) return FileKind::kOurs;
      if (app == 0 && version == 0 && noTables) return FileKind::kEmpty;
      return FileKind::kForeign;
    } catch (...) {
      RollbackQuietly();
      throw;
    }
  }

  void RefuseUnless(FileKind kind) const {
    if (kind == FileKind::kForeign) {
      throw StoreError("The file " + path_ + " is a database of another program, not a Vantor store.");
    }
    if (kind == FileKind::kNewer) {
      throw StoreError("The store " + path_ + " was made by a newer version of Vantor (layout " +
                       db_->QueryText("PRAGMA user_version") + ").");
    }
  }

  // Puts the file in write-ahead-log mode, which takes the write lock. A new
  // file waits for it as every writer does. A store left in another mode
  // (set by hand with sqlite3) that another process is writing now is read
  // in its own mode instead, which lets readers in beside one writer: a
  // reader must not wait for the writer, and a later open switches it.
  void SwitchToWal(bool wait) {
    std::string mode;
    if (wait) {
      mode = Retrying([&] { return db_->QueryText("PRAGMA journal_mode = WAL"); });
    } else {
      sqlite3_busy_timeout(db_->get(), 0);
      try {
        mode = db_->QueryText("PRAGMA journal_mode = WAL");
      } catch (const sql::Error& e) {
        sqlite3_busy_timeout(db_->get(), timeout_);
        if (e.IsBusy()) return;
        throw;
      }
      sqlite3_busy_timeout(db_->get(), timeout_);
    }
    if (mode != "wal") throw StoreError("The store " + path_ + " cannot use write-ahead logging on this file system.");
  }

  // Sets up an empty file; another process may have done it meanwhile.
  void InitSchema() {
    db_->Exec("BEGIN IMMEDIATE");
    try {
      if (db_->QueryText("SELECT count(*) FROM sqlite_schema") == "0") {
        db_->Exec(kSchema);
        WriteFoldMarks();
        db_->Exec(("PRAGMA application_id = " + std::to_string(kStoreApplicationId) +
                   "; PRAGMA user_version = " + std::to_string(kStoreSchemaVersion))
                      .c_str());
      }
      db_->Exec("COMMIT");
    } catch (...) {
      RollbackQuietly();
      throw;
    }
    RefuseUnless(Identify());
  }

  // Whether the stored folds were made with this process's mapping; a
  // layout-1 store has no record of its mapping and never was.
  FoldState CheckFolds() {
    if (db_->QueryText("PRAGMA user_version") != std::to_string(kStoreSchemaVersion)) return FoldState::kStale;
    std::string fold, libc;
    try {
      sql::Statement q(*db_, "SELECT name, value FROM meta WHERE name IN ('fold', 'libc')");
      while (q.Step()) (q.ColumnBytes(0) == "fold" ? fold : libc) = q.ColumnBytes(1);
    } catch (const sql::Error& e) {
      if (e.IsBusy()) throw;
      return FoldState::kStale;  // the table is gone (a store mended by hand): it is made again
    }
    if (!fold.empty() && !libc.empty() && libc == LibcMark()) return FoldState::kCurrent;
    return fold == FoldMark() ? FoldState::kSameMapping : FoldState::kStale;
  }

  void WriteFoldMarks() {
    sql::Statement put(*db_, "INSERT OR REPLACE INTO meta(name, value) VALUES (?1, ?2)");
    for (const auto& [name, value] : {std::pair{"fold", FoldMark()}, std::pair{"libc", LibcMark()}}) {
      put.BindText(1, name);
      put.BindText(2, value);
      put.Run();
      put.Reset();
    }
  }

  // Folds every key and value name again when the store was folded with
  // another mapping, and records the mapping. Checked again under the write
  // lock: another process may have done it meanwhile.
  void RefoldIfStale() {
    if (CheckFolds() == FoldState::kCurrent) return;
    if (sqlite3_create_function_v2(db_->get(), "vantor_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   FoldFunction, nullptr, nullptr, nullptr) != SQLITE_OK) {
      db_->Fail(sqlite3_errcode(db_->get()), "vantor_fold");
    }
    db_->Exec("BEGIN IMMEDIATE");
    try {
      FoldState state = CheckFolds();
      if (state == FoldState::kStale) {
        std::string keysBefore = db_->QueryText("SELECT count(*) FROM keys");
        db_->Exec(kRefold);
        db_->Exec(("PRAGMA user_version = " + std::to_string(kStoreSchemaVersion)).c_str());
        if (trace::On()) {
          trace::Line("store: " + path_ + ": names folded again for this system's case mapping (" + keysBefore +
                      " keys before, " + db_->QueryText("SELECT count(*) FROM keys") + " after)");
        }
      }
      if (state != FoldState::kCurrent) WriteFoldMarks();
      db_->Exec("COMMIT");
    } catch (...) {
      RollbackQuietly();
      throw;
    }
  }

  // Runs a step that may meet another process's lock again until the
  // time-out has passed: SQLite's busy handler does not wait in every case
  // (a read that meets a WAL recovery, for one).
  template <class F>
  std::invoke_result_t<F&> Retrying(F&& step) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_);
    for (;;) {
      try {
        return step();
      } catch (const sql::Error& e) {
        if (!e.IsBusy() || depth_ > 0 || std::chrono::steady_clock::now() >= deadline) throw;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  template <class F>
  std::invoke_result_t<F&> Read(const std::string& what, F&& f) {
    std::lock_guard lock(mutex_);
    try {
      return Retrying(f);
    } catch (const sql::Error& e) {
      throw StoreError("Failed to read " + what + "\n" + e.what());
    }
  }

  static void CheckValueName(std::string_view name) {
    const std::string problem = ValueNameProblem(name);
    if (!problem.empty()) throw StoreError(Format("Failed to set data for '%s'", {name}) + "\n" + problem);
  }

  static void BindData(sql::Use& q, int i, const Value& value) {
    if (StoresAsText(value)) {
      q->BindText(i, value.data);
    } else {
      q->BindBlob(i, value.data);
    }
  }

  std::optional<std::vector<std::string_view>> CheckedKeyPath(std::string_view key) {
    std::string problem = KeyPathProblem(key);
    if (problem.empty() && !IsValidUtf8(key)) problem = "A key name must be UTF-8 text.";
    if (!problem.empty()) throw StoreError(Format("Failed to create key %s", {key}) + "\n" + problem);
    return SplitKeyPath(key);
  }

  void RollbackQuietly() {
    if (!db_->InTransaction()) return;
    try {
      if (st_) {
        st_->rollback.Run();
      } else {
        db_->Exec("ROLLBACK");
      }
    } catch (const sql::Error&) {
      // The connection is already out of the transaction (SQLite ends it by
      // itself after some errors); nothing is left to undo.
    }
  }

  // One all-or-nothing unit of writes: a transaction that takes the write
  // lock at once (a read turned write can fail under WAL), or, inside one, a
  // savepoint, so that a failed part leaves the outer unit as it was.
  void WriteUnit(const std::function<void()>& body) {
    if (mode_ == Mode::Read) throw StoreError("The store cannot be changed inside a read transaction.");
    if (readOnly_) throw sql::Error(SQLITE_READONLY, "the store " + path_ + " is read-only");
    if (depth_ == 0) {
      Retrying([&] { st_->beginWrite.Run(); });
      Depth guard(*this, Mode::Write);
      try {
        body();
        if (!db_->InTransaction()) throw StoreError("The store's transaction ended early; nothing was saved.");
        st_->commit.Run();
      } catch (...) {
        RollbackQuietly();
        throw;
      }
      return;
    }
    if (!db_->InTransaction()) throw StoreError("The store's transaction ended early; nothing was saved.");
    st_->savepoint.Run();
    Depth guard(*this, Mode::Write);
    try {
      body();
      st_->release.Run();
    } catch (...) {
      if (db_->InTransaction()) {
        try {
          st_->rollbackTo.Run();
          st_->release.Run();
        } catch (const sql::Error&) {
          // Leaves the outer unit to fail at its commit.
        }
      }
      throw;
    }
  }

  std::optional<std::int64_t> FindKey(const std::string& fold) {
    sql::Use q(st_->findKey);
    q->BindText(1, fold);
    if (!q->Step()) return std::nullopt;
    return q->ColumnInt(0);
  }

  // The key's id, creating it and its missing parents.
  std::int64_t EnsureKey(const std::vector<std::string_view>& names) {
    if (names.empty()) return kRootId;
    if (auto id = FindKey(FoldCase(JoinNames(names)))) return *id;
    std::int64_t parent = kRootId;
    std::string parentPath;  // as stored: each name as first written
    // The fold of the path so far, grown name by name: folding goes code
    // point by code point and leaves the backslash alone, and the path is
    // valid UTF-8 here, so this is FoldCase of the whole prefix. Folding
    // each prefix again would cost the square of the path's length.
    std::string fold;
    bool missing = false;
    for (std::string_view name : names) {
      if (!fold.empty()) fold += '\\';
      fold += FoldCase(name);
      if (!missing) {
        sql::Use q(st_->findKey);
        q->BindText(1, fold);
        if (q->Step()) {
          parent = q->ColumnInt(0);
          parentPath = q->ColumnBytes(1);
          continue;
        }
        missing = true;
      }
      std::string path = parentPath.empty() ? std::string(name) : parentPath + '\\' + std::string(name);
      sql::Use q(st_->insertKey);
      q->BindInt(1, parent);
      q->BindText(2, name);
      q->BindText(3, path);
      q->BindText(4, fold);
      q->Run();
      parent = db_->LastInsertId();
      parentPath = std::move(path);
    }
    return parent;
  }

  std::string path_;
  int timeout_;
  std::recursive_mutex mutex_;
  std::unique_ptr<sql::Connection> db_;
  std::unique_ptr<Statements> st_;  // after db_: finalized before the connection closes
  bool readOnly_ = false;
  int depth_ = 0;
  Mode mode_ = Mode::None;
};

}  // namespace

std::unique_ptr<Hive> OpenSqliteHive(const std::string& path, const SqliteHiveOptions& options) {
  return std::make_unique<SqliteHive>(path, options);
}

std::unique_ptr<Hive> OpenSqliteHive(const std::string& path) { return OpenSqliteHive(path, SqliteHiveOptions{}); }

}  // namespace vantor::store
