#include "bridge/command_handlers.h"
#include "config/kb_config_io.h"
#include "shell/kitebrook.h"

namespace KBVBHTMLInterfaces {

void updateuser(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::updateuser(app.config_file(), app.state().edit, args[0], args[1], app.message_box());
}

void updatesite(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::updatesite(app.config_file(), app.state().edit, args[0], args[1], args[2]);
}

void assignsitetouser(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::assignsitetouser(app.config_file(), args[0], args[1]);
}

void removeuserfromsite(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::removeuserfromsite(app.config_file(), args[0], args[1], app.message_box());
}

void removeuser(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::removeuser(app.config_file(), args[0], app.message_box());
}

void removesite(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::removesite(app.config_file(), args[0]);
}

void setuserglobals(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::setuserglobals(app.state().edit, args[2]);
}

void setsiteglobals(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::setsiteglobals(app.state().edit, args[3]);
}

void clearuserglobals(kb::Kitebrook& app, const Args&) {
  KBConfigIO::clearuserglobals(app.state().edit);
}

void clearsiteglobals(kb::Kitebrook& app, const Args&) {
  KBConfigIO::clearsiteglobals(app.state().edit);
}

void updatepwd(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::updatepwd(app.config_file(), args[0], app.message_box());
}

void updatesettings(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::updatesettings(app.config_file(), args[0], args[1], args[2], args[3],
                             app.message_box());
}

}  // namespace KBVBHTMLInterfaces
