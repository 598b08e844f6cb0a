#include <string>

#include "common/kb_error.h"
#include "config/config_document.h"
#include "config/config_ids.h"
#include "config/kb_config_io.h"
#include "config/new_element.h"

namespace KBConfigIO {
namespace {

// The entry for a user in a site's AllowedUsers; null when the ID text names
// no user.
pugi::xml_node find_listed_user(pugi::xml_node allowed, const std::string& user_id) {
  if (!allowed) throw kb::object_not_set();
  const std::optional<double> number = lookup_id(user_id);
  if (!number) return {};
  pugi::xpath_variable_set variables;
  variables.set("id", *number);
  const pugi::xpath_query query("./User[./ID=$id]", &variables);
  return allowed.select_node(query).node();
}

std::string all_users_advice(const std::string& label) {
  return "The web-site " + label + " is configured for All Users.It must be removed" +
         "from the AllUsers user configuration to hide it from the current user." +
         "If only Selected Users should be allowed to view a site, then it should be" +
         "hidden for the AllUsers user and allowed for the selected users that are" +
         "permitted to view the site.  Please refer to the Help Section on Web-Site Permissions.";
}

// The ID text as stored in the file, without the blanks a hand edit may leave
// around it.
std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

void assignsitetouser(const std::filesystem::path& config, const std::string& user_id,
                      const std::string& site_id) {
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.require_root();
  pugi::xml_node allowed;
  if (const std::optional<double> site = lookup_id(site_id))
    allowed = doc.find("/KBConfig/WebSites/WebSite[./ID=$id]/AllowedUsers", *site);
  if (find_listed_user(allowed, user_id)) return;  // already offered: nothing to save
  // Only a number is ever listed, so that a list holds nothing a lookup
  // would misread.
  if (!lookup_id(user_id)) throw kb::type_mismatch();
  NewElement entry("User");
  entry.add_text("ID", user_id);
  entry.append_to(allowed);
  doc.save();
}

void removeuserfromsite(const std::filesystem::path& config, const std::string& user_id,
                        const std::string& site_id, kb::MessageBox& box) {
  std::string advice;
  {
    const ConfigDocument doc(config, ConfigDocument::Access::Change);
    doc.require_root();
    const std::optional<double> site_number = lookup_id(site_id);
    if (!site_number) return;
    const pugi::xml_node site = doc.find("/KBConfig/WebSites/WebSite[./ID=$id]", *site_number);
    if (!site) return;
    const std::string label = node_text(site.select_node("./Label").node());
    pugi::xml_node allowed = site.select_node("./AllowedUsers").node();

    if (const pugi::xml_node entry = find_listed_user(allowed, user_id)) {
      allowed.remove_child(entry);
      doc.save();
    }

    // The withdrawn user still sees a site offered to everybody; tell the
    // parent how to hide it.
    const std::string all_users_id =
        trimmed(node_text(doc.find("/KBConfig/Users/User[./Name=\"AllUsers\"]/ID")));
    if (find_listed_user(allowed, all_users_id)) advice = all_users_advice(label);
  }
  // Shown once the file is unlocked: the box waits for the parent, and other
  // sessions must not wait with it.
  if (!advice.empty()) box.show(advice);
}

}  // namespace KBConfigIO
