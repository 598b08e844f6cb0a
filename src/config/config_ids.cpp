#include "config/config_ids.h"

#include <cstdlib>

#include "common/kb_error.h"
#include "common/vb_number.h"
#include "config/config_document.h"

namespace KBConfigIO {

std::optional<double> lookup_id(const std::string& text) {
  if (!kb::is_plain_decimal(text)) return std::nullopt;
  return std::strtod(text.c_str(), nullptr);
}

std::int16_t next_id(const pugi::xpath_node_set& ids) {
  std::int16_t largest = 0;
  for (const pugi::xpath_node& id : ids) {
    const std::int16_t value = kb::numeric_value16(node_text(id.node()));
    if (value > largest) largest = value;
  }
  if (largest == INT16_MAX) throw kb::overflow();
  return static_cast<std::int16_t>(largest + 1);
}

}  // namespace KBConfigIO
