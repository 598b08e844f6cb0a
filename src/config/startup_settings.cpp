#include "config/startup_settings.h"

#include "config/config_document.h"

namespace KBConfigIO {

StartupSettings::StartupSettings(const std::filesystem::path& config)
    : doc_(std::make_unique<ConfigDocument>(config)) {}

StartupSettings::~StartupSettings() = default;

bool StartupSettings::readable() const {
  return doc_->has_root();
}

std::string StartupSettings::text(const char* query) const {
  return node_text(doc_->find_in_document(query));
}

}  // namespace KBConfigIO
