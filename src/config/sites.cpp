#include <cctype>
#include <string>

#include "common/text_case.h"
#include "config/config_document.h"
#include "config/config_ids.h"
#include "config/kb_config_io.h"
#include "config/new_element.h"

namespace KBConfigIO {
namespace {

// Addresses are stored without a leading "http://" (or "http:\\", as typed on
// Windows), in any letter case; the pages add the scheme back.
std::string without_http_prefix(const std::string& address) {
  if (address.size() < 7) return address;
  const std::string prefix = kb::upper_case(std::string_view(address).substr(0, 7));
  if (prefix == "HTTP://" || prefix == "HTTP:\\\\") return address.substr(7);
  return address;
}

}  // namespace

void updatesite(const std::filesystem::path& config, const EditGlobals& edit,
                const std::string& label, const std::string& image, const std::string& address) {
  const std::string target = without_http_prefix(address);
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.require_root();  // a file that cannot be read fails here, before any change
  pugi::xml_node edited;
  if (edit.edit_site_id != 0)
    edited = doc.find("/KBConfig/WebSites/WebSite[./ID=$id]", edit.edit_site_id);
  const std::int16_t largest_plus_one = next_id(doc.find_all("/KBConfig/WebSites/WebSite/ID"));

  NewElement site("WebSite");
  if (edited) {
    // A rebuilt site keeps its ID, its permissions, its extra hosts and, when
    // the page sends none, its picture.
    const std::string picture = image.empty() ? node_text(edited.child("Image")) : image;
    const pugi::xml_node allowed = edited.child("AllowedUsers");
    site.add_text("Label", label).add_text("Image", picture).add_text("Target", target);
    site.add_text("ID", std::to_string(edit.edit_site_id)).add_copy(allowed);
    // Its extra hosts are changed by their own command.
    if (const pugi::xml_node also_allow = edited.child("AlsoAllow")) site.add_copy(also_allow);
    site.replace(edited);
  } else {
    site.add_text("Label", label).add_text("Image", image).add_text("Target", target);
    site.add_text("ID", std::to_string(largest_plus_one));
    site.add_text("AllowedUsers", "");
    site.append_to(doc.container_for_new_entry("WebSites"));
  }
  doc.save();
}

void removesite(const std::filesystem::path& config, const std::string& site_id) {
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.require_root();
  if (const std::optional<double> number = lookup_id(site_id)) {
    const pugi::xml_node site = doc.find("/KBConfig/WebSites/WebSite[./ID=$id]", *number);
    if (site) site.parent().remove_child(site);
  }
  // Saved also when no site was found; the file is then unchanged.
  doc.save();
}

}  // namespace KBConfigIO

namespace KBConfigIO {

std::vector<StoredSite> stored_sites(const std::filesystem::path& config) {
  const ConfigDocument doc(config);
  std::vector<StoredSite> sites;
  for (const pugi::xpath_node& site : doc.find_all("/KBConfig/WebSites/WebSite")) {
    const auto text = [&](const char* query) -> std::optional<std::string> {
      const pugi::xml_node node = site.node().select_node(query).node();
      if (!node) return std::nullopt;
      return node_text(node);
    };
    sites.push_back({text("./Label"), text("./Image"), text("./Target"), text("./ID")});
  }
  return sites;
}

}  // namespace KBConfigIO
