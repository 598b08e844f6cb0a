#pragma once

#include <cstdint>
#include <string>

#include "bridge/command_dispatcher.h"

namespace KBVBHTMLInterfaces {

// Choosing a user and the commands of single pages.
void save_config_file(kb::Kitebrook& app, const Args& args);
// STARTFORUSER: a new main window showing the start page of the user named.
void start_for_user_in_new_window(kb::Kitebrook& app, const Args& args);
void exit_config(kb::Kitebrook& app, const Args& args);
void load_user_sites(kb::Kitebrook& app, const Args& args);
// Makes the user current and shows the user's start page.
void start_for_user(kb::Kitebrook& app, const std::string& name);

// The control bar and the password page.
void go_back(kb::Kitebrook& app, const Args& args);
void go_forward(kb::Kitebrook& app, const Args& args);
void go_home(kb::Kitebrook& app, const Args& args);
void go_print(kb::Kitebrook& app, const Args& args);
void go_exit(kb::Kitebrook& app, const Args& args);
void go_parent(kb::Kitebrook& app, const Args& args);
void process_pwd_entry(kb::Kitebrook& app, const Args& args);
void pwd_cancel(kb::Kitebrook& app, const Args& args);

// Keeping children on their sites: the friendly page for a refused address,
// the parent's decision about it, the setting, extra hosts, the visit log.
void loadrefusal(kb::Kitebrook& app, const Args& args);
void askgrownup(kb::Kitebrook& app, const Args& args);
// After the right password: the page where the parent decides about the address.
void show_approval_page(kb::Kitebrook& app);
void approverefused(kb::Kitebrook& app, const Args& args);
void updatestayonsites(kb::Kitebrook& app, const Args& args);
void setalsoallow(kb::Kitebrook& app, const Args& args);
void alwaysallow(kb::Kitebrook& app, const Args& args);
void withdrawhost(kb::Kitebrook& app, const Args& args);
void loadvisits(kb::Kitebrook& app, const Args& args);

// The parent's configuration pages.
void updateuser(kb::Kitebrook& app, const Args& args);
void updatesite(kb::Kitebrook& app, const Args& args);
void assignsitetouser(kb::Kitebrook& app, const Args& args);
void removeuserfromsite(kb::Kitebrook& app, const Args& args);
void removeuser(kb::Kitebrook& app, const Args& args);
void removesite(kb::Kitebrook& app, const Args& args);
void setuserglobals(kb::Kitebrook& app, const Args& args);
void setsiteglobals(kb::Kitebrook& app, const Args& args);
void clearuserglobals(kb::Kitebrook& app, const Args& args);
void clearsiteglobals(kb::Kitebrook& app, const Args& args);
void updatepwd(kb::Kitebrook& app, const Args& args);
void updatesettings(kb::Kitebrook& app, const Args& args);

// The page shown when the configuration cannot be read at start.
void restore_config(kb::Kitebrook& app, const Args& args);

}  // namespace KBVBHTMLInterfaces
