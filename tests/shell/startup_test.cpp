#include <gtest/gtest.h>

#include "bridge/page_loader.h"
#include "support/app_fixture.h"

namespace kb::testing {
namespace {

using StartUp = AppTest;

// The settings themselves are read in the table below.
TEST_F(StartUp, ShowsTheUserSelectionPageWithItsTitleAndClosesTheSplash) {
  start();
  EXPECT_TRUE(app_->state().start_done);
  EXPECT_TRUE(app_->state().control_bar_title_mode);
  StandInWindow& window = platform_.window();
  EXPECT_TRUE(window.maximized);
  EXPECT_TRUE(window.visible);
  EXPECT_EQ(window.content.location, page("SelectUser.htm"));
  EXPECT_EQ(window.controls.location, page("KBControls.html"));
  EXPECT_EQ(journal_lines("controls script"),
            std::vector<std::string>{"controls script WriteMsg('Select a User to Begin')"});
  EXPECT_TRUE(platform_.messages.texts.empty());
  EXPECT_EQ(platform_.journal.back(), "splash unload");
}

// The platform's splash and its queued tasks can outlive the program that
// loaded them (a splash shown again to cover a rebuilt main window).
TEST_F(StartUp, AClosedProgramLeavesNoSplashOrTaskThatReachesIt) {
  start();
  app_->set_splash_visible(true);
  ASSERT_TRUE(platform_.splash.loaded);
  app_.reset();
  EXPECT_FALSE(platform_.splash.loaded);

  app_ =
      std::make_unique<Kitebrook>(platform_, ProgramFolders::beside(folder_), *registry_, clock_);
  app_->Main();
  app_.reset();
  const std::size_t before = platform_.journal.size();
  platform_.run_soon_tasks();
  EXPECT_EQ(platform_.journal.size(), before) << platform_.journal.back();
}

TEST_F(StartUp, ShowsTheWelcomePageWhileNoChildExists) {
  write_config(
      "<KBConfig><Settings><Pwd/><PrintAllowed>No</PrintAllowed><PrintLimit>0</PrintLimit>"
      "<PwdExit>Yes</PwdExit></Settings><Users><User><Name>AllUsers</Name><Image/><ID>1</ID>"
      "</User></Users><WebSites/></KBConfig>");
  start();
  EXPECT_EQ(platform_.window().content.location, page("SWelcome.html"));
  EXPECT_EQ(journal_lines("controls script").back(),
            "controls script WriteMsg('Kitebrook Configuration')");
  EXPECT_TRUE(app_->state().control_bar_title_mode);
}

TEST_F(StartUp, ASecondTickNeitherRestartsNorNests) {
  // A tick that arrives while the start sequence runs does nothing.
  int nested_ticks = 0;
  platform_.on_event_step = [&] {
    if (nested_ticks++ == 0) app_->Timer1_Timer();
  };
  start();
  platform_.on_event_step = nullptr;
  ASSERT_EQ(journal_lines("create main window").size(), 1u);
  // The splash shown again later is only closed by its tick.
  app_->set_splash_visible(true);
  app_->Timer1_Timer();
  EXPECT_EQ(journal_lines("create main window").size(), 1u);
  EXPECT_EQ(platform_.journal.back(), "splash unload");
}

struct BrokenSetting {
  const char* settings;
  const char* message;  // the one message, if any
  const char* read;     // print allowed, print limit, password on exit, password
};

class StartUpSettings : public AppTest, public ::testing::WithParamInterface<BrokenSetting> {};

TEST_P(StartUpSettings, ReportsEachBadSettingAndStillReadsTheOthers) {
  const BrokenSetting& c = GetParam();
  write_config(std::string("<KBConfig><Settings>") + c.settings +
               "</Settings><Users><User><Name>Mary</Name><Image/><ID>2</ID></User></Users>"
               "<WebSites/></KBConfig>");
  start();
  EXPECT_EQ(platform_.messages.texts,
            *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
  const ProgramState& s = app_->state();
  EXPECT_EQ(std::to_string(s.print_allowed) + " " + std::to_string(s.print_limit) + " " +
                std::to_string(s.pwd_on_exit) + " " + s.config_pwd,
            c.read);
}

const char* kNotSet = "error in init_globals Object variable or With block variable not set: 91";

INSTANTIATE_TEST_SUITE_P(
    Cases, StartUpSettings,
    ::testing::Values(
        BrokenSetting{"<Pwd>pw</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>7abc</PrintLimit>",
                      kNotSet, "1 7 1 pw"},
        BrokenSetting{"<Pwd>pw</Pwd><PrintAllowed>yes</PrintAllowed><PrintLimit>40000</PrintLimit>"
                      "<PwdExit>No</PwdExit>",
                      "error in init_globals Overflow: 6", "0 0 0 pw"},
        BrokenSetting{"<Pwd></Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>2.5</PrintLimit>"
                      "<PwdExit>No</PwdExit>",
                      "", "1 2 0 "},
        BrokenSetting{"<Pwd>x</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>3.5</PrintLimit>"
                      "<PwdExit>Yes</PwdExit>",
                      "", "1 4 1 x"},
        BrokenSetting{"<PrintAllowed>Yes</PrintAllowed><PrintLimit></PrintLimit>"
                      "<PwdExit>No</PwdExit>",
                      kNotSet, "1 0 0 "}));

TEST_F(StartUp, AMissingConfigurationKeepsTheGuardedDefaultsAndShowsTheRepairPage) {
  std::filesystem::remove(folder_ / "Data" / "KBConfig.xml");
  start();
  const ProgramState& state = app_->state();
  EXPECT_TRUE(state.pwd_on_exit);
  EXPECT_TRUE(state.config_pwd.empty());
  EXPECT_FALSE(state.print_allowed);
  EXPECT_EQ(state.print_limit, 0);
  // The page says what is wrong in plain words; no technical messages.
  EXPECT_TRUE(platform_.messages.texts.empty());
  EXPECT_TRUE(state.control_bar_title_mode);
  EXPECT_EQ(platform_.window().content.location, page("RepairSettings.htm"));
}

// A start prepared behind the splash shows the window and the messages at
// the tick, in their order: a print limit out of range makes the settings
// complain, a control bar without its functions makes the page loader complain.
TEST_F(StartUp, AScriptCallIntoAPageWithoutTheFunctionIsReported) {
  write_config(
      std::string(kTwoChildren)
          .replace(std::string(kTwoChildren).find("<PrintLimit>3"), 13, "<PrintLimit>40000"));
  platform_.on_new_window = [](StandInWindow& w) {
    w.controls.functions.erase("WriteMsg");
    w.controls.functions.erase("LoadControls");
  };
  app_->Main();
  platform_.run_soon_tasks();  // the splash shows; the window is built behind it
  StandInWindow& window = platform_.window();
  EXPECT_EQ(window.content.location, page("SelectUser.htm"));
  EXPECT_FALSE(window.visible);
  EXPECT_FALSE(window.shown);
  EXPECT_TRUE(platform_.messages.texts.empty());

  app_->Timer1_Timer();
  ASSERT_EQ(platform_.messages.texts.size(), 2u);
  EXPECT_EQ(platform_.messages.texts[0], "error in init_globals Overflow: 6");
  EXPECT_EQ(platform_.messages.texts[1],
            "Error in load_control_msgReferenceError: Can't find variable: WriteMsg");
  EXPECT_TRUE(window.visible);
  EXPECT_TRUE(window.shown);
  EXPECT_TRUE(app_->state().start_done);
  EXPECT_EQ(journal_lines("create main window").size(), 1u);
  EXPECT_EQ(platform_.journal.back(), "splash unload");
  // Messages after the start go straight to the person again.
  app_->message_box().show("later");
  EXPECT_EQ(platform_.messages.texts.back(), "later");
  KBVBHTMLInterfaces::load_controls(*app_);
  EXPECT_EQ(platform_.messages.texts.back(),
            "Error in load_controlsReferenceError: Can't find variable: LoadControls");
}

TEST_F(StartUp, ATickWhileTheStartIsPreparedFinishesItOnceThePageIsUp) {
  bool ticked = false;
  platform_.on_event_step = [&] {
    if (!ticked) {
      ticked = true;
      app_->Timer1_Timer();
      EXPECT_FALSE(app_->state().start_done);
    }
  };
  app_->Main();
  platform_.run_soon_tasks();
  platform_.on_event_step = nullptr;
  EXPECT_TRUE(ticked);
  EXPECT_TRUE(app_->state().start_done);
  EXPECT_TRUE(platform_.window().visible);
  EXPECT_EQ(journal_lines("create main window").size(), 1u);
  EXPECT_EQ(journal_lines("controls script"),
            std::vector<std::string>{"controls script WriteMsg('Select a User to Begin')"});
  EXPECT_EQ(platform_.journal.back(), "splash unload");
}

TEST_F(StartUp, TitleModeFollowsTheHostPagesAndTheChildsPages) {
  start();
  // The same page spelt in another letter case is an ordinary page.
  KBVBHTMLInterfaces::load_page(*app_, folder_.string() + "/data/SELECTUSER.HTM");
  EXPECT_FALSE(app_->state().control_bar_title_mode);
  EXPECT_EQ(platform_.journal.back(), "controls script LoadControls('1','1','1','1','1','1')");
  // A further ordinary page leaves the control bar alone.
  KBVBHTMLInterfaces::load_page(*app_, "http://example.org/");
  EXPECT_EQ(platform_.journal.back(), "web navigate http://example.org/");
  // The blank addresses take the program's name as title.
  KBVBHTMLInterfaces::load_page(*app_, "http:///");
  EXPECT_EQ(platform_.journal.back(), "controls script WriteMsg('Kitebrook')");
  EXPECT_TRUE(app_->state().control_bar_title_mode);
}

using WindowLayout = AppTest;

TEST_F(WindowLayout, TheDesignIsRecordedBeforeMaximizingAndEveryResizeRescalesFromIt) {
  start();
  StandInWindow& window = platform_.window();
  StandInForm& form = window.layout_form;
  ASSERT_TRUE(window.maximized);
  ASSERT_EQ(form.height_twips, 12000);
  // The load's own layout only settles the recording; the maximized size
  // reaches the controls with the resize that maximizing raises.
  EXPECT_EQ(form.prop(0, "Height"), 855);
  window.events.Form_Resize();
  // Scaled from the designed 6655 x 6450 twips (caption included) to the
  // screen: the client height goes from 6255 to 11600 twips.
  EXPECT_EQ(form.prop(0, "Height"), 1585);
  EXPECT_EQ(form.prop(1, "Width"), 19333);

  form.height_twips = 6655;
  form.width_twips = 6450;
  window.events.Form_Resize();
  EXPECT_EQ(form.prop(0, "Height"), 855);
  EXPECT_EQ(form.prop(1, "Width"), 6495);

  // A window loaded anew records its own design.
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  ASSERT_EQ(platform_.windows.size(), 2u);
  platform_.window().events.Form_Resize();
  EXPECT_EQ(platform_.window().layout_form.prop(0, "Height"), 1585);
}

}  // namespace
}  // namespace kb::testing
