#include "config/child_sites.h"

#include <optional>

#include "common/kb_error.h"
#include "common/vb_number.h"
#include "config/config_document.h"
#include "config/config_guard.h"
#include "config/config_ids.h"
#include "config/new_element.h"
#include "config/xml_text.h"

namespace KBConfigIO {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

void append_hosts(pugi::xml_node list, std::vector<std::string>& out) {
  for (const pugi::xml_node host : list.children("Host")) {
    std::string text = trimmed(host.text().get());
    if (!text.empty()) out.push_back(std::move(text));
  }
}

std::optional<double> id_of(pugi::xml_node entry) {
  if (!entry) return std::nullopt;
  return lookup_id(trimmed(entry.child("ID").text().get()));
}

bool offered_to(pugi::xml_node site, const std::optional<double>& child,
                const std::optional<double>& all_users) {
  for (const pugi::xml_node user : site.child("AllowedUsers").children("User")) {
    const std::optional<double> id = id_of(user);
    if (id && ((child && *id == *child) || (all_users && *id == *all_users))) return true;
  }
  return false;
}

pugi::xml_node user_by_id(const ConfigDocument& doc, const std::string& user_id) {
  const std::optional<double> number = lookup_id(user_id);
  const pugi::xml_node user =
      number ? doc.find("/KBConfig/Users/User[./ID=$id]", *number) : pugi::xml_node();
  if (!user) throw kb::invalid_call("There is no child with the ID " + user_id, "KBConfigIO");
  return user;
}

pugi::xml_node user_by_name(const ConfigDocument& doc, const std::string& name) {
  const std::string query = "/KBConfig/Users/User[./Name=" + xpath_string_literal(name) + "]";
  const pugi::xml_node user = doc.find(query.c_str());
  if (!user) throw kb::invalid_call("There is no child called " + name, "KBConfigIO");
  return user;
}

// Adds the host to the user's ApprovedHosts, creating the list at the end of
// the user's entry when there is none; saves only on a change.
void approve_host(const ConfigDocument& doc, pugi::xml_node user, const std::string& host) {
  if (!is_xml_text(host) || trimmed(host).empty())
    throw kb::invalid_call("A host name cannot be stored as it is", "KBConfigIO");
  pugi::xml_node list = user.child("ApprovedHosts");
  for (const pugi::xml_node entry : list.children("Host"))
    if (trimmed(entry.text().get()) == host) return;
  if (!list) {
    NewElement fresh("ApprovedHosts");
    list = fresh.append_to(user);
  }
  NewElement entry("Host");
  entry.set_text(host);
  entry.append_to(list);
  doc.save();
}

}  // namespace

bool stay_on_sites(const std::filesystem::path& config) {
  const ConfigDocument doc(config);
  doc.root();
  const pugi::xml_node setting = doc.find("/KBConfig/Settings/StayOnSites");
  return setting && trimmed(node_text(setting)) == "Yes";
}

ChildSites child_sites(const std::filesystem::path& config, const std::string& child_name) {
  const ConfigDocument doc(config);
  doc.root();
  ChildSites result;
  const std::string query = "/KBConfig/Users/User[./Name=" + xpath_string_literal(child_name) + "]";
  const pugi::xml_node child = doc.find(query.c_str());
  if (!child) return result;
  const std::optional<double> child_id = id_of(child);
  const std::optional<double> all_users_id =
      id_of(doc.find("/KBConfig/Users/User[./Name='AllUsers']"));
  for (const pugi::xpath_node& found : doc.find_all("/KBConfig/WebSites/WebSite")) {
    const pugi::xml_node site = found.node();
    if (!offered_to(site, child_id, all_users_id)) continue;
    result.site_targets.push_back(trimmed(site.child("Target").text().get()));
    append_hosts(site.child("AlsoAllow"), result.also_allow);
  }
  append_hosts(child.child("ApprovedHosts"), result.approved_hosts);
  return result;
}

void updatestayonsites(const std::filesystem::path& config, const std::string& flag,
                       kb::MessageBox& box) {
  run_with_message_guard(box, error_number_source_text, [&] {
    const ConfigDocument doc(config, ConfigDocument::Access::Change);
    doc.root();
    const std::optional<double> value = kb::whole_number(flag);
    if (!value) throw kb::type_mismatch();
    NewElement setting("StayOnSites");
    setting.set_text(*value != 0 ? "Yes" : "No");
    if (const pugi::xml_node old = doc.find("/KBConfig/Settings/StayOnSites"))
      setting.replace(old);
    else
      setting.append_to(doc.container_for_new_entry("Settings"));
    doc.save();
  });
}

void set_also_allow(const std::filesystem::path& config, const std::string& site_id,
                    const std::vector<std::string>& hosts) {
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.root();
  const std::optional<double> number = lookup_id(site_id);
  pugi::xml_node site =
      number ? doc.find("/KBConfig/WebSites/WebSite[./ID=$id]", *number) : pugi::xml_node();
  if (!site) throw kb::invalid_call("There is no site with the ID " + site_id, "KBConfigIO");
  NewElement list("AlsoAllow");
  for (const std::string& host : hosts) list.add_text("Host", host);
  if (const pugi::xml_node old = site.child("AlsoAllow")) {
    if (hosts.empty())
      site.remove_child(old);
    else
      list.replace(old);
  } else if (!hosts.empty()) {
    list.append_to(site);
  }
  doc.save();
}

void approve_host_for_user_id(const std::filesystem::path& config, const std::string& user_id,
                              const std::string& host) {
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.root();
  approve_host(doc, user_by_id(doc, user_id), host);
}

void approve_host_for_user_name(const std::filesystem::path& config, const std::string& name,
                                const std::string& host) {
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.root();
  approve_host(doc, user_by_name(doc, name), host);
}

void withdraw_host_for_user_id(const std::filesystem::path& config, const std::string& user_id,
                               const std::string& host) {
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.root();
  pugi::xml_node user = user_by_id(doc, user_id);
  pugi::xml_node list = user.child("ApprovedHosts");
  bool changed = false;
  for (pugi::xml_node entry = list.child("Host"); entry;) {
    const pugi::xml_node next = entry.next_sibling("Host");
    if (trimmed(entry.text().get()) == host) {
      list.remove_child(entry);
      changed = true;
    }
    entry = next;
  }
  if (list && !list.child("Host")) {
    user.remove_child(list);
    changed = true;
  }
  if (changed) doc.save();
}

}  // namespace KBConfigIO
