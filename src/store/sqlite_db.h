// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A thin RAII layer over the SQLite C interface: one connection, prepared
// statements that reset themselves after each use, and errors as exceptions
// that carry SQLite's result code.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace vantor::store::sql {

// Internal to the backend: the hive turns it into a StoreError with the
// user's words before it leaves a public operation.
class Error : public std::runtime_error {
 public:
  Error(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int code() const { return code_; }  // extended result code
  bool IsBusy() const;                // SQLITE_BUSY or SQLITE_LOCKED, any variant

 private:
  int code_;
};

class Connection {
 public:
  enum class Mode {
    kReadWrite,  // creating the file when missing
    kReadOnly,
    // Read-only, and no other process will change the file: SQLite then
    // needs neither locks nor the -shm file, so a store in a folder we
    // cannot write to can still be read.
    kImmutable,
  };
  explicit Connection(const std::string& path, Mode mode = Mode::kReadWrite);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* get() const { return db_; }
  void Exec(const char* sql);
  // The first column of the first row as text ("" when there is none).
  std::string QueryText(const char* sql);
  std::int64_t Changes() const;
  std::int64_t LastInsertId() const;
  bool InTransaction() const;
  [[noreturn]] void Fail(int rc, std::string_view context = {}) const;

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(Connection& db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Binds take 1-based parameter numbers, as SQLite does.
  void BindText(int i, std::string_view text);
  void BindBlob(int i, std::string_view bytes);
  void BindInt(int i, std::int64_t n);
  void BindNull(int i);

  // True when a row is ready; false when the statement has finished.
  bool Step();
  // Runs a statement that returns no rows.
  void Run();

  std::int64_t ColumnInt(int col) const;
  std::string ColumnBytes(int col) const;  // text or blob, byte for byte
  bool ColumnIsNull(int col) const;

  // Back to the start with no bindings; ends a read the statement holds open.
  void Reset();

 private:
  Connection& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// Resets a statement when it goes out of scope, so that an unfinished
// SELECT never keeps a read transaction open.
class Use {
 public:
  explicit Use(Statement& s) : s_(s) {}
  ~Use() { s_.Reset(); }
  Use(const Use&) = delete;
  Use& operator=(const Use&) = delete;
  Statement* operator->() { return &s_; }

 private:
  Statement& s_;
};

}  // namespace vantor::store::sql
