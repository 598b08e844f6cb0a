#pragma once

#include <filesystem>

#include "shell/platform.h"

namespace kb {

// Whether a navigation to a command URL may run its command: one of the
// host's own pages sent it itself (a link, a form or a script of the page).
// A server's redirect, a step in the history, a reload, a form sent again,
// the program's own load, a new window's first page, and every navigation
// that a document outside the Data folder started are refused, whatever
// page is shown at that moment.
bool sent_by_host_page(const NavigationRequest& request,
                       const std::filesystem::path& program_folder);

}  // namespace kb
