#include <exception>
#include <filesystem>
#include <string>

#include "bridge/command_handlers.h"
#include "bridge/page_loader.h"
#include "config/config_guard.h"
#include "config/config_recovery.h"
#include "config/config_versions.h"
#include "config/kb_config_io.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"

namespace KBVBHTMLInterfaces {
namespace {

// Runs a change of the configuration that has no message of its own; when it
// fails, the parent is told in one message box what was not saved and why,
// since the page shows only what the file holds.
template <typename Change>
void telling_the_parent(kb::Kitebrook& app, const char* what, Change change) {
  std::string message;
  try {
    change();
    return;
  } catch (const std::exception& failure) {
    message = std::string(what) + ": " + KBConfigIO::change_failure_reason(failure) + ".";
  }
  app.message_box().show(message);
}

}  // namespace

void updateuser(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::updateuser(app.config_file(), app.state().edit, args[0], args[1], app.message_box());
}

void updatesite(kb::Kitebrook& app, const Args& args) {
  telling_the_parent(app, "The web site was not saved", [&] {
    KBConfigIO::updatesite(app.config_file(), app.state().edit, args[0], args[1], args[2]);
  });
}

void assignsitetouser(kb::Kitebrook& app, const Args& args) {
  telling_the_parent(app, "The web site was not offered to the child",
                     [&] { KBConfigIO::assignsitetouser(app.config_file(), args[0], args[1]); });
}

void removeuserfromsite(kb::Kitebrook& app, const Args& args) {
  telling_the_parent(app, "The web site was not taken away from the child", [&] {
    KBConfigIO::removeuserfromsite(app.config_file(), args[0], args[1], app.message_box());
  });
}

void removeuser(kb::Kitebrook& app, const Args& args) {
  KBConfigIO::removeuser(app.config_file(), args[0], app.message_box());
}

void removesite(kb::Kitebrook& app, const Args& args) {
  telling_the_parent(app, "The web site was not removed",
                     [&] { KBConfigIO::removesite(app.config_file(), args[0]); });
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

void restore_config(kb::Kitebrook& app, const Args& args) {
  const std::string entry = args[0];
  const std::filesystem::path config = app.config_file();
  std::string message;
  try {
    switch (KBConfigIO::restore_newest_version(config, entry)) {
      case KBConfigIO::RestoreResult::Restored:
        message =
            "Kitebrook's settings were put back as they were last saved. The damaged file was "
            "kept in the folder " +
            KBConfigIO::versions_folder(config).string() + ".";
        break;
      case KBConfigIO::RestoreResult::AlreadyGood:
        break;
      case KBConfigIO::RestoreResult::WrongPassword:
        app.message_box().show(
            "That is not the parent's password of the last good settings, so nothing was "
            "changed. Please try again.");
        return;
      case KBConfigIO::RestoreResult::NoGoodVersion:
        app.message_box().show(
            "No earlier copy of the settings could be read, so nothing was changed. The file " +
            config.string() + " must be mended or replaced by hand.");
        return;
    }
  } catch (const std::exception& failure) {
    app.message_box().show(
        "The settings were not put back: " + KBConfigIO::change_failure_reason(failure) + ".");
    return;
  }
  if (!message.empty()) app.message_box().show(message);
  // The program goes on as a fresh start would, with the settings put back.
  app.init_globals();
  load_page(app, app.state().folders.page("SelectUser.htm"));
}

}  // namespace KBVBHTMLInterfaces
