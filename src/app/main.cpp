#include <sys/stat.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "common/clock.h"
#include "platform/gtk_platform.h"
#include "registry/mod_registry.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"
#include "shell/start_options.h"

int main(int argc, char** argv) {
  kb::StartOptions options;
  try {
    options = kb::read_start_options(std::vector<std::string>(argv + 1, argv + argc),
                                     std::getenv(kb::kStateFolderVariable));
  } catch (const std::exception& e) {
    std::cerr << "kitebrook: " << e.what() << "\n\n" << kb::usage_text();
    return 2;
  }
  if (options.help) {
    std::cout << kb::usage_text();
    return 0;
  }
  try {
    // A state folder that every account shares gets files that the group
    // owning it may change too (see README: one group for the family).
    if (options.state_folder) ::umask(002);
    const kb::ProgramFolders folders = kb::locate_folders(kb::executable_folder(), options);
    folders.prepare_state();
    kb::gtk::initialize_toolkit(folders.pages());
    kb::gtk::GtkPlatform platform(folders.pages(), folders.config_file());
    platform.set_whole_session(options.whole_session);
    const modRegistry::Registry registry(folders.hive_files());
    const kb::SystemClock clock;
    kb::Kitebrook app(platform, folders, registry, clock);
    app.Main();
    // The program ends through exit_program, or when its main window is closed.
    platform.run();
  } catch (const std::exception& e) {
    std::cerr << "kitebrook: " << e.what() << '\n';
    // Started from the menu, nobody reads the error output.
    kb::gtk::report_start_failure(std::string("Kitebrook cannot start: ") + e.what());
    return 1;
  }
}
