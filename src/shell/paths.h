#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "registry/mod_registry.h"

namespace kb {

// The folder of the running executable.
std::filesystem::path executable_folder();

// Where Kitebrook reads its pages from and where it keeps everything it
// writes. Nothing else builds these paths.
//
// The pages folder holds the HTML pages and the Images folder; an installed
// program only reads it. The state folder holds everything written, laid out
// as a program folder: Data/KBConfig.xml with the files saved beside it, and
// Registry/ with the machine-wide hives.
class ProgramFolders {
 public:
  // No folders yet.
  ProgramFolders() = default;
  // A program run from its own folder (the build folder, the tests): it reads
  // its pages from `program_folder`/Data and writes into `program_folder`.
  static ProgramFolders beside(const std::filesystem::path& program_folder);
  // An installed program: pages in `pages`, the shipped configuration at
  // `default_config`, everything written in `state`, and the account's own
  // hive at `user_hive`.
  static ProgramFolders installed(std::filesystem::path pages, std::filesystem::path default_config,
                                  std::filesystem::path state, std::filesystem::path user_hive);
  // The same pages with everything written in `state` instead.
  ProgramFolders with_state(std::filesystem::path state) const;

  const std::filesystem::path& pages() const { return pages_; }
  const std::filesystem::path& state() const { return state_; }
  // The configuration a state folder starts with.
  const std::filesystem::path& default_config() const { return default_config_; }

  // The page path of a file in the pages folder.
  std::string page(const std::string& file_name) const;
  // The folder of the configuration and of the XML files the pages save.
  std::filesystem::path config_folder() const;
  // The configuration file (KBConfig.xml in the configuration folder).
  std::filesystem::path config_file() const;
  // The folder of the machine-wide hives and of the stores kept beside them.
  std::filesystem::path registry_folder() const;
  // The hive files: the machine-wide hives in the registry folder.
  modRegistry::HiveFiles hive_files() const;

  // True when `address` names a file inside the pages folder: the host's own
  // pages, the only documents allowed to send commands.
  bool is_host_page(const std::string& address) const;

  // Gives the state folder the shipped configuration when it has none; an
  // existing configuration is never replaced.
  void prepare_state() const;

 private:
  std::filesystem::path pages_;
  std::filesystem::path default_config_;
  std::filesystem::path state_;
  // Empty for a program run from its own folder: the account's hive then
  // lives in its XDG config folder.
  std::optional<std::filesystem::path> user_hive_;
};

// True when `address` names a file inside the folder `pages`.
bool is_page_in(const std::filesystem::path& pages, const std::string& address);

}  // namespace kb
