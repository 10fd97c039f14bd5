#include "store/sqlite_hive.h"

#include "common/text.h"
#include "common/utf.h"
#include "store/key_path.h"
#include "store/sqlite_db.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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
INSERT INTO keys(id, parent, name, path, fold) VALUES (1, NULL, '', '', '');
)sql";

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

// Creates the file owner-only before SQLite opens it: SQLite gives its -wal
// and -shm files the main file's permissions.
void CreateStoreFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) throw StoreError("Cannot open the store " + path + ": " + ErrnoText(errno));
  ::close(fd);
}

class SqliteHive final : public Hive {
 public:
  SqliteHive(std::string path, const SqliteHiveOptions& options)
      : path_(std::move(path)), timeout_(options.busyTimeoutMs) {
    CreateParentFolders(path_);
    CreateStoreFile(path_);
    try {
      db_ = std::make_unique<sql::Connection>(path_);
      sqlite3_busy_timeout(db_->get(), options.busyTimeoutMs);
      Retrying([&] {
        if (db_->QueryText("PRAGMA journal_mode = WAL") != "wal") {
          throw StoreError("The store " + path_ + " cannot use write-ahead logging on this file system.");
        }
      });
      // Savepoints keep their undo pages in memory rather than in a temporary file.
      db_->Exec("PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON; PRAGMA temp_store = MEMORY;");
      Retrying([&] { InitSchema(); });
      st_ = std::make_unique<Statements>(*db_);
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
        for (sql::Statement* s : {&st_->deleteSubtreeValues, &st_->deleteSubtreeKeys}) {
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
      while (q->Step()) out.push_back(q->ColumnBytes(0));
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
    sql::Statement deleteSubtreeValues, deleteSubtreeKeys;
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

  void InitSchema() {
    db_->Exec("BEGIN IMMEDIATE");
    try {
      int version = std::stoi(db_->QueryText("PRAGMA user_version"));
      if (version == 0) {
        if (db_->QueryText("SELECT count(*) FROM sqlite_schema") != "0") {
          throw StoreError("The file " + path_ + " is a database of another program, not a Vantor store.");
        }
        db_->Exec(kSchema);
        db_->Exec(("PRAGMA application_id = " + std::to_string(kStoreApplicationId) +
                   "; PRAGMA user_version = " + std::to_string(kStoreSchemaVersion))
                      .c_str());
      } else if (version > kStoreSchemaVersion) {
        throw StoreError("The store " + path_ + " was made by a newer version of Vantor (layout " +
                         std::to_string(version) + ").");
      }
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
    std::string problem;
    if (!IsValidUtf8(name)) {
      problem = "A value name must be UTF-8 text.";
    } else if (Utf8Length(name) > kMaxValueNameLength) {
      problem = "A value name cannot be longer than " + std::to_string(kMaxValueNameLength) + " characters.";
    }
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
    std::string typed;
    bool missing = false;
    for (std::string_view name : names) {
      if (!typed.empty()) typed += '\\';
      typed += name;
      std::string fold = FoldCase(typed);
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
  int depth_ = 0;
  Mode mode_ = Mode::None;
};

}  // namespace

std::unique_ptr<Hive> OpenSqliteHive(const std::string& path, const SqliteHiveOptions& options) {
  return std::make_unique<SqliteHive>(path, options);
}

std::unique_ptr<Hive> OpenSqliteHive(const std::string& path) { return OpenSqliteHive(path, SqliteHiveOptions{}); }

}  // namespace vantor::store
