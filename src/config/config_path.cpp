#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>
#include <vector>

#include "common/text_case.h"
#include "config/kb_config_io.h"

namespace KBConfigIO {
namespace {

constexpr const char* kFileName = "KBConfig.xml";

}  // namespace

std::filesystem::path config_path(const std::filesystem::path& program_folder) {
  const std::filesystem::path data = program_folder / "Data";
  const std::filesystem::path exact = data / kFileName;
  std::error_code error;
  if (std::filesystem::exists(exact, error)) return exact;
  // A file copied from a system that ignores letter case may be spelt
  // differently; it is still the configuration.
  std::vector<std::filesystem::path> matches;
  for (std::filesystem::directory_iterator it(data, error), end; !error && it != end;
       it.increment(error)) {
    if (kb::equals_ignoring_case(it->path().filename().string(), kFileName))
      matches.push_back(it->path());
  }
  if (matches.empty()) return exact;
  return *std::min_element(matches.begin(), matches.end());
}

}  // namespace KBConfigIO
