#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace KBConfigIO {

// What an entry on the password page amounts to against the stored Pwd.
enum class PasswordCheck {
  Wrong,
  Correct,
  // Correct against a password still stored as plain text, which the caller
  // should now store as a hash.
  CorrectPlainText,
};

// The form a password is stored in: a salted, slow libsodium hash
// (crypto_pwhash_str, Argon2id), never the text. An empty password is stored
// as the empty text: no password.
std::string make_password_hash(std::string_view password);

// Checks an entry against the stored Pwd: a hash, a plain text left by an
// older version (compared exactly), or empty (only the empty entry matches).
PasswordCheck check_password(std::string_view stored, std::string_view entry);

// The Pwd the configuration file holds now (empty when there is none);
// throws when the file cannot be read.
std::string stored_password(const std::filesystem::path& config);

// The configuration as the host's pages may read it: the whole file, with
// Pwd emptied and marked set="Yes" or set="No", so the pages learn whether a
// password is set but never the password or its hash. Throws when the file
// cannot be read.
std::string config_for_pages(const std::filesystem::path& config);

}  // namespace KBConfigIO
