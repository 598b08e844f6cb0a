#include <iostream>

#include "common/clock.h"
#include "platform/gtk_platform.h"
#include "platform/main_loop.h"
#include "registry/mod_registry.h"
#include "shell/kitebrook.h"
#include "shell/paths.h"

int main() {
  try {
    const std::filesystem::path program_folder = kb::executable_folder();
    kb::gtk::initialize_toolkit(program_folder);
    kb::gtk::GtkPlatform platform(program_folder);
    const modRegistry::Registry registry(modRegistry::default_hive_files(program_folder));
    const kb::SystemClock clock;
    kb::Kitebrook app(platform, program_folder, registry, clock);
    app.Main();
    // The program ends through exit_program, or when its main window is closed.
    for (;;) g_main_context_iteration(nullptr, TRUE);
  } catch (const std::exception& e) {
    std::cerr << "kitebrook: " << e.what() << '\n';
    return 1;
  }
}
