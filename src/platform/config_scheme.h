#pragma once

#include <filesystem>

namespace kb::gtk {

// Serves the configuration to the host's pages at
// kitebrook://config/KBConfig.xml, without the password (the pages learn only
// whether one is set). Only a view showing a page of the program folder's
// Data folder is answered; web sites cannot load the scheme at all. The
// first call registers the scheme, every call names the folder served.
void serve_config_to_pages(const std::filesystem::path& program_folder);

}  // namespace kb::gtk
