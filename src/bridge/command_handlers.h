#pragma once

#include <string>

#include "bridge/command_dispatcher.h"

namespace KBVBHTMLInterfaces {

// Choosing a user and the commands of single pages.
void save_config_file(kb::Kitebrook& app, const Slots& args);
void startforuser(kb::Kitebrook& app, const Slots& args);
void exit_config(kb::Kitebrook& app, const Slots& args);
void load_user_sites(kb::Kitebrook& app, const Slots& args);
void start_for_user(kb::Kitebrook& app, const std::string& name);

// The control bar and the password page.
void go_back(kb::Kitebrook& app, const Slots& args);
void go_forward(kb::Kitebrook& app, const Slots& args);
void go_home(kb::Kitebrook& app, const Slots& args);
void go_print(kb::Kitebrook& app, const Slots& args);
void go_exit(kb::Kitebrook& app, const Slots& args);
void go_parent(kb::Kitebrook& app, const Slots& args);
void process_pwd_entry(kb::Kitebrook& app, const Slots& args);
void pwd_cancel(kb::Kitebrook& app, const Slots& args);

// The parent's configuration pages.
void updateuser(kb::Kitebrook& app, const Slots& args);
void updatesite(kb::Kitebrook& app, const Slots& args);
void assignsitetouser(kb::Kitebrook& app, const Slots& args);
void removeuserfromsite(kb::Kitebrook& app, const Slots& args);
void removeuser(kb::Kitebrook& app, const Slots& args);
void removesite(kb::Kitebrook& app, const Slots& args);
void setuserglobals(kb::Kitebrook& app, const Slots& args);
void setsiteglobals(kb::Kitebrook& app, const Slots& args);
void clearuserglobals(kb::Kitebrook& app, const Slots& args);
void clearsiteglobals(kb::Kitebrook& app, const Slots& args);
void updatepwd(kb::Kitebrook& app, const Slots& args);
void updatesettings(kb::Kitebrook& app, const Slots& args);

// The page shown when the configuration cannot be read at start.
void restore_config(kb::Kitebrook& app, const Slots& args);

}  // namespace KBVBHTMLInterfaces
