#pragma once

#include <glib.h>
#include <webkit/webkit.h>

#include <chrono>
#include <functional>
#include <string>

namespace kb::bench {

// How long a probe lets the program rest on its page before measuring its
// memory, so that start-up work still under way has finished.
constexpr std::chrono::milliseconds kMemorySettle{2000};

// A script that answers "shown" once the document is complete, holds exactly
// `count` elements matching `selector` (any number but none for a negative
// count), each with its picture loaded when `pictures`, and two frames have
// been drawn since; until then "no" or "wait".
std::string shown_check_script(const std::string& selector, int count, bool pictures = true);

// Runs events until `check` answers "shown", asking it every few
// milliseconds (a check may throw while the page is being replaced; that
// counts as not yet). Answers the monotonic time of the answer in
// microseconds; throws std::runtime_error when `limit` runs out.
gint64 wait_until_shown(const std::function<std::string()>& check, std::chrono::milliseconds limit);

// Runs `script` in `view` and answers its value as text; throws
// std::runtime_error for a script error or when no answer comes.
std::string evaluate(WebKitWebView* view, const std::string& script);

// Lets events run for kMemorySettle, then reports the memory of this process
// and of the processes it started as the figures host_rss_mb, total_rss_mb,
// total_pss_mb and processes.
void settle_and_report_memory();

}  // namespace kb::bench
