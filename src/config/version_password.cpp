#include "config/version_password.h"

#include "config/password_hash.h"

namespace KBConfigIO {

bool entry_opens_version(const std::string& stored_pwd, const std::string& entry) {
  // A version keeps the password as it was stored then: a hash, or the plain
  // text of a file from before passwords were hashed.
  return check_password(stored_pwd, entry) != PasswordCheck::Wrong;
}

}  // namespace KBConfigIO
