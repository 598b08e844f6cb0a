#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bridge/page_loader.h"
#include "common/kb_error.h"
#include "shell/start_options.h"
#include "support/app_fixture.h"
#include "support/environment_kept.h"

namespace kb::testing {
namespace {

using StartUp = AppTest;

const std::string kNotSet =
    "error in init_globals Object variable or With block variable not set: 91";

// Each configuration's first page, message and settings read (title mode, print allowed,
// print limit, password on exit, password). An empty text is a missing file.
TEST_F(StartUp, EachConfigurationShowsItsFirstPageAndReadsItsSettings) {
  const auto settings = [](const std::string& text) {
    return "<KBConfig><Settings>" + text +
           "</Settings><Users><User><Name>Mary</Name><Image/><ID>2</ID></User></Users>"
           "<WebSites/></KBConfig>";
  };
  const std::pair<std::string, std::string> rows[] = {
      {kTwoChildren, "SelectUser.htm||1 1 3 1 secret"},
      {"<KBConfig><Settings><Pwd/><PrintAllowed>No</PrintAllowed><PrintLimit>0</PrintLimit>"
       "<PwdExit>Yes</PwdExit></Settings><Users><User><Name>AllUsers</Name><Image/><ID>1</ID>"
       "</User></Users><WebSites/></KBConfig>",
       "SWelcome.html||1 0 0 1 "},
      // The page says what is wrong in plain words; no technical messages.
      {"", "RepairSettings.htm||1 0 0 1 "},
      {settings("<Pwd>pw</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>7abc</PrintLimit>"),
       "SelectUser.htm|" + kNotSet + "|1 1 7 1 pw"},
      {settings("<Pwd>pw</Pwd><PrintAllowed>yes</PrintAllowed><PrintLimit>40000</PrintLimit>"
                "<PwdExit>No</PwdExit>"),
       "SelectUser.htm|error in init_globals Overflow: 6|1 0 0 0 pw"},
      {settings("<Pwd></Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>2.5</PrintLimit>"
                "<PwdExit>No</PwdExit>"),
       "SelectUser.htm||1 1 2 0 "},
      {settings("<Pwd>x</Pwd><PrintAllowed>Yes</PrintAllowed><PrintLimit>3.5</PrintLimit>"
                "<PwdExit>Yes</PwdExit>"),
       "SelectUser.htm||1 1 4 1 x"},
      {settings("<PrintAllowed>Yes</PrintAllowed><PrintLimit></PrintLimit><PwdExit>No</PwdExit>"),
       "SelectUser.htm|" + kNotSet + "|1 1 0 0 "},
  };
  for (const auto& [config, expected] : rows) {
    SCOPED_TRACE(config);
    if (config.empty())
      std::filesystem::remove(folder_ / "Data" / "KBConfig.xml");
    else
      write_config(config);
    platform_.messages.texts.clear();
    new_app();
    start();
    const ProgramState& s = app_->state();
    EXPECT_EQ(start_state(), "started visible shown maximized splash unload");
    EXPECT_EQ(platform_.window().controls.location, page("KBControls.html"));
    EXPECT_EQ(web().location + "|" + messages() + "|" + std::to_string(s.control_bar_title_mode) +
                  " " + std::to_string(s.print_allowed) + " " + std::to_string(s.print_limit) +
                  " " + std::to_string(s.pwd_on_exit) + " " + s.config_pwd,
              page(expected));
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
  ASSERT_EQ(form.height_twips, 12000);
  // The load's own layout only settles the recording; the maximized size
  // reaches the controls with the resize that maximizing raises.
  EXPECT_EQ(form.prop(0, "Height"), 855);
  window.events.Form_Resize();
  // From the designed 6655 x 6450 twips (caption included) to the screen.
  EXPECT_EQ(form.prop(0, "Height"), 1585);
  EXPECT_EQ(form.prop(1, "Width"), 19333);

  // A window loaded anew records its own design.
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  ASSERT_EQ(platform_.windows.size(), 2u);
  platform_.window().events.Form_Resize();
  EXPECT_EQ(platform_.window().layout_form.prop(0, "Height"), 1585);
}

namespace fs = std::filesystem;

const auto& write = kbtest::write_file;
const auto& read = kbtest::read_file;

TEST(ProgramFolders, AProgramBesideItsPagesKeepsEverythingInItsOwnFolderAnInstalledOneApart) {
  const kbtest::EnvironmentKept kept{"XDG_DATA_HOME", "HOME"};
  const kbtest::TempFolder temp{"kb_folders"};
  const fs::path root = temp.path();
  ::setenv("XDG_DATA_HOME", (root / "home" / "data").c_str(), 1);
  // The pages, the state folder, the configuration and the machine-wide hive, under root.
  const auto where = [&](const ProgramFolders& f) {
    std::string text;
    for (const fs::path& p : {f.pages(), f.state(), f.config_file(), f.hive_files().hklm})
      text += " " + p.lexically_relative(root).string();
    return text;
  };
  const auto options = [](const std::vector<std::string>& arguments, const char* variable) {
    const StartOptions o = read_start_options(arguments, variable);
    return o.state_folder.value_or("none").string() + (o.whole_session ? " whole" : "") +
           (o.help ? " help" : "");
  };
  EXPECT_EQ(options({}, nullptr), "none");
  EXPECT_EQ(options({"--whole-session"}, "/var/lib/kitebrook"), "/var/lib/kitebrook whole");
  EXPECT_EQ(options({"--state-folder", "/srv/family/"}, "/var/lib/kitebrook"), "/srv/family/");
  EXPECT_EQ(options({"--state-folder=/srv/kb"}, ""), "/srv/kb");
  EXPECT_EQ(options({"--state-folder=family/../kb"}, nullptr),
            (fs::current_path() / "kb").string());
  EXPECT_EQ(options({"--help"}, nullptr), "none help");
  for (const char* wrong : {"--state-folder", "--state-folder=", "--fullscreen"})
    EXPECT_THROW(read_start_options({wrong}, nullptr), Error) << wrong;

  SCOPED_TRACE("a program beside its pages keeps everything in its own folder");
  write(root / "build" / "Data" / "SelectUser.htm", "<p>pick</p>");
  const ProgramFolders beside = locate_folders(root / "build", {});
  EXPECT_EQ(where(beside), " build/Data build build/Data/KBConfig.xml build/Registry/HKLM.sqlite");
  EXPECT_EQ(beside.page("SelectUser.htm"), (root / "build" / "Data" / "SelectUser.htm").string());
  StartOptions shared;
  shared.state_folder = root / "family";
  EXPECT_EQ(locate_folders(root / "build", shared).state(), root / "family");

  SCOPED_TRACE("an installed program reads share and writes in the account's data home");
  const fs::path share = root / "usr" / "share" / "kitebrook", bin = root / "usr" / "bin";
  write(share / "SelectUser.htm", "<p>pick</p>");
  write(share / "default" / "KBConfig.xml", "<KBConfig>shipped</KBConfig>");
  fs::create_directories(bin);
  EXPECT_EQ(where(locate_folders(bin, {})),
            " usr/share/kitebrook home/data/kitebrook home/data/kitebrook/Data/KBConfig.xml "
            "home/data/kitebrook/Registry/HKLM.sqlite");
  // A family's shared folder takes the configuration and the machine-wide
  // hives; the account's own hive stays the account's.
  shared.state_folder = root / "var" / "kitebrook";
  EXPECT_EQ(where(locate_folders(bin, shared)),
            " usr/share/kitebrook var/kitebrook var/kitebrook/Data/KBConfig.xml "
            "var/kitebrook/Registry/HKLM.sqlite");
  for (const StartOptions& options : {StartOptions{}, shared})
    EXPECT_EQ(locate_folders(bin, options).hive_files().hkcu,
              root / "home" / "data" / "kitebrook" / "Registry" / "HKCU.sqlite");

  SCOPED_TRACE("the first start copies the shipped configuration and never replaces one");
  const ProgramFolders folders = locate_folders(bin, {});
  folders.prepare_state();
  EXPECT_EQ(read(folders.config_file()), "<KBConfig>shipped</KBConfig>");

  write(folders.config_file(), "<KBConfig>the parent's</KBConfig>");
  folders.prepare_state();
  EXPECT_EQ(read(folders.config_file()), "<KBConfig>the parent's</KBConfig>");

  // A configuration spelt in another letter case is the parent's too.
  const ProgramFolders other = folders.with_state(root / "other");
  write(root / "other" / "Data" / "kbconfig.XML", "<KBConfig>copied</KBConfig>");
  other.prepare_state();
  EXPECT_FALSE(fs::exists(root / "other" / "Data" / "KBConfig.xml"));
  EXPECT_EQ(read(other.config_file()), "<KBConfig>copied</KBConfig>");

  // Only files inside the pages folder are host pages.
  for (const std::string& inside :
       {share.string() + "/SelectUser.htm", share.string() + "/Images/../KBConfigmain.htm"})
    EXPECT_TRUE(folders.is_host_page(inside)) << inside;
  for (const std::string& outside :
       {share.string(), share.string() + "/../kitebrook-evil/SelectUser.htm",
        share.string() + "-evil/SelectUser.htm", folders.state().string() + "/Data/KBConfig.xml",
        "http://example.com" + share.string() + "/SelectUser.htm", std::string()})
    EXPECT_FALSE(folders.is_host_page(outside)) << outside;

  // Without the shipped file the start fails rather than run on nothing.
  fs::remove(share / "default" / "KBConfig.xml");
  EXPECT_THROW(folders.with_state(root / "third").prepare_state(), Error);

  // A relative data home does not count, by the XDG rules.
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  ::setenv("HOME", (root / "home").c_str(), 1);
  EXPECT_EQ(locate_folders(bin, {}).state(), root / "home" / ".local" / "share" / "kitebrook");

  fs::remove_all(root / "usr" / "share");
  EXPECT_THROW(locate_folders(bin, {}), Error);
}

using InstalledApp = AppTest;

TEST_F(InstalledApp, PagesComeFromTheInstallationAndFilesGoToTheStateFolder) {
  folders_ = ProgramFolders::installed(folder_ / "share", folder_ / "share" / "default.xml",
                                       folder_ / "state", folder_ / "state" / "HKCU.sqlite");
  write(folder_ / "share" / "default.xml", kTwoChildren);
  folders_.prepare_state();
  new_app();
  start();
  EXPECT_EQ(web().location, (folder_ / "share" / "SelectUser.htm").string());
  web().functions["document.getElementById"] = [](const std::string&) {
    return std::string("<KBConfig><Users/></KBConfig>");
  };
  const auto save_from = [&](const fs::path& sender) {
    platform_.window().events.web_BeforeNavigate2(
        page_navigation("VBCONTAINER:SAVE_CONFIG_FILE(x,Saved.xml)", sender.string()));
  };
  // A file named like a page but lying in the state folder is not a page of ours.
  save_from(folder_ / "state" / "Data" / "KBConfigmain.htm");
  EXPECT_FALSE(fs::exists(folder_ / "state" / "Data" / "Saved.xml"));
  save_from(folder_ / "share" / "KBConfigmain.htm");
  EXPECT_NE(read(folder_ / "state" / "Data" / "Saved.xml").find("<Users"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder_ / "share" / "Saved.xml"));
  EXPECT_TRUE(platform_.messages.texts.empty());
}

}  // namespace
}  // namespace kb::testing
