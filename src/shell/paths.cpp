#include "shell/paths.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "common/atomic_file.h"
#include "common/kb_error.h"
#include "config/kb_config_io.h"

namespace kb {

namespace fs = std::filesystem;

fs::path executable_folder() {
  std::error_code ec;
  const auto exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) throw file_not_found("Cannot find the program's own folder: " + ec.message());
  return exe.parent_path();
}

ProgramFolders ProgramFolders::beside(const fs::path& program_folder) {
  ProgramFolders folders;
  folders.pages_ = program_folder / "Data";
  folders.default_config_ = folders.pages_ / "KBConfig.xml";
  folders.state_ = program_folder;
  return folders;
}

ProgramFolders ProgramFolders::installed(fs::path pages, fs::path default_config, fs::path state,
                                         fs::path user_hive) {
  ProgramFolders folders;
  folders.pages_ = std::move(pages);
  folders.default_config_ = std::move(default_config);
  folders.state_ = std::move(state);
  folders.user_hive_ = std::move(user_hive);
  return folders;
}

ProgramFolders ProgramFolders::with_state(fs::path state) const {
  ProgramFolders folders = *this;
  folders.state_ = std::move(state);
  return folders;
}

std::string ProgramFolders::page(const std::string& file_name) const {
  return pages_.string() + "/" + file_name;
}

fs::path ProgramFolders::config_folder() const {
  return state_ / "Data";
}

fs::path ProgramFolders::config_file() const {
  return KBConfigIO::config_path(state_);
}

fs::path ProgramFolders::registry_folder() const {
  return state_ / "Registry";
}

modRegistry::HiveFiles ProgramFolders::hive_files() const {
  if (!user_hive_) return modRegistry::default_hive_files(state_);
  return modRegistry::hive_files(registry_folder(), *user_hive_);
}

bool ProgramFolders::is_host_page(const std::string& address) const {
  return is_page_in(pages_, address);
}

bool is_page_in(const std::filesystem::path& pages, const std::string& address) {
  if (address.empty() || address.front() != '/') return false;
  // Compare resolved paths, so that "Data/../../x" cannot pass for a page.
  const auto data = fs::weakly_canonical(pages);
  const auto page = fs::weakly_canonical(fs::path(address));
  auto d = data.begin();
  auto p = page.begin();
  for (; d != data.end() && !d->empty(); ++d, ++p)
    if (p == page.end() || *d != *p) return false;
  return p != page.end();
}

void ProgramFolders::prepare_state() const {
  std::error_code ec;
  if (fs::exists(config_file(), ec)) return;
  fs::create_directories(config_folder(), ec);
  if (ec)
    throw file_access("Cannot make the folder " + config_folder().string() + ": " + ec.message());
  std::string text;
  {
    std::ifstream in(default_config_, std::ios::binary);
    if (!in)
      throw file_not_found("Cannot read the shipped configuration " + default_config_.string());
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  write_file_atomically(config_folder() / "KBConfig.xml", text);
}

}  // namespace kb
