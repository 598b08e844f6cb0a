#include "config/password_hash.h"

#include <sodium.h>

#include "common/kb_error.h"
#include "config/config_document.h"

namespace KBConfigIO {
namespace {

constexpr const char* kPwdQuery = "/KBConfig/Settings/Pwd";

void start_sodium() {
  if (sodium_init() < 0) throw kb::out_of_memory("The password library could not start");
}

bool is_hash(std::string_view stored) {
  return stored.rfind(crypto_pwhash_STRPREFIX, 0) == 0;
}

}  // namespace

std::string make_password_hash(std::string_view password) {
  if (password.empty()) return {};
  start_sodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw kb::out_of_memory("Out of memory while storing the password");
  return hash;
}

PasswordCheck check_password(std::string_view stored, std::string_view entry) {
  if (stored.empty()) return entry.empty() ? PasswordCheck::Correct : PasswordCheck::Wrong;
  if (is_hash(stored)) {
    start_sodium();
    const std::string terminated(stored);
    return crypto_pwhash_str_verify(terminated.c_str(), entry.data(), entry.size()) == 0
               ? PasswordCheck::Correct
               : PasswordCheck::Wrong;
  }
  // A plain text from an older version: compared in constant time.
  if (stored.size() != entry.size() ||
      sodium_memcmp(stored.data(), entry.data(), stored.size()) != 0)
    return PasswordCheck::Wrong;
  return PasswordCheck::CorrectPlainText;
}

std::string stored_password(const std::filesystem::path& config) {
  const ConfigDocument doc(config);
  const pugi::xml_node pwd = doc.find(kPwdQuery);
  return pwd ? node_text(pwd) : std::string();
}

std::string config_for_pages(const std::filesystem::path& config) {
  const ConfigDocument doc(config);
  if (pugi::xml_node pwd = doc.find(kPwdQuery)) {
    const bool set = !node_text(pwd).empty();
    while (pwd.first_child()) pwd.remove_child(pwd.first_child());
    pwd.append_attribute("set") = set ? "Yes" : "No";
  }
  return doc.serialize();
}

}  // namespace KBConfigIO
