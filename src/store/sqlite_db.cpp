// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/sqlite_db.h"

#include <sqlite3.h>

#include <cctype>
#include <filesystem>

namespace vantor::store::sql {

bool Error::IsBusy() const {
  int primary = code_ & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

namespace {

// A URI filename for SQLite: every byte that a URI could take for a
// separator or an escape is percent-encoded; the authority is always given,
// so a path that begins with two slashes stays a path.
std::string FileUri(const std::string& path, const char* query) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string abs = std::filesystem::absolute(path).string();
  std::string out = "file://localhost";
  for (unsigned char c : abs) {
    if (std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out + "?" + query;
}

}  // namespace

Connection::Connection(const std::string& path, Mode mode) {
  int rc;
  if (mode == Mode::kReadWrite) {
    rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  } else {
    std::string uri = FileUri(path, mode == Mode::kImmutable ? "mode=ro&immutable=1" : "mode=ro");
    rc = sqlite3_open_v2(uri.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  }
  if (rc != SQLITE_OK) {
    std::string what = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw Error(rc, what);
  }
  sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection() { sqlite3_close_v2(db_); }

void Connection::Fail(int rc, std::string_view context) const {
  std::string what = sqlite3_errmsg(db_);
  if (what.empty() || what == "not an error") what = sqlite3_errstr(rc);
  if (!context.empty()) what = std::string(context) + ": " + what;
  throw Error(sqlite3_extended_errcode(db_) != SQLITE_OK ? sqlite3_extended_errcode(db_) : rc, what);
}

void Connection::Exec(const char* sql) {
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

std::string Connection::QueryText(const char* sql) {
  Statement s(*this, sql);
  std::string out = s.Step() ? s.ColumnBytes(0) : std::string();
  s.Reset();
  return out;
}

std::int64_t Connection::Changes() const { return sqlite3_changes64(db_); }
std::int64_t Connection::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }
bool Connection::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

Statement::Statement(Connection& db, const char* sql) : db_(db) {
  int rc = sqlite3_prepare_v3(db.get(), sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (rc != SQLITE_OK) db_.Fail(rc);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::BindText(int i, std::string_view text) {
  int rc = sqlite3_bind_text64(stmt_, i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  if (rc != SQLITE_OK) db_.Fail(rc);
}

void Statement::BindBlob(int i, std::string_view bytes) {
  // A zero-length blob still binds as a blob, not as NULL.
  int rc = bytes.empty() ? sqlite3_bind_zeroblob(stmt_, i, 0)
                         : sqlite3_bind_blob64(stmt_, i, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) db_.Fail(rc);
}

void Statement::BindInt(int i, std::int64_t n) {
  int rc = sqlite3_bind_int64(stmt_, i, n);
  if (rc != SQLITE_OK) db_.Fail(rc);
}

void Statement::BindNull(int i) {
  int rc = sqlite3_bind_null(stmt_, i);
  if (rc != SQLITE_OK) db_.Fail(rc);
}

bool Statement::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(stmt_);
  db_.Fail(rc);
}

void Statement::Run() {
  while (Step()) {
  }
}

std::int64_t Statement::ColumnInt(int col) const { return sqlite3_column_int64(stmt_, col); }

std::string Statement::ColumnBytes(int col) const {
  const void* p = sqlite3_column_blob(stmt_, col);
  int n = sqlite3_column_bytes(stmt_, col);
  if (!p || n <= 0) return {};
  return std::string(static_cast<const char*>(p), static_cast<size_t>(n));
}

bool Statement::ColumnIsNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

}  // namespace vantor::store::sql
