#include "registry/sqlite_db.h"

#include <utility>

#include "registry/registry_status.h"

namespace modRegistry {
namespace {

// How long a writer waits for another process (another account running the
// same installation) to finish its transaction before giving up. Short, so
// that a hive held by a stuck process never freezes the window for long.
constexpr int kBusyTimeoutMs = 800;

}  // namespace

StoreError::StoreError(std::int32_t status, std::string description)
    : kb::Error(status, std::move(description), "modRegistry"), status_(status) {}

std::int32_t status_for_sqlite(int result_code) {
  switch (result_code & 0xff) {
    case SQLITE_OK:
      return ERROR_SUCCESS;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_BADDB;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

SqliteDb::SqliteDb(const std::filesystem::path& file, int flags) {
  const int rc = sqlite3_open_v2(file.c_str(), &db_, flags | SQLITE_OPEN_EXRESCODE, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw StoreError(status_for_sqlite(rc), "Cannot open " + file.string() + ": " + message);
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

SqliteDb::~SqliteDb() {
  sqlite3_close_v2(db_);
}

void SqliteDb::exec(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail(rc, sql);
}

void SqliteDb::fail(int result_code, std::string_view what) const {
  throw StoreError(status_for_sqlite(result_code), std::string(what) + ": " + sqlite3_errmsg(db_));
}

SqliteStatement::SqliteStatement(SqliteDb& db, const char* sql) : db_(db) {
  const int rc = sqlite3_prepare_v2(db.get(), sql, -1, &stmt_, nullptr);
  if (rc != SQLITE_OK) db_.fail(rc, sql);
}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::bind_text(int index, std::string_view text) {
  const int rc =
      sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  if (rc != SQLITE_OK) db_.fail(rc, "bind");
  return *this;
}

SqliteStatement& SqliteStatement::bind_int64(int index, std::int64_t value) {
  const int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) db_.fail(rc, "bind");
  return *this;
}

SqliteStatement& SqliteStatement::bind_blob(int index, std::string_view bytes) {
  // A zero-length blob still binds as a blob, not as NULL.
  const int rc = sqlite3_bind_blob64(stmt_, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                                     SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) db_.fail(rc, "bind");
  return *this;
}

bool SqliteStatement::step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  db_.fail(rc, sqlite3_sql(stmt_));
}

std::int64_t SqliteStatement::column_int64(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

std::string SqliteStatement::column_blob(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || size <= 0) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db) {
  db_.exec("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
  // Undo whatever a failed write has done; nothing more can be reported here.
  if (open_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::commit() {
  db_.exec("COMMIT");
  open_ = false;
}

}  // namespace modRegistry
