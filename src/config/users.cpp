#include <string>

#include "config/config_document.h"
#include "config/config_guard.h"
#include "config/config_ids.h"
#include "config/kb_config_io.h"
#include "config/new_element.h"

namespace KBConfigIO {

void updateuser(const std::filesystem::path& config, const EditGlobals& edit,
                const std::string& name, const std::string& image, kb::MessageBox& box) {
  run_with_message_guard(box, error_number_source_text, [&] {
    const ConfigDocument doc(config, ConfigDocument::Access::Change);
    doc.require_root();  // a file that cannot be read fails here, before any change
    pugi::xml_node edited;
    if (edit.edit_user_id != 0)
      edited = doc.find("/KBConfig/Users/User[./ID=$id]", edit.edit_user_id);
    const std::int16_t largest_plus_one = next_id(doc.find_all("/KBConfig/Users/User/ID"));

    std::int16_t id = largest_plus_one;
    std::string picture = image;
    if (edited) {
      id = edit.edit_user_id;
      // The page sends no picture when it keeps the old one.
      if (picture.empty()) picture = node_text(edited.child("Image"));
    }

    NewElement user("User");
    user.add_text("Name", name).add_text("Image", picture).add_text("ID", std::to_string(id));
    // A rebuilt user keeps the hosts the parent approved for it.
    if (edited) {
      if (const pugi::xml_node approved = edited.child("ApprovedHosts")) user.add_copy(approved);
    }
    if (edited)
      user.replace(edited);
    else
      user.append_to(doc.container_for_new_entry("Users"));
    doc.save();
  });
}

void removeuser(const std::filesystem::path& config, const std::string& id, kb::MessageBox& box) {
  const auto description_only = [](const kb::Error& error) { return error.description(); };
  run_with_message_guard(box, description_only, [&] {
    const ConfigDocument doc(config, ConfigDocument::Access::Change);
    doc.require_root();
    const std::optional<double> number = lookup_id(id);
    if (number) {
      const pugi::xml_node user = doc.find("/KBConfig/Users/User[./ID=$id]", *number);
      if (user) user.parent().remove_child(user);
    }
    // Saved also when no user was found; the file is then unchanged.
    doc.save();
  });
}

}  // namespace KBConfigIO
