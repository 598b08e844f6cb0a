#include <gtest/gtest.h>

#include "bridge/page_loader.h"
#include "support/app_fixture.h"

namespace kb::testing {
namespace {

using StartUp = AppTest;

const char* kNotSet = "error in init_globals Object variable or With block variable not set: 91";

// Each configuration's first page and title, the settings read (print
// allowed, print limit, password on exit, password) and the one message a
// bad setting gives, the others still read. An empty text is a missing file.
TEST_F(StartUp, EachConfigurationShowsItsFirstPageAndReadsItsSettings) {
  const std::string mary =
      "</Settings><Users><User><Name>Mary</Name><Image/><ID>2</ID></User></Users><WebSites/>"
      "</KBConfig>";
  const auto settings = [&](const std::string& text) {
    return "<KBConfig><Settings>" + text + mary;
  };
  struct Row {
    std::string config;
    const char* page;
    const char* title;
    const char* message;
    const char* read;
  };
  const Row rows[] = {
      {kTwoChildren, "SelectUser.htm", "Select a User to Begin", "", "1 1 3 1 secret"},
      {"<KBConfig><Settings><Pwd/><PrintAllowed>No</PrintAllowed><PrintLimit>0</PrintLimit>"
       "<PwdExit>Yes</PwdExit></Settings><Users><User><Name>AllUsers</Name><Image/><ID>1</ID>"
       "</User></Users><WebSites/></KBConfig>",
       "SWelcome.html", "Kitebrook Configuration", "", "1 0 0 1 "},
      // The page says what is wrong in plain words; no technical messages.
      {"", "RepairSettings.htm", nullptr, "", "1 0 0 1 "},
      {settings("<Pwd>pw</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>7abc</PrintLimit>"),
       "SelectUser.htm", nullptr, kNotSet, "1 1 7 1 pw"},
      {settings("<Pwd>pw</Pwd><PrintAllowed>yes</PrintAllowed><PrintLimit>40000</PrintLimit>"
                "<PwdExit>No</PwdExit>"),
       "SelectUser.htm", nullptr, "error in init_globals Overflow: 6", "1 0 0 0 pw"},
      {settings("<Pwd></Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>2.5</PrintLimit>"
                "<PwdExit>No</PwdExit>"),
       "SelectUser.htm", nullptr, "", "1 1 2 0 "},
      {settings("<Pwd>x</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>3.5</PrintLimit>"
                "<PwdExit>Yes</PwdExit>"),
       "SelectUser.htm", nullptr, "", "1 1 4 1 x"},
      {settings("<PrintAllowed>Yes</PrintAllowed><PrintLimit></PrintLimit><PwdExit>No</PwdExit>"),
       "SelectUser.htm", nullptr, kNotSet, "1 1 0 0 "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.config);
    if (row.config.empty())
      std::filesystem::remove(folder_ / "Data" / "KBConfig.xml");
    else
      write_config(row.config);
    platform_.messages.texts.clear();
    new_app();
    const std::size_t mark = platform_.journal.size();
    start();
    const ProgramState& s = app_->state();
    EXPECT_EQ(start_state(), "started visible shown maximized splash unload");
    EXPECT_EQ(web().location + " " + platform_.window().controls.location,
              page(row.page) + " " + page("KBControls.html"));
    if (row.title) {
      EXPECT_EQ(journal_lines("controls script", mark),
                "controls script WriteMsg('" + std::string(row.title) + "')");
    }
    EXPECT_EQ(messages(), row.message);
    EXPECT_EQ(std::to_string(s.control_bar_title_mode) + " " + std::to_string(s.print_allowed) +
                  " " + std::to_string(s.print_limit) + " " + std::to_string(s.pwd_on_exit) + " " +
                  s.config_pwd,
              row.read);
  }

  SCOPED_TRACE("the platform's splash and tasks outlive the program that loaded them");
  app_->set_splash_visible(true);
  ASSERT_TRUE(platform_.splash_loaded);
  app_.reset();
  EXPECT_FALSE(platform_.splash_loaded);
  new_app();
  app_->Main();
  app_.reset();
  const std::size_t before = platform_.journal.size();
  platform_.run_soon_tasks();
  EXPECT_EQ(platform_.journal.size(), before) << platform_.journal.back();
}

// Ticks that come early or twice make one start and one window; a splash
// shown again is only closed by its tick.
TEST_F(StartUp, ATickDuringTheStartNeitherRestartsNorNests) {
  int nested_ticks = 0;
  platform_.on_event_step = [&] {
    if (nested_ticks++ == 0) app_->Timer1_Timer();
  };
  start();
  app_->set_splash_visible(true);
  app_->Timer1_Timer();
  EXPECT_EQ(journal_lines("create main window"), "create main window");
  EXPECT_EQ(platform_.journal.back(), "splash unload");

  SCOPED_TRACE("a tick while the start is prepared finishes it once the page is up");
  new_app();
  const std::size_t mark = platform_.journal.size();
  nested_ticks = 0;
  platform_.on_event_step = [&] {
    if (nested_ticks++ > 0) return;
    app_->Timer1_Timer();
    EXPECT_FALSE(app_->state().start_done);
  };
  app_->Main();
  platform_.run_soon_tasks();
  EXPECT_EQ(start_state(), "started visible shown maximized splash unload");
  EXPECT_EQ(journal_lines("c", mark), "create main window|controls navigate " +
                                          page("KBControls.html") +
                                          "|controls script WriteMsg('Select a User to Begin')");
}

// A start prepared behind the splash shows the window and the messages at
// the tick, in their order: a print limit out of range makes the settings
// complain, a control bar without its functions makes the page loader complain.
TEST_F(StartUp, AScriptCallIntoAPageWithoutTheFunctionIsReported) {
  write_config(
      std::string(kTwoChildren)
          .replace(std::string(kTwoChildren).find("<PrintLimit>3"), 13, "<PrintLimit>40000"));
  platform_.on_new_window = [](StandInWindow& w) { w.controls.functions.clear(); };
  app_->Main();
  platform_.run_soon_tasks();  // the splash shows; the window is built behind it
  EXPECT_EQ(start_state(), "maximized controls script WriteMsg('Select a User to Begin')");
  EXPECT_EQ(messages(), "");

  app_->Timer1_Timer();
  EXPECT_EQ(messages(),
            "error in init_globals Overflow: 6|"
            "Error in load_control_msgReferenceError: Can't find variable: WriteMsg");
  EXPECT_EQ(start_state(), "started visible shown maximized splash unload");
  EXPECT_EQ(journal_lines("create main window"), "create main window");
  // Messages after the start go straight to the person again.
  KBVBHTMLInterfaces::load_controls(*app_);
  EXPECT_EQ(platform_.messages.texts.back(),
            "Error in load_controlsReferenceError: Can't find variable: LoadControls");
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

  // A window loaded anew records its own design.
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  ASSERT_EQ(platform_.windows.size(), 2u);
  platform_.window().events.Form_Resize();
  EXPECT_EQ(platform_.window().layout_form.prop(0, "Height"), 1585);
}

}  // namespace
}  // namespace kb::testing
