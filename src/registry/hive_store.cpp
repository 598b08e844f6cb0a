#include "registry/hive_store.h"

#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <system_error>
#include <utility>
#include <vector>

#include "common/file_lock.h"
#include "registry/local_date_time.h"
#include "registry/registry_status.h"
#include "registry/sqlite_db.h"

namespace modRegistry {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS reg_keys("
    "  id INTEGER PRIMARY KEY,"
    "  path TEXT NOT NULL UNIQUE COLLATE NOCASE);"
    "CREATE TABLE IF NOT EXISTS reg_values("
    "  key_id INTEGER NOT NULL REFERENCES reg_keys(id),"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key_id, name));";

// The path of every key from the top down to `key_path`, each spelt as
// written: "A\B\C" gives "A", "A\B", "A\B\C". Empty components are dropped,
// so a doubled or trailing separator names the same key.
std::vector<std::string> key_and_parents(const std::string& key_path) {
  std::vector<std::string> paths;
  std::string path;
  std::size_t start = 0;
  while (start <= key_path.size()) {
    std::size_t end = key_path.find('\\', start);
    if (end == std::string::npos) end = key_path.size();
    if (end > start) {
      if (!path.empty()) path += '\\';
      path.append(key_path, start, end - start);
      paths.push_back(path);
    }
    start = end + 1;
  }
  return paths;
}

std::string normalised_key_path(const std::string& key_path) {
  const std::vector<std::string> paths = key_and_parents(key_path);
  return paths.empty() ? std::string() : paths.back();
}

std::int32_t status_for_file_error(const std::error_code& ec) {
  if (ec == std::errc::no_space_on_device) return ERROR_DISK_FULL;
  if (ec == std::errc::not_enough_memory) return ERROR_NOT_ENOUGH_MEMORY;
  // A folder that cannot be created, whether for want of permission or
  // because a file stands where it should be, means the hive cannot be written.
  return ERROR_ACCESS_DENIED;
}

// Creates the hive's folder. A shared folder created here is opened to every
// account, so that all accounts running this installation can write the hive.
void create_folder(const fs::path& folder, HiveSharing sharing) {
  if (folder.empty()) return;
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  fs::create_directories(folder, ec);
  if (ec)
    throw StoreError(status_for_file_error(ec),
                     "Cannot create the folder " + folder.string() + ": " + ec.message());
  if (sharing == HiveSharing::Shared) ::chmod(folder.c_str(), 0777);
}

// Whether the key's database could hold the key: false when it has no tables yet.
bool has_schema(SqliteDb& db) {
  SqliteStatement find(db,
                       "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'reg_values'");
  return find.step();
}

std::optional<std::int64_t> find_key(SqliteDb& db, const std::string& path) {
  SqliteStatement find(db, "SELECT id FROM reg_keys WHERE path = ?1");
  find.bind_text(1, path);
  if (!find.step()) return std::nullopt;
  return find.column_int64(0);
}

std::int64_t create_key(SqliteDb& db, const std::string& key_path) {
  SqliteStatement insert(db, "INSERT OR IGNORE INTO reg_keys(path) VALUES (?1)");
  insert.bind_text(1, "").step();  // the hive's root key always exists
  for (const std::string& path : key_and_parents(key_path)) {
    SqliteStatement add(db, "INSERT OR IGNORE INTO reg_keys(path) VALUES (?1)");
    add.bind_text(1, path).step();
  }
  const std::optional<std::int64_t> id = find_key(db, normalised_key_path(key_path));
  if (!id) throw StoreError(ERROR_REGISTRY_IO_FAILED, "The key just created is missing");
  return *id;
}

std::optional<StoredValue> find_value(SqliteDb& db, const std::string& key_path,
                                      const std::string& value_name) {
  if (!has_schema(db)) return std::nullopt;
  const std::optional<std::int64_t> key = find_key(db, normalised_key_path(key_path));
  if (!key) return std::nullopt;
  SqliteStatement find(db, "SELECT type, data FROM reg_values WHERE key_id = ?1 AND name = ?2");
  find.bind_int64(1, *key).bind_text(2, value_name);
  if (!find.step()) return std::nullopt;
  return StoredValue{static_cast<std::uint32_t>(find.column_int64(0)), find.column_blob(1)};
}

void store_value(SqliteDb& db, const std::string& key_path, const std::string& value_name,
                 const std::optional<StoredValue>& value) {
  db.exec(kSchema);
  const std::int64_t key = create_key(db, key_path);
  if (!value) return;
  SqliteStatement put(db,
                      "INSERT INTO reg_values(key_id, name, type, data) VALUES (?1, ?2, ?3, ?4) "
                      "ON CONFLICT(key_id, name) DO UPDATE SET type = excluded.type, "
                      "data = excluded.data");
  put.bind_int64(1, key).bind_text(2, value_name).bind_int64(3, value->type);
  put.bind_blob(4, value->data).step();
}

