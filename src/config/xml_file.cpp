#include <system_error>

#include "common/atomic_file.h"
#include "common/text_case.h"
#include "config/config_document.h"
#include "config/kb_config_io.h"

namespace KBConfigIO {
namespace {

namespace fs = std::filesystem;

bool names_the_configuration(const fs::path& config, const fs::path& target) {
  if (kb::equals_ignoring_case(target.filename().string(), "KBConfig.xml")) return true;
  std::error_code ec;
  return fs::equivalent(config, target, ec);
}

}  // namespace

void save_xml_file(const fs::path& config, const fs::path& target, const std::string& text) {
  if (!names_the_configuration(config, target)) {
    kb::write_file_atomically(target, checked_document_text(text, nullptr));
    return;
  }
  const std::string saved = checked_document_text(text, "KBConfig");
  const ConfigDocument doc(config, ConfigDocument::Access::Change);
  doc.replace_with(saved);
}

}  // namespace KBConfigIO
