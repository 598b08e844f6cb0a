#pragma once

#include <webkit/webkit.h>

#include <chrono>
#include <string>

namespace kb::gtk {

// Runs a script in a view's page and lets events run until it has answered
// (or the time is up). Answers the value as text, empty for undefined and
// null; throws kb::Error with the page's exception text when the script fails.
std::string evaluate_script(WebKitWebView* view, const std::string& script,
                            std::chrono::milliseconds limit);

}  // namespace kb::gtk
