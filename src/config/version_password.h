#pragma once

#include <string>

namespace KBConfigIO {

// Whether the parent's entry matches the password stored in a version of the
// configuration (its Settings/Pwd text), so that the version may be restored.
bool entry_opens_version(const std::string& stored_pwd, const std::string& entry);

}  // namespace KBConfigIO
