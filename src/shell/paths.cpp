#include "shell/paths.h"

#include <system_error>

#include "common/kb_error.h"

namespace kb {

std::filesystem::path executable_folder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) throw Error(53, "Cannot find the program's own folder: " + ec.message());
  return exe.parent_path();
}

std::string page_path(const std::filesystem::path& program_folder, const std::string& file_name) {
  return program_folder.string() + "/Data/" + file_name;
}

bool is_host_page(const std::filesystem::path& program_folder, const std::string& address) {
  if (address.empty() || address.front() != '/') return false;
  // Compare resolved paths, so that "Data/../../x" cannot pass for a page.
  const auto data = std::filesystem::weakly_canonical(program_folder / "Data");
  const auto page = std::filesystem::weakly_canonical(std::filesystem::path(address));
  auto d = data.begin();
  auto p = page.begin();
  for (; d != data.end(); ++d, ++p)
    if (p == page.end() || *d != *p) return false;
  return p != page.end();
}

}  // namespace kb
