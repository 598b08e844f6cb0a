#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/kb_error.h"

namespace modRegistry {

// A failure of the hive store, carrying the status code that the registry
// operations answer for it.
class StoreError : public kb::Error {
 public:
  StoreError(std::int32_t status, std::string description);
  std::int32_t status() const { return status_; }

 private:
  std::int32_t status_;
};

// The status code for an SQLite result code: an unwritable database or folder
// is access denied, a damaged file a bad database, and so on.
std::int32_t status_for_sqlite(int result_code);

// One open database connection, closed when it goes out of scope.
class SqliteDb {
 public:
  // `flags` are those of sqlite3_open_v2. Throws StoreError.
  SqliteDb(const std::filesystem::path& file, int flags);
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  sqlite3* get() const { return db_; }
  // Runs statements that return no rows. Throws StoreError.
  void exec(const char* sql);
  // Throws StoreError built from the connection's last error.
  [[noreturn]] void fail(int result_code, std::string_view what) const;

 private:
  sqlite3* db_ = nullptr;
};

// One prepared statement, finalized when it goes out of scope. Parameters
// are numbered from 1, columns from 0.
class SqliteStatement {
 public:
  SqliteStatement(SqliteDb& db, const char* sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  SqliteStatement& bind_text(int index, std::string_view text);
  SqliteStatement& bind_int64(int index, std::int64_t value);
  SqliteStatement& bind_blob(int index, std::string_view bytes);
  // Advances to the next row: true when there is one, false when done.
  bool step();
  std::int64_t column_int64(int column) const;
  std::string column_blob(int column) const;

 private:
  SqliteDb& db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// An immediate transaction that is rolled back unless committed, so that a
// failure part way leaves the database as it was.
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteDb& db);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;

  void commit();

 private:
  SqliteDb& db_;
  bool open_ = true;
};

}  // namespace modRegistry
