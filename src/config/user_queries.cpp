#include <exception>
#include <string>

#include "config/config_document.h"
#include "config/kb_config_io.h"
#include "config/xml_text.h"

namespace KBConfigIO {

bool users_defined(const std::filesystem::path& config) {
  const ConfigDocument doc(config);
  return !doc.find_all("/KBConfig/Users/User[./Name!='AllUsers']").empty();
}

bool user_exists(const std::filesystem::path& config, const std::string& current_user) {
  // No user has been chosen yet: the empty name stands for nobody, even when
  // a user with an empty name exists.
  if (current_user.empty()) return false;
  try {
    const ConfigDocument doc(config);
    const std::string query =
        "/KBConfig/Users/User[./Name=" + xpath_string_literal(current_user) + "]";
    return static_cast<bool>(doc.find(query.c_str()));
  } catch (const std::exception&) {
    return false;  // the question is asked quietly: an unreadable file answers no
  }
}

}  // namespace KBConfigIO
