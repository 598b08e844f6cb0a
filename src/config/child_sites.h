#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/message_box.h"

// The parent's choices that keep a child on its sites: the StayOnSites
// setting, each site's AlsoAllow hosts and each child's ApprovedHosts.
//   <Settings><StayOnSites>Yes</StayOnSites></Settings>
//   <WebSite>...<AlsoAllow><Host>videos.example</Host></AlsoAllow></WebSite>
//   <User>...<ApprovedHosts><Host>museum.example</Host></ApprovedHosts></User>
namespace KBConfigIO {

// What one child may open, as written in the file.
struct ChildSites {
  std::vector<std::string> site_targets;    // addresses of the sites offered to the child
  std::vector<std::string> also_allow;      // the extra hosts of those sites
  std::vector<std::string> approved_hosts;  // hosts approved for this child for good
};

// Whether children stay on their sites: the setting reads exactly "Yes".
// Throws kb::Error when the file cannot be read as a configuration.
bool stay_on_sites(const std::filesystem::path& config);

// The sites offered to the child of this name or to AllUsers, with their
// extra hosts, and the child's approved hosts; empty lists for an unknown
// name. Throws kb::Error when the file cannot be read as a configuration.
ChildSites child_sites(const std::filesystem::path& config, const std::string& child_name);

// Stores the setting ("0" no, any other number yes). A failure is shown in
// `box`, nothing saved.
void updatestayonsites(const std::filesystem::path& config, const std::string& flag,
                       kb::MessageBox& box);

// Replaces the extra hosts of the site with this ID; no hosts removes the
// list. Throws kb::Error when there is no such site or a host cannot be
// stored; nothing is saved then.
void set_also_allow(const std::filesystem::path& config, const std::string& site_id,
                    const std::vector<std::string>& hosts);

// Adds a host to the approved hosts of the user with this ID, or of this
// name; a host already listed is not added twice. Throws kb::Error when
// there is no such user; nothing is saved then.
void approve_host_for_user_id(const std::filesystem::path& config, const std::string& user_id,
                              const std::string& host);
void approve_host_for_user_name(const std::filesystem::path& config, const std::string& name,
                                const std::string& host);

// Takes a host off the approved hosts of the user with this ID; an empty
// list goes with it. Throws kb::Error when there is no such user.
void withdraw_host_for_user_id(const std::filesystem::path& config, const std::string& user_id,
                               const std::string& host);

}  // namespace KBConfigIO
