#pragma once

#include <string>

#include "shell/platform.h"

namespace kb {

class Kitebrook;

// Reads the StayOnSites setting and the current child's allowed hosts from
// the configuration. A file that cannot be read keeps children on no site
// at all while the setting was on.
void load_child_rules(Kitebrook& app);

// What becomes of a navigation in the content area or a new window.
enum class ContentVerdict {
  Load,         // a host page, or a page the child may open
  ShowRefusal,  // refused: the friendly page takes its place
  LeaveEmpty,   // refused inside a frame: the frame stays empty
};

// Decides a navigation of the content area (or a window a page opens) and
// logs it for the current child. Host pages and a blank page always load.
ContentVerdict decide_content_navigation(Kitebrook& app, const NavigationRequest& request,
                                         bool new_window);

// Shows the friendly page for the address just refused.
void show_refusal_page(Kitebrook& app, const std::string& url);

}  // namespace kb
