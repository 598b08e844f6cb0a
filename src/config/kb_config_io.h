#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/message_box.h"

// The parent's configuration file, Data/KBConfig.xml: users, web sites, the
// users each site is offered to, and the password, print and exit settings.
// Every operation loads the whole file, changes it and saves it whole, so no
// configuration is held between calls. A file that is missing or is not a
// well-formed configuration is never written over.
namespace KBConfigIO {

// <program folder>/Data/KBConfig.xml; an existing file whose name differs
// only in letter case is the same file.
std::filesystem::path config_path(const std::filesystem::path& program_folder);

// The user and the site the configuration pages are editing; 0 for none.
struct EditGlobals {
  std::int16_t edit_user_id = 0;
  std::int16_t edit_site_id = 0;
};

// Adds a user, or rebuilds the one named by edit_user_id in place; an empty
// image keeps that user's picture. A failure is shown in `box`, nothing saved.
void updateuser(const std::filesystem::path& config, const EditGlobals& edit,
                const std::string& name, const std::string& image, kb::MessageBox& box);

// Removes the user with this ID (its site permissions stay). A failure is
// shown in `box`, nothing saved.
void removeuser(const std::filesystem::path& config, const std::string& id, kb::MessageBox& box);

// Adds a site, or rebuilds the one named by edit_site_id in place with its
// permissions; a leading "http://" or "http:\\" is dropped from the address.
// Throws kb::Error on a failure; nothing is saved then.
void updatesite(const std::filesystem::path& config, const EditGlobals& edit,
                const std::string& label, const std::string& image, const std::string& address);

// Offers a site to a user; saves only when the user was not listed yet.
// Throws kb::Error on a failure (a site ID that names no site included).
void assignsitetouser(const std::filesystem::path& config, const std::string& user_id,
                      const std::string& site_id);

// Withdraws a site from a user, then advises in `box` when the site is still
// offered to AllUsers. Throws kb::Error on a failure.
void removeuserfromsite(const std::filesystem::path& config, const std::string& user_id,
                        const std::string& site_id, kb::MessageBox& box);

// Removes a site with its permissions. Throws kb::Error on a failure.
void removesite(const std::filesystem::path& config, const std::string& site_id);

// Sets the edited user or site from an ID text (its leading number, rounded
// halves to even). Throws the overflow error beyond 16 bits, keeping the old value.
void setuserglobals(EditGlobals& edit, const std::string& id);
void setsiteglobals(EditGlobals& edit, const std::string& id);
void clearuserglobals(EditGlobals& edit);
void clearsiteglobals(EditGlobals& edit);

// Stores the parent password as its hash (make_password_hash). A failure is
// shown in `box`, nothing saved.
void updatepwd(const std::filesystem::path& config, const std::string& pwd, kb::MessageBox& box);

// Stores the exit and print flags ("0" no, any other number yes) and, while
// printing is allowed, the pages per day (a whole number 0..32767). A failure
// is shown in `box` and none of the settings changes.
void updatesettings(const std::filesystem::path& config, const std::string& exit_flag,
                    const std::string& print_flag, const std::string& unused,
                    const std::string& pages_per_day, kb::MessageBox& box);

// Whether any user other than AllUsers exists. Throws kb::Error when the file
// cannot be read as a configuration.
bool users_defined(const std::filesystem::path& config);

// Whether a user of this name exists; any failure answers false.
bool user_exists(const std::filesystem::path& config, const std::string& current_user);

}  // namespace KBConfigIO
