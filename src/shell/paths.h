#pragma once

#include <filesystem>
#include <string>

namespace kb {

// The folder of the running executable.
std::filesystem::path executable_folder();

// The page path of a file in the Data folder: program folder, "/Data/", name.
std::string page_path(const std::filesystem::path& program_folder, const std::string& file_name);

// True when `address` names a file inside the program folder's Data folder:
// the host's own pages, the only documents allowed to send commands.
bool is_host_page(const std::filesystem::path& program_folder, const std::string& address);

}  // namespace kb
