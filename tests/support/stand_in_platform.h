#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/kb_error.h"
#include "shell/platform.h"
#include "support/recorded_messages.h"
#include "support/stand_in_form.h"

namespace kb::testing {

// What the stand-in platform was asked, in order: "web navigate /p/Data/x.htm", "pause 500".
using Journal = std::vector<std::string>;

// A page shown in a control (`sender`, a path or URL) navigates it itself.
inline NavigationRequest page_navigation(const std::string& url, const std::string& sender,
                                         NavigationType type = NavigationType::Other) {
  return {.url = url, .sender_document = sender, .type = type, .committed_document = sender};
}

class StandInBrowser : public BrowserControl {
 public:
  StandInBrowser(std::string name, Journal& journal) : name_(std::move(name)), journal_(journal) {}

  void navigate(const std::string& path_or_url) override {
    journal_.push_back(name_ + " navigate " + path_or_url);
    location = path_or_url;
  }
  void go_back() override {
    if (!has_history) throw Error(-2147467259, "no history");
    journal_.push_back(name_ + " back");
  }
  void go_forward() override {}
  void print() override { journal_.push_back(name_ + " print"); }
  std::string location_url() const override { return location; }
  std::string run_script_now(const std::string& script) override { return run_script(script); }
  std::string run_script(const std::string& script) override {
    // The end-of-command notice is kept apart from the calls the pages depend on.
    if (script.rfind("if (typeof kbCommandDone", 0) == 0) {
      done_notices.push_back(script);
      return {};
    }
    journal_.push_back(name_ + " script " + script);
    const std::string function = script.substr(0, script.find('('));
    const auto found = functions.find(function);
    if (found == functions.end())
      throw Error(-2147352319, "ReferenceError: Can't find variable: " + function);
    return found->second(script);
  }

  std::string location;
  bool has_history = true;
  std::vector<std::string> done_notices;
  std::map<std::string, std::function<std::string(const std::string&)>> functions;

 private:
  std::string name_;
  Journal& journal_;
};

class StandInWindow : public MainWindowView {
 public:
  StandInWindow(MainWindowEvents& events, Journal& journal) : events(events), journal(journal) {
    const auto defined = [](const std::string&) { return std::string(); };
    controls.functions = {{"WriteMsg", defined}, {"LoadControls", defined}};
    content.functions = {{"Load_Sites", defined}, {"", defined}};
    // Half the screen high until maximized, with one control for the layout to record.
    layout_form.height_twips = layout_form.screen_h / 2;
    layout_form.add(false, {{"Height", 855}});
  }
  BrowserControl& brwControls() override { return controls; }
  BrowserControl& web() override { return content; }
  BrowserControl& wbbrwnewhidden() override { return hidden; }
  std::string caption() const override { return caption_text; }
  void set_caption(const std::string& caption) override { caption_text = caption; }
  void set_visible(bool visible) override { this->visible = visible; }
  void show() override { shown = true; }
  void maximize() override {
    maximized = true;
    layout_form.height_twips = layout_form.screen_h;
  }
  ElasticForm& form() override { return layout_form; }

  MainWindowEvents& events;
  Journal& journal;
  StandInBrowser controls{"controls", journal}, content{"web", journal}, hidden{"hidden", journal};
  bool visible = true, shown = false, maximized = false;
  StandInForm layout_form;
  std::string caption_text = "Kitebrook";
};

class StandInPlatform : public Platform, public SplashView {
 public:
  std::unique_ptr<MainWindowView> create_main_window(MainWindowEvents& events) override {
    journal.push_back("create main window");
    windows.push_back(new StandInWindow(events, journal));
    return std::unique_ptr<MainWindowView>(windows.back());
  }
  SplashView& load_splash(SplashEvents&) override {
    journal.push_back("splash load");
    return *this;
  }
  void set_visible(bool visible) override {
    journal.push_back(visible ? "splash visible" : "splash hidden");
  }
  void unload() override { journal.push_back("splash unload"); }
  MessageBox& message_box() override { return messages; }
  void event_step() override {
    if (on_event_step) on_event_step();
    run_soon_tasks();
  }
  void run_soon(std::function<void()> task) override { soon.push_back(std::move(task)); }
  void run_soon_tasks() {
    for (auto& task : std::exchange(soon, {})) task();
  }
  void pause(std::chrono::milliseconds duration) override {
    journal.push_back("pause " + std::to_string(duration.count()));
  }
  void end_program() override { journal.push_back("end program"); }

  StandInWindow& window() { return *windows.back(); }

  Journal journal;
  kbtest::RecordedMessages messages{journal};
  std::vector<StandInWindow*> windows;
  std::function<void()> on_event_step;
  std::vector<std::function<void()>> soon;
};

}  // namespace kb::testing
