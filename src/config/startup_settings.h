#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace KBConfigIO {

class ConfigDocument;

// The configuration loaded once for start-up to read its settings from, so
// that the shell needs no XML of its own.
class StartupSettings {
 public:
  explicit StartupSettings(const std::filesystem::path& config);
  ~StartupSettings();
  StartupSettings(const StartupSettings&) = delete;
  StartupSettings& operator=(const StartupSettings&) = delete;

  // Whether the file is a well-formed configuration.
  bool readable() const;
  // The text of the node a path query on the document finds; throws the
  // object-not-set error when it finds none.
  std::string text(const char* query) const;

 private:
  std::unique_ptr<ConfigDocument> doc_;
};

}  // namespace KBConfigIO
