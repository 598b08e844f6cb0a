#include <gtest/gtest.h>

#include "support/app_fixture.h"

namespace kb::testing {
namespace {

class PasswordFlow : public AppTest {
 protected:
  void start_as(const std::string& name) {
    start();
    send_from_web("VBCONTAINER:STARTFORUSER(" + name + ")");
  }
};

TEST_F(PasswordFlow, TheParentsPagesOpenOnlyWithTheExactPassword) {
  start_as("Mary");
  // A correct password before any page asked for one does nothing.
  const std::size_t mark = platform_.journal.size();
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(platform_.journal.size(), mark);
  send_from_controls("VBCONTAINER:GO_PARENT()");
  StandInWindow& window = platform_.window();
  EXPECT_EQ(window.content.location, page("password.htm"));
  EXPECT_EQ(journal_lines("controls script").back(),
            "controls script WriteMsg('Password Required')");

  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(Secret)", "password.htm");
  EXPECT_EQ(platform_.messages.texts,
            std::vector<std::string>{"The password entered is incorrect, try again!"});
  EXPECT_EQ(window.content.location, page("password.htm"));

  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(window.content.location, page("KBConfigmain.htm"));
  EXPECT_EQ(journal_lines("controls script").back(),
            "controls script WriteMsg('Kitebrook Configuration')");

  // The plain-text password of the file became a hash at the correct entry.
  EXPECT_EQ(read_config().find("secret"), std::string::npos);
  EXPECT_TRUE(stored_password_is("secret"));

  // A new password applies at once; the old one no longer opens the pages.
  send_from_web("VBCONTAINER:UPDATEPWD(newer)", "KBConfigmain.htm");
  send_from_controls("VBCONTAINER:GO_PARENT()");
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(window.content.location, page("password.htm"));
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(newer)", "password.htm");
  EXPECT_EQ(window.content.location, page("KBConfigmain.htm"));
  EXPECT_FALSE(platform_.ended);
}

TEST_F(PasswordFlow, FiveWrongEntriesInARowMakeThePersonWaitAWhile) {
  start_as("Mary");
  send_from_controls("VBCONTAINER:GO_PARENT()");
  StandInWindow* window = &platform_.window();
  window->content.functions["if "] = [](const std::string&) { return std::string(); };
  for (int i = 0; i < 5; ++i) send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(guess)", "password.htm");
  EXPECT_EQ(platform_.messages.texts.size(), 5u);
  EXPECT_EQ(journal_lines("web script if (typeof KBPasswordWait").back(),
            "web script if (typeof KBPasswordWait === 'function') KBPasswordWait('15')");
  // Even the right password is refused while the wait lasts, with no message.
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(window->content.location, page("password.htm"));
  EXPECT_EQ(platform_.messages.texts.size(), 5u);
  clock_.time += 10;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(journal_lines("web script if (typeof KBPasswordWait").back(),
            "web script if (typeof KBPasswordWait === 'function') KBPasswordWait('5')");
  // Once it is over the password is taken; a wrong one now waits longer.
  clock_.time += 5;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(guess)", "password.htm");
  EXPECT_EQ(journal_lines("web script if (typeof KBPasswordWait").back(),
            "web script if (typeof KBPasswordWait === 'function') KBPasswordWait('30')");
  clock_.time += 30;
  send_from_web("VBCONTAINER:PROCESS_PWD_ENTRY(secret)", "password.htm");
  EXPECT_EQ(window->content.location, page("KBConfigmain.htm"));
}

TEST_F(PasswordFlow, CancelGivesTheButtonsBackAndStepsBack) {
  start_as("Mary");
  send_from_controls("VBCONTAINER:GO_PARENT()");
  app_->state().can_go_back = true;
  const std::size_t mark = platform_.journal.size();
  send_from_web("VBCONTAINER:PWDCANCEL()", "password.htm");
  EXPECT_EQ(journal_lines("", mark),
            (std::vector<std::string>{"controls navigate " + page("KBControls.html"), "pause 500",
                                      "controls script LoadControls('1','1','1','1','1','1')",
                                      "web back"}));
  // Title mode stays on, so going home sets the buttons up once more.
  EXPECT_TRUE(app_->state().control_bar_title_mode);
  send_from_controls("VBCONTAINER:GO_HOME()");
  EXPECT_EQ(platform_.journal.back(), "controls script LoadControls('1','1','1','1','1','1')");
  EXPECT_EQ(platform_.window().content.location, page("UserStart.html"));
}

TEST_F(PasswordFlow, BackAndForwardFollowWhatTheContentAreaReported) {
  start_as("Mary");
  StandInWindow& window = platform_.window();
  const std::size_t mark = platform_.journal.size();
  send_from_controls("VBCONTAINER:GO_BACK()");
  EXPECT_EQ(platform_.journal.size(), mark);
  window.events.web_CommandStateChange(NavigationCommand::Back, true);
  window.events.web_CommandStateChange(NavigationCommand::Forward, true);
  send_from_controls("VBCONTAINER:GO_BACK()");
  send_from_controls("VBCONTAINER:GO_FORWARD()");
  EXPECT_EQ(journal_lines("web", mark), (std::vector<std::string>{"web back", "web forward"}));
  // A step the history cannot make ends the command quietly.
  window.content.has_history = false;
  send_from_controls("VBCONTAINER:GO_BACK()");
  EXPECT_TRUE(platform_.messages.texts.empty());
}

TEST_F(PasswordFlow, PrintingSwitchedOffIsRefusedWhateverTheLimit) {
  std::string config = read_config();
  config.replace(config.find("<PrintAllowed>Yes"), 17, "<PrintAllowed>No");
  write_config(config);
  start_as("Mary");
  send_from_controls("VBCONTAINER:GO_PRINT()");
  EXPECT_TRUE(journal_lines("web print").empty());
  EXPECT_EQ(platform_.messages.texts, std::vector<std::string>{"Mommy says no more printing!"});
}

}  // namespace
}  // namespace kb::testing
