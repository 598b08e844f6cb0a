#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace modRegistry {

// Registry value types as they are stored.
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

// A value as the store keeps it: its registry type and its raw bytes.
struct StoredValue {
  std::uint32_t type = REG_SZ;
  std::string data;
  bool operator==(const StoredValue&) const = default;
};

// Who may write a hive's database that this program creates: only the account
// running it, or every account on the machine (the machine-wide hives).
enum class HiveSharing { PerAccount, Shared };

// What a hive operation came to: its status, the description of a failure,
// and the name a damaged database file was kept under when one was set aside.
struct HiveOutcome {
  std::int32_t status = 0;
  std::string description;
  std::filesystem::path set_aside;
};

class HiveTransaction;

// The keys and values of one hive in one SQLite database file. Key paths are
// backslash-separated; key paths and value names compare without regard to
// ASCII letter case, and a key exists once created, with or without values.
// Each call opens the database and closes it before it returns.
class HiveStore {
 public:
  HiveStore(std::filesystem::path file, HiveSharing sharing);

  // Looks a value up. Answers 0 when the key exists, `value` then holding the
  // value or nothing when the key has no value of that name; answers 2 when the
  // key does not exist, or another status when the database cannot be read.
  // Never creates the database file.
  std::int32_t query(const std::string& key_path, const std::string& value_name,
                     std::optional<StoredValue>& value) const;

  // Creates the key and any missing keys above it, then stores the value when
  // one is given, all in one transaction. Answers 0 or the failure's status.
  std::int32_t write(const std::string& key_path, const std::string& value_name,
                     const std::optional<StoredValue>& value) const;

  // Runs `body` inside one write transaction, so that what it reads cannot
  // change before what it writes is stored, whatever other processes do. The
  // transaction commits when `body` returns and is rolled back when it
  // throws: a StoreError becomes the outcome's status, any other exception
  // passes on. A database found damaged is renamed aside with the date and
  // time, and the next use starts a new one; the outcome then names it.
  HiveOutcome transact(const std::function<void(HiveTransaction&)>& body) const;

 private:
  std::filesystem::path file_;
  HiveSharing sharing_;
};

// The reads and writes of one open transaction. Both throw StoreError.
class HiveTransaction {
 public:
  virtual ~HiveTransaction() = default;
  // The value, or nothing when the key or the value does not exist.
  virtual std::optional<StoredValue> query(const std::string& key_path,
                                           const std::string& value_name) = 0;
  // Creates the key and the keys above it, then stores the value when one is given.
  virtual void write(const std::string& key_path, const std::string& value_name,
                     const std::optional<StoredValue>& value) = 0;
};

}  // namespace modRegistry
