#include <cmath>
#include <optional>
#include <string>

#include "common/kb_error.h"
#include "common/vb_number.h"
#include "config/config_document.h"
#include "config/config_guard.h"
#include "config/kb_config_io.h"
#include "config/new_element.h"
#include "config/password_hash.h"

namespace KBConfigIO {
namespace {

// A flag is a number: 0 means no, any other number yes.
bool flag_is_set(const std::string& flag) {
  const std::optional<double> value = kb::whole_number(flag);
  if (!value) throw kb::type_mismatch();
  return *value != 0;
}

// Start-up reads the limit as a 16-bit number; a text it cannot read that
// way is refused rather than stored.
void require_pages_per_day(const std::string& pages) {
  const std::optional<double> value = kb::whole_number(pages);
  if (!value || std::floor(*value) != *value) throw kb::type_mismatch();
  if (*value < 0 || *value > 32767) throw kb::overflow();
}

// Replaces the setting element by a new one holding `text`.
void replace_setting(const ConfigDocument& doc, const char* query, const char* name,
                     const std::string& text) {
  const pugi::xml_node old = doc.find_in_document(query);
  NewElement setting(name);
  setting.set_text(text);
  if (!old) throw kb::object_not_set();
  setting.replace(old);
}

}  // namespace

void updatepwd(const std::filesystem::path& config, const std::string& pwd, kb::MessageBox& box) {
  run_with_message_guard(box, error_number_source_text, [&] {
    const ConfigDocument doc(config, ConfigDocument::Access::Change);
    doc.require_root();  // a file that cannot be read fails here, before any change
    const pugi::xml_node old = doc.find("/KBConfig/Settings/Pwd");
    NewElement password("Pwd");
    password.set_text(make_password_hash(pwd));
    if (old)
      password.replace(old);
    else
      password.append_to(doc.container_for_new_entry("Settings"));
    doc.save();
  });
}

void updatesettings(const std::filesystem::path& config, const std::string& exit_flag,
                    const std::string& print_flag, const std::string& /*unused*/,
                    const std::string& pages_per_day, kb::MessageBox& box) {
  const auto message = [](const kb::Error& error) {
    return "error in updatesettings " + error.description() + ":" + std::to_string(error.number());
  };
  run_with_message_guard(box, message, [&] {
    const ConfigDocument doc(config, ConfigDocument::Access::Change);
    const bool printing = flag_is_set(print_flag);
    replace_setting(doc, "/KBConfig/Settings/PrintAllowed", "PrintAllowed",
                    printing ? "Yes" : "No");
    // While printing is off the stored limit stays, whatever the page sends.
    if (printing) {
      require_pages_per_day(pages_per_day);
      replace_setting(doc, "/KBConfig/Settings/PrintLimit", "PrintLimit", pages_per_day);
    }
    replace_setting(doc, "/KBConfig/Settings/PwdExit", "PwdExit",
                    flag_is_set(exit_flag) ? "Yes" : "No");
    doc.save();
  });
}

}  // namespace KBConfigIO
