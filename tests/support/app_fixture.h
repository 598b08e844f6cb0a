#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "config/password_hash.h"
#include "registry/mod_registry.h"
#include "shell/kitebrook.h"
#include "support/clocks.h"
#include "support/stand_in_platform.h"
#include "support/temp_folder.h"

namespace kb::testing {

// Two children and two sites, one of them offered to everybody.
inline const char* kTwoChildren = R"(<KBConfig>
  <Settings><Pwd>secret</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>3</PrintLimit>
    <PwdExit>Yes</PwdExit></Settings>
  <Users><User><Name>AllUsers</Name><Image></Image><ID>1</ID></User>
    <User><Name>Mary</Name><Image>cat.svg</Image><ID>2</ID></User>
    <User><Name>Chris</Name><Image>dog.svg</Image><ID>3</ID></User></Users>
  <WebSites>
    <WebSite><Label>Zoo</Label><Image>animals.svg</Image><Target>zoo.example</Target><ID>1</ID><AllowedUsers><User><ID>1</ID></User></AllowedUsers></WebSite>
    <WebSite><Label>Music</Label><Image>music.svg</Image><Target>music.example</Target><ID>2</ID><AllowedUsers><User><ID>2</ID></User></AllowedUsers></WebSite>
  </WebSites></KBConfig>
)";

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_config(kTwoChildren);
    new_app();
  }
  void new_app() {
    app_.reset();
    app_ = std::make_unique<Kitebrook>(platform_, folders_, registry_, clock_);
  }
  void write_config(const std::string& text) {
    kbtest::write_file(folder_ / "Data" / "KBConfig.xml", text);
  }
  std::string read_config() const { return kbtest::read_file(folder_ / "Data" / "KBConfig.xml"); }
  std::string page(const std::string& file) const { return folder_.string() + "/Data/" + file; }
  StandInBrowser& web() { return platform_.window().content; }
  MainWindowEvents& events() { return platform_.window().events; }
  bool stored_password_is(const std::string& pwd) const {
    return KBConfigIO::check_password(
               KBConfigIO::stored_password(folder_ / "Data" / "KBConfig.xml"), pwd) ==
           KBConfigIO::PasswordCheck::Correct;
  }

  // Runs the start sequence as the splash timer's first tick does.
  void start() {
    app_->Main();
    app_->Timer1_Timer();
  }
  bool send_from_web(const std::string& url, const std::string& sender = "SelectUser.htm") {
    return platform_.window().events.web_BeforeNavigate2(page_navigation(url, page(sender)));
  }
  bool send_from_controls(const std::string& url) {
    return platform_.window().events.brwControls_BeforeNavigate2(
        page_navigation(url, page("KBControls.html")));
  }
  std::string journal_lines(const std::string& prefix, std::size_t from = 0) const {
    std::string text;
    for (std::size_t i = from; i < platform_.journal.size(); ++i)
      if (platform_.journal[i].rfind(prefix, 0) == 0) text += "|" + platform_.journal[i];
    return text.substr(text.empty() ? 0 : 1);
  }
  std::string messages() const {
    std::string text;
    for (const std::string& message : platform_.messages.texts) text += "|" + message;
    return text.substr(text.empty() ? 0 : 1);
  }
  std::string start_state() {
    const StandInWindow& w = platform_.window();
    return std::string(app_->state().start_done ? "started " : "") + (w.visible ? "visible " : "") +
           (w.shown ? "shown " : "") + (w.maximized ? "maximized " : "") + platform_.journal.back();
  }

  kbtest::TempFolder temp_{"kb_app"};
  std::filesystem::path folder_ = temp_.path();
  ProgramFolders folders_ = ProgramFolders::beside(folder_);
  StandInPlatform platform_;
  kbtest::FixedClock clock_;
  modRegistry::Registry registry_{
      modRegistry::hive_files(folder_ / "Registry", folder_ / "Registry" / "HKCU.sqlite")};
  std::unique_ptr<Kitebrook> app_;
};

}  // namespace kb::testing
