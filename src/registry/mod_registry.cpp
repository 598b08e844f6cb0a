#include "registry/mod_registry.h"

#include <array>
#include <cstring>
#include <optional>
#include <system_error>
#include <utility>

#include "registry/hive_store.h"
#include "registry/ini_file.h"
#include "registry/reg_value_convert.h"
#include "registry/registry_status.h"
#include "registry/sqlite_db.h"

namespace modRegistry {
namespace {

namespace fs = std::filesystem;

struct HiveName {
  const char* name;
  std::int32_t root;
};

// In the order in which the names are tried.
constexpr std::array<HiveName, 6> kHives{{{"HKCU", HKEY_CURRENT_USER},
                                          {"HKLM", HKEY_LOCAL_MACHINE},
                                          {"HKU", HKEY_USERS},
                                          {"HKDD", HKEY_DYN_DATA},
                                          {"HKCC", HKEY_CURRENT_CONFIG},
                                          {"HKCR", HKEY_CLASSES_ROOT}}};

enum class TypeCode { Text, Boolean, Dword, Other };

std::string ascii_upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

TypeCode type_code_of(const std::string& code) {
  const std::string upper = ascii_upper(code);
  if (upper == "S") return TypeCode::Text;
  if (upper == "B") return TypeCode::Boolean;
  if (upper == "D") return TypeCode::Dword;
  return TypeCode::Other;
}

// An existing ordinary file that is not hidden (its name does not start with
// a dot). Any error in the look-up counts as no match.
bool is_visible_ordinary_file(const std::string& location) {
  if (location.empty()) return false;
  const fs::path path(location);
  const std::string name = path.filename().string();
  if (name.empty() || name.front() == '.') return false;
  std::error_code ec;
  return fs::is_regular_file(path, ec) && !ec;
}

HiveStore store_for(const HiveFiles& files, std::int32_t root) {
  switch (root) {
    case HKEY_CURRENT_USER:
      return HiveStore(files.hkcu, HiveSharing::PerAccount);
    case HKEY_LOCAL_MACHINE:
      return HiveStore(files.hklm, HiveSharing::Shared);
    case HKEY_USERS:
      return HiveStore(files.hku, HiveSharing::Shared);
    case HKEY_DYN_DATA:
      return HiveStore(files.hkdd, HiveSharing::Shared);
    case HKEY_CURRENT_CONFIG:
      return HiveStore(files.hkcc, HiveSharing::Shared);
    default:
      return HiveStore(files.hkcr, HiveSharing::Shared);
  }
}

// The bytes stored for a value of the given type code, or nothing for a code
// that stores no value. Throws when the value cannot be converted.
std::optional<StoredValue> encode(TypeCode type, const RegValue& value) {
  switch (type) {
    case TypeCode::Text: {
      std::string data = text_of(value);
      data.push_back('\0');
      return StoredValue{REG_SZ, std::move(data)};
    }
    case TypeCode::Boolean: {
      const char byte = boolean_of(value) ? '\xFF' : '\0';
      return StoredValue{REG_BINARY, std::string(2, byte)};
    }
    case TypeCode::Dword: {
      // Sign-extended to 32 bits, little-endian as the registry stores it.
      const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(int16_of(value)));
      std::string data(4, '\0');
      for (int i = 0; i < 4; ++i) data[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
      return StoredValue{REG_DWORD, std::move(data)};
    }
    case TypeCode::Other:
      break;
  }
  return std::nullopt;
}

// Copies the stored bytes into a zeroed buffer of `size` bytes, as a query
// with a buffer of that size does; false when they do not fit.
template <std::size_t N>
bool copy_into(const StoredValue& stored, std::array<unsigned char, N>& buffer) {
  if (stored.data.size() > N) return false;
  buffer.fill(0);
  std::memcpy(buffer.data(), stored.data.data(), stored.data.size());
  return true;
}

// Reads the stored value as the type code asks, whatever type it was stored with.
std::int32_t decode(TypeCode type, const std::optional<StoredValue>& stored, RegValue& out) {
  if (type == TypeCode::Other) return ERROR_SUCCESS;  // nothing is queried
  if (!stored) return ERROR_FILE_NOT_FOUND;
  switch (type) {
    case TypeCode::Text: {
      // A value without data leaves the default in place.
      if (stored->data.empty()) return ERROR_SUCCESS;
      const std::size_t nul = stored->data.find('\0');
      out = stored->data.substr(0, nul);
      return ERROR_SUCCESS;
    }
    case TypeCode::Boolean: {
      std::array<unsigned char, 2> buffer{};
      if (!copy_into(*stored, buffer)) return ERROR_MORE_DATA;
      out = (buffer[0] | buffer[1]) != 0;
      return ERROR_SUCCESS;
    }
    case TypeCode::Dword: {
      std::array<unsigned char, 4> buffer{};
      if (!copy_into(*stored, buffer)) return ERROR_MORE_DATA;
      std::uint32_t bits = 0;
      for (int i = 3; i >= 0; --i) bits = (bits << 8) | buffer[i];
      out = static_cast<std::int32_t>(bits);
      return ERROR_SUCCESS;
    }
    case TypeCode::Other:
      break;
  }
  return ERROR_SUCCESS;
}

}  // namespace

Registry::Registry(HiveFiles files) : files_(std::move(files)) {}

std::int32_t Registry::get_root_key(const std::string& location) const {
  const std::string upper = ascii_upper(location);
  for (const HiveName& hive : kHives)
    if (upper == hive.name) return hive.root;
  return is_visible_ordinary_file(location) ? INI_FILE_ROOT : NO_ROOT_KEY;
}

std::int32_t Registry::get_reg_value(const std::string& location, const std::string& key_path,
                                     const std::string& value_name, const std::string& type_code,
                                     const RegValue& default_value, RegValue& out) const {
  std::int32_t status = NO_ROOT;
  out = default_value;
  // An unexpected failure answers the status held at that moment; the output
  // keeps what it held.
  try {
    const std::int32_t root = get_root_key(location);
    if (root == NO_ROOT_KEY) return status;
    const TypeCode type = type_code_of(type_code);
    if (root == INI_FILE_ROOT) {
      if (type == TypeCode::Text)
        out = get_private_profile_string(location, key_path, value_name, text_of(default_value));
      else
        out = get_private_profile_int(location, key_path, value_name, 0);
      return ERROR_SUCCESS;
    }
    std::optional<StoredValue> stored;
    status = store_for(files_, root).query(key_path, value_name, stored);
    if (status != ERROR_SUCCESS) return status;
    RegValue result = out;
    status = decode(type, stored, result);
    out = std::move(result);
    return status;
  } catch (const std::exception&) {
    return status;
  }
}

std::int32_t Registry::set_reg_value(const std::string& location, const std::string& key_path,
                                     const std::string& value_name, const std::string& type_code,
                                     const RegValue& value) const {
  std::int32_t status = NO_ROOT;
  // An unexpected failure answers the status held at that moment.
  try {
    const std::int32_t root = get_root_key(location);
    if (root == NO_ROOT_KEY) return status;
    const TypeCode type = type_code_of(type_code);
    if (root == INI_FILE_ROOT) {
      if (type != TypeCode::Text) return status;
      return write_private_profile_string(location, key_path, value_name, text_of(value));
    }
    // Converted before anything is stored, so that a value that does not fit
    // answers 99 and leaves neither a key nor a value behind.
    const std::optional<StoredValue> data = encode(type, value);
    status = store_for(files_, root).write(key_path, value_name, data);
    return status;
  } catch (const std::exception&) {
    return status;
  }
}

HiveOutcome Registry::update_values(const std::string& location,
                                    const std::function<void(RegValues&)>& body) const {
  const std::int32_t root = get_root_key(location);
  if (root == NO_ROOT_KEY || root == INI_FILE_ROOT)
    return HiveOutcome{NO_ROOT, "No hive is named " + location, {}};
  return store_for(files_, root).transact([&](HiveTransaction& transaction) {
    RegValues values(transaction);
    body(values);
  });
}

std::int32_t RegValues::get(const std::string& key_path, const std::string& value_name,
                            const std::string& type_code, const RegValue& default_value,
                            RegValue& out) const {
  out = default_value;
  const TypeCode type = type_code_of(type_code);
  if (type == TypeCode::Other) return ERROR_SUCCESS;
  return decode(type, transaction_.query(key_path, value_name), out);
}

std::int32_t RegValues::set(const std::string& key_path, const std::string& value_name,
                            const std::string& type_code, const RegValue& value) const {
  std::optional<StoredValue> data;
  try {
    data = encode(type_code_of(type_code), value);
  } catch (const StoreError&) {
    throw;
  } catch (const std::exception&) {
    return NO_ROOT;  // a value that does not fit the type stores nothing
  }
  transaction_.write(key_path, value_name, data);
  return ERROR_SUCCESS;
}

}  // namespace modRegistry