class OpenTransaction : public HiveTransaction {
 public:
  explicit OpenTransaction(SqliteDb& db) : db_(db) {}
  std::optional<StoredValue> query(const std::string& key_path,
                                   const std::string& value_name) override {
    return find_value(db_, key_path, value_name);
  }
  void write(const std::string& key_path, const std::string& value_name,
             const std::optional<StoredValue>& value) override {
    store_value(db_, key_path, value_name, value);
  }

 private:
  SqliteDb& db_;
};

// Whether the database file is damaged, as SQLite's own check sees it.
bool is_damaged(const fs::path& file) {
  try {
    SqliteDb db(file, SQLITE_OPEN_READWRITE);
    SqliteStatement check(db, "PRAGMA quick_check");
    return !check.step() || check.column_blob(0) != "ok";
  } catch (const StoreError& e) {
    return e.status() == ERROR_BADDB;
  }
}

// Renames a damaged database, with its rollback journal, to a name holding
// the date and time, so that nothing of it is lost and the next use starts a
// new one. Processes that found the same damage take turns and look again
// before renaming, so that a new database another one has just started is
// never moved. Answers the new name, or nothing when the file was not moved.
fs::path set_aside_damaged(const fs::path& file) {
  const kb::FileLock lock(file.string() + ".lock", std::chrono::seconds(2));
  if (!is_damaged(file)) return {};
  const std::string stamp = modKitebrook::iso_local_date_time(std::time(nullptr));
  fs::path aside = file.string() + ".damaged-" + stamp;
  std::error_code ec;
  for (int n = 2; fs::exists(aside, ec); ++n)
    aside = file.string() + ".damaged-" + stamp + "-" + std::to_string(n);
  fs::rename(file, aside, ec);
  if (ec)
    throw StoreError(status_for_file_error(ec),
                     "Cannot set the damaged " + file.string() + " aside: " + ec.message());
  const fs::path journal = file.string() + "-journal";
  if (fs::exists(journal, ec)) fs::rename(journal, aside.string() + "-journal", ec);
  return aside;
}

// Runs `body` in one write transaction on the database, creating it (and its
// folder) when missing; a StoreError becomes the outcome.
HiveOutcome run(const fs::path& file, HiveSharing sharing,
                const std::function<void(HiveTransaction&)>& body) {
  HiveOutcome outcome;
  try {
    create_folder(file.parent_path(), sharing);
    std::error_code ec;
    const bool is_new = !fs::exists(file, ec);

    SqliteDb db(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (is_new && sharing == HiveSharing::Shared) ::chmod(file.c_str(), 0666);

    SqliteTransaction transaction(db);
    OpenTransaction access(db);
    body(access);
    transaction.commit();
  } catch (const StoreError& e) {
    outcome.status = e.status();
    outcome.description = e.description();
  }
  return outcome;
}

}  // namespace

HiveStore::HiveStore(fs::path file, HiveSharing sharing)
    : file_(std::move(file)), sharing_(sharing) {}

std::int32_t HiveStore::query(const std::string& key_path, const std::string& value_name,
                              std::optional<StoredValue>& value) const {
  value.reset();
  try {
    std::error_code ec;
    const fs::file_status status = fs::status(file_, ec);
    // A hive that was never written holds no keys.
    if (status.type() == fs::file_type::not_found) return ERROR_FILE_NOT_FOUND;
    if (ec) return status_for_file_error(ec);
    // Something other than a file where the database should be cannot be opened.
    if (status.type() != fs::file_type::regular) return ERROR_ACCESS_DENIED;

    // Opened for writing where the file allows it, so that SQLite can roll
    // back what a crashed writer left in its journal before anything is read.
    SqliteDb db(file_, SQLITE_OPEN_READWRITE);
    if (!has_schema(db)) return ERROR_FILE_NOT_FOUND;
    if (!find_key(db, normalised_key_path(key_path))) return ERROR_FILE_NOT_FOUND;
    value = find_value(db, key_path, value_name);
    return ERROR_SUCCESS;
  } catch (const StoreError& e) {
    value.reset();
    return e.status();
  }
}

std::int32_t HiveStore::write(const std::string& key_path, const std::string& value_name,
                              const std::optional<StoredValue>& value) const {
  return run(file_, sharing_, [&](HiveTransaction& t) { t.write(key_path, value_name, value); })
      .status;
}

HiveOutcome HiveStore::transact(const std::function<void(HiveTransaction&)>& body) const {
  HiveOutcome outcome = run(file_, sharing_, body);
  if (outcome.status == ERROR_BADDB) {
    try {
      outcome.set_aside = set_aside_damaged(file_);
    } catch (const kb::Error& e) {
      outcome.description += "; " + e.description();
    }
  }
  return outcome;
}

}  // namespace modRegistry
