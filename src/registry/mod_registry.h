#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <variant>

#include "registry/hive_store.h"

namespace modRegistry {

// A value handed to or from the registry operations: text, boolean or 32-bit integer.
using RegValue = std::variant<std::string, bool, std::int32_t>;

// Root handles answered by get_root_key.
inline constexpr std::int32_t HKEY_CLASSES_ROOT = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t HKEY_CURRENT_USER = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::int32_t HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002u);
inline constexpr std::int32_t HKEY_USERS = static_cast<std::int32_t>(0x80000003u);
inline constexpr std::int32_t HKEY_CURRENT_CONFIG = static_cast<std::int32_t>(0x80000005u);
inline constexpr std::int32_t HKEY_DYN_DATA = static_cast<std::int32_t>(0x80000006u);
inline constexpr std::int32_t INI_FILE_ROOT = 1;
inline constexpr std::int32_t NO_ROOT_KEY = 0;

// The database file of each hive. The machine-wide hives (HKLM, HKU, HKDD,
// HKCC, HKCR) live with the installation, in the Registry folder beside the
// program folder's Data folder, so every account running this installation
// shares them. HKCU lives in the account's XDG config folder.
struct HiveFiles {
  std::filesystem::path hkcu, hklm, hku, hkdd, hkcc, hkcr;
};

// The hive files of the installation in `program_folder` for the account
// running the program. Throws kb::Error when the account has no home folder.
HiveFiles default_hive_files(const std::filesystem::path& program_folder);

// The hive files with the machine-wide hives in `machine_folder` and the
// account's own hive at `user_hive`.
HiveFiles hive_files(const std::filesystem::path& machine_folder,
                     const std::filesystem::path& user_hive);

// Small values kept in registry hives or INI files. A location is a hive
// abbreviation ("HKLM", any letter case) or the path of an existing INI file;
// type codes are "S" (text), "B" (2-byte boolean) and "D" (32-bit integer).
// The value operations answer a status: 0 success, 99 no such location (or a
// type an INI file cannot take), 2 missing key or value, 5 access denied, 234
// a value larger than the type allows, other system error numbers otherwise.
class RegValues;

class Registry {
 public:
  explicit Registry(HiveFiles files);
  const HiveFiles& files() const { return files_; }

  // The root handle of a location: one of the HKEY_ constants, INI_FILE_ROOT
  // for an existing ordinary, not hidden, file, or NO_ROOT_KEY.
  std::int32_t get_root_key(const std::string& location) const;

  // Reads a value into `out`, which keeps `default_value` unless the read
  // finds one. An empty value name addresses the key's default value.
  std::int32_t get_reg_value(const std::string& location, const std::string& key_path,
                             const std::string& value_name, const std::string& type_code,
                             const RegValue& default_value, RegValue& out) const;

  // Writes a value, creating the key and the keys above it as needed; the key
  // and the value are stored together or not at all. A value that cannot be
  // converted as the type code asks answers 99 and stores nothing.
  std::int32_t set_reg_value(const std::string& location, const std::string& key_path,
                             const std::string& value_name, const std::string& type_code,
                             const RegValue& value) const;

  // Runs `body` on the values of the hive `location` inside one write
  // transaction, so that a value read and then written cannot be changed by
  // another process in between. INI files and unknown locations answer 99.
  HiveOutcome update_values(const std::string& location,
                            const std::function<void(RegValues&)>& body) const;

 private:
  HiveFiles files_;
};

// The values of one hive inside an open transaction, read and written with the
// type codes and statuses of get_reg_value and set_reg_value. A failure of the
// store throws StoreError, which rolls the whole transaction back.
class RegValues {
 public:
  explicit RegValues(HiveTransaction& transaction) : transaction_(transaction) {}

  std::int32_t get(const std::string& key_path, const std::string& value_name,
                   const std::string& type_code, const RegValue& default_value,
                   RegValue& out) const;
  std::int32_t set(const std::string& key_path, const std::string& value_name,
                   const std::string& type_code, const RegValue& value) const;

 private:
  HiveTransaction& transaction_;
};

}  // namespace modRegistry
