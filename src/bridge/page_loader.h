#pragma once

#include <string>

namespace kb {
class Kitebrook;
}

namespace KBVBHTMLInterfaces {

// Shows a page in the content area and sets up the control bar: a title for
// the host's own pages, the child's buttons for everything else.
void load_page(kb::Kitebrook& app, const std::string& path);
// Shows a page in the content area and does nothing else.
void navigate_content(kb::Kitebrook& app, const std::string& path);
// Writes a title into the control bar.
void load_control_msg(kb::Kitebrook& app, const std::string& text);
// Shows the child's buttons in the control bar.
void load_controls(kb::Kitebrook& app);
void show_welcome(kb::Kitebrook& app);
// Loads the control-bar page anew.
void reload_control_bar(kb::Kitebrook& app);

}  // namespace KBVBHTMLInterfaces
