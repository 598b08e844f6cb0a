#include "common/vb_number.h"
#include "config/kb_config_io.h"

namespace KBConfigIO {

// The ID is converted before it is stored, so an ID that overflows leaves the
// former value in place.
void setuserglobals(EditGlobals& edit, const std::string& id) {
  edit.edit_user_id = kb::numeric_value16(id);
}

void setsiteglobals(EditGlobals& edit, const std::string& id) {
  edit.edit_site_id = kb::numeric_value16(id);
}

void clearuserglobals(EditGlobals& edit) {
  edit.edit_user_id = 0;
}

void clearsiteglobals(EditGlobals& edit) {
  edit.edit_site_id = 0;
}

}  // namespace KBConfigIO
