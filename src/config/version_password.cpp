#include "config/version_password.h"

namespace KBConfigIO {

bool entry_opens_version(const std::string& stored_pwd, const std::string& entry) {
  // The store keeps the password as the parent typed it.
  return entry == stored_pwd;
}

}  // namespace KBConfigIO
