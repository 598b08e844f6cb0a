#pragma once

#include <string>

namespace kb {

// One embedded web view as the program uses it. Local files are named by
// their plain path in both directions: navigate() takes a path or a URL, and
// every address the control reports is a path for a local file.
class BrowserControl {
 public:
  virtual ~BrowserControl() = default;

  // Starts loading a path or URL; the before-navigate handler runs later, on
  // an event step.
  virtual void navigate(const std::string& path_or_url) = 0;
  // One step in the history; throws kb::Error when there is none.
  virtual void go_back() = 0;
  virtual void go_forward() = 0;
  // Opens the print dialog for the page shown.
  virtual void print() = 0;
  // The address of the document shown, empty before the first load.
  virtual std::string location_url() const = 0;
  // Lets events run until the control has finished loading its page (bounded
  // by a few seconds), then runs the script in the page and waits for it.
  // Throws kb::Error with the page's exception text when the script fails.
  virtual std::string run_script(const std::string& script) = 0;
  // Runs the script in the document shown as it is, also while it loads,
  // and waits for it. Throws like run_script.
  virtual std::string run_script_now(const std::string& script) = 0;
};

}  // namespace kb
