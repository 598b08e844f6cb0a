#include "config/config_versions.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>

#include "common/atomic_file.h"
#include "common/kb_error.h"

namespace KBConfigIO {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "KBConfig.";
constexpr std::string_view kSuffix = ".xml";

// The sequence number of a version's file name ("KBConfig.000012.xml" is 12),
// or -1 for any other name.
long sequence_of(const fs::path& file) {
  const std::string name = file.filename().string();
  if (name.size() <= kPrefix.size() + kSuffix.size() || name.rfind(kPrefix, 0) != 0 ||
      name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
    return -1;
  const std::string digits =
      name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  if (digits.empty() || digits.size() > 12 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::atol(digits.c_str());
}

std::string read_whole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::pair<long, fs::path>> numbered_versions(const fs::path& config) {
  std::vector<std::pair<long, fs::path>> found;
  std::error_code ec;
  for (fs::directory_iterator it(versions_folder(config), ec), end; !ec && it != end;
       it.increment(ec)) {
    const long number = sequence_of(it->path());
    if (number >= 0) found.emplace_back(number, it->path());
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
  return found;
}

// Creates the versions folder open to the same accounts as the folder of
// the configuration, so that every session that may save may keep a version.
void create_folder(const fs::path& config) {
  const fs::path folder = versions_folder(config);
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return;
  fs::create_directory(folder, ec);
  if (ec)
    throw kb::file_access("Cannot create the folder " + folder.string() +
                          " for earlier versions: " + ec.message());
  struct stat beside {};
  if (::stat(config.parent_path().c_str(), &beside) == 0)
    ::chmod(folder.c_str(), beside.st_mode & 07777);
}

std::string time_stamp() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H-%M-%S", &parts);
  return text;
}

}  // namespace

fs::path versions_folder(const fs::path& config) {
  return config.parent_path() / "KBConfigVersions";
}

void keep_version(const fs::path& config, std::string_view text) {
  if (text.empty()) return;
  const auto versions = numbered_versions(config);
  if (!versions.empty() && read_whole(versions.front().second) == text) return;

  const fs::path folder = versions_folder(config);
  create_folder(config);
  std::error_code ec;
  const long next = versions.empty() ? 1 : versions.front().first + 1;
  std::string number = std::to_string(next);
  if (number.size() < 6) number.insert(0, 6 - number.size(), '0');
  kb::write_file_atomically(folder / (std::string(kPrefix) + number + std::string(kSuffix)), text,
                            config);
  // The new version is safely on disk before the oldest goes.
  for (std::size_t i = kKeptVersions - 1; i < versions.size(); ++i)
    fs::remove(versions[i].second, ec);
}

void keep_damaged(const fs::path& config, std::string_view text) {
  if (text.empty()) return;
  const fs::path folder = versions_folder(config);
  create_folder(config);
  const std::string stamp = time_stamp();
  fs::path aside = folder / ("KBConfig.damaged-" + stamp + ".xml");
  std::error_code ec;
  for (int n = 2; fs::exists(aside, ec); ++n)
    aside = folder / ("KBConfig.damaged-" + stamp + "-" + std::to_string(n) + ".xml");
  kb::write_file_atomically(aside, text, config);
}

std::vector<fs::path> kept_versions(const fs::path& config) {
  std::vector<fs::path> files;
  for (auto& [number, file] : numbered_versions(config)) files.push_back(std::move(file));
  return files;
}

}  // namespace KBConfigIO
