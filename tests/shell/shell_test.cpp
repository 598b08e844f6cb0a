#include <gtest/gtest.h>

#include <array>

#include "bridge/page_loader.h"
#include "shell/command_sender.h"
#include "shell/start_options.h"
#include "support/app_fixture.h"
#include "support/environment_kept.h"
#include "visits/local_days.h"

namespace kb::testing {
namespace {

namespace fs = std::filesystem;
using StartUp = AppTest;
using NavigationFilter = AppTest;

const std::string kNotSet =
    "error in init_globals Object variable or With block variable not set: 91";

// Settings read: title mode, print allowed, print limit, password on exit, password.
TEST_F(StartUp, EachConfigurationShowsItsFirstPageAndReadsItsSettings) {
  const auto config = [](std::array<std::string, 4> values, const std::string& user = "Mary") {
    const char* names[] = {"Pwd", "PrintAllowed", "PrintLimit", "PwdExit"};
    std::string text = "<KBConfig><Settings>";
    for (int i = 0; i < 4; ++i)
      if (values[i] != "-")
        text += "<" + std::string(names[i]) + ">" + values[i] + "</" + names[i] + ">";
    return text + "</Settings><Users><User><Name>" + user +
           "</Name><Image/><ID>2</ID></User></Users><WebSites/></KBConfig>";
  };
  const std::pair<std::string, std::string> rows[] = {
      {kTwoChildren, "SelectUser.htm||1 1 3 1 secret"},
      {config({"", "No", "0", "Yes"}, "AllUsers"), "SWelcome.html||1 0 0 1 "},
      {"", "RepairSettings.htm||1 0 0 1 "},  // in plain words, no technical message
      {config({"pw", "Yes", "7abc", "-"}), "SelectUser.htm|" + kNotSet + "|1 1 7 1 pw"},
      {config({"pw", "yes", "40000", "No"}),
       "SelectUser.htm|error in init_globals Overflow: 6|1 0 0 0 pw"},
      {config({"", "Yes", "2.5", "No"}), "SelectUser.htm||1 1 2 0 "},
      {config({"x", "Yes", "3.5", "Yes"}), "SelectUser.htm||1 1 4 1 x"},
      {config({"-", "Yes", "", "No"}), "SelectUser.htm|" + kNotSet + "|1 1 0 0 "},
  };
  for (const auto& [text, expected] : rows) {
    SCOPED_TRACE(text);
    write_config(text);
    if (text.empty()) fs::remove(folder_ / "Data" / "KBConfig.xml");
    platform_.messages.texts.clear();
    new_app();
    start();
    const ProgramState& s = app_->state();
    EXPECT_EQ(start_state() + "|" + web().location + "|" + messages() + "|" +
                  std::to_string(s.control_bar_title_mode) + " " + std::to_string(s.print_allowed) +
                  " " + std::to_string(s.print_limit) + " " + std::to_string(s.pwd_on_exit) + " " +
                  s.config_pwd,
              "started visible shown maximized splash unload|" + page(expected));
  }
}

TEST_F(StartUp, TheStartBuildsOneLaidOutWindowAndTicksNeitherRestartNorNestIt) {
  int nested_ticks = 0;
  platform_.on_event_step = [&] {
    if (nested_ticks++ == 0) app_->Timer1_Timer();
  };
  app_->Main();
  platform_.run_soon_tasks();
  EXPECT_EQ(start_state(), "started visible shown maximized splash unload");
  EXPECT_EQ(journal_lines("c"), "create main window|controls navigate " + page("KBControls.html") +
                                    "|controls script WriteMsg('Select a User to Begin')");

  EXPECT_EQ(platform_.window().layout_form.prop(0, "Height"), 855);
  events().Form_Resize();
  EXPECT_EQ(platform_.window().layout_form.prop(0, "Height"), 1815);
  send_from_web("VBCONTAINER:STARTFORUSER(Mary)");
  events().Form_Resize();
  EXPECT_EQ(platform_.window().layout_form.prop(0, "Height"), 1815);

  const std::size_t mark = platform_.journal.size();
  app_->set_splash_visible(true);
  app_->Timer1_Timer();
  app_->set_splash_visible(true);
  new_app();
  app_->Main();
  app_.reset();
  platform_.run_soon_tasks();
  EXPECT_EQ(journal_lines("", mark),
            "splash load|splash visible|splash unload|splash load|splash visible|splash unload|"
            "splash load|splash unload");
}

TEST_F(StartUp, AScriptCallIntoAPageWithoutTheFunctionIsReported) {
  std::string config = kTwoChildren;
  write_config(config.replace(config.find("<PrintLimit>3"), 13, "<PrintLimit>40000"));
  platform_.on_event_step = [&] { platform_.window().controls.functions.clear(); };
  app_->Main();
  platform_.run_soon_tasks();  // the splash shows; the window is built behind it
  EXPECT_EQ(start_state() + "|" + messages(),
            "maximized controls script WriteMsg('Select a User to Begin')|");
  app_->Timer1_Timer();
  EXPECT_EQ(start_state() + "|" + messages(),
            "started visible shown maximized splash unload|error in init_globals Overflow: 6|"
            "Error in load_control_msgReferenceError: Can't find variable: WriteMsg");
  KBVBHTMLInterfaces::load_controls(*app_);
  EXPECT_EQ(platform_.messages.texts.back(),
            "Error in load_controlsReferenceError: Can't find variable: LoadControls");
}

TEST_F(StartUp, TitleModeFollowsTheHostPagesAndTheChildsPages) {
  start();
  // A host page in another letter case is an ordinary page; "http:///" takes the program's name.
  KBVBHTMLInterfaces::load_page(*app_, folder_.string() + "/data/SELECTUSER.HTM");
  EXPECT_EQ(platform_.journal.back(), "controls script LoadControls('1','1','1','1','1','1')");
  KBVBHTMLInterfaces::load_page(*app_, "http://example.org/");
  EXPECT_EQ(platform_.journal.back(), "web navigate http://example.org/");
  KBVBHTMLInterfaces::load_page(*app_, "http:///");
  EXPECT_EQ(platform_.journal.back(), "controls script WriteMsg('Kitebrook')");
}

TEST_F(StartUp, AProgramBesideItsPagesKeepsEverythingInItsOwnFolderAnInstalledOneApart) {
  const kbtest::EnvironmentKept kept{"XDG_DATA_HOME", "HOME"};
  ::setenv("XDG_DATA_HOME", (folder_ / "home" / "data").c_str(), 1);
  const auto where = [&](const ProgramFolders& f) {
    std::string text;
    for (const fs::path& p : {f.pages(), f.state(), f.config_file(), f.hive_files().hklm})
      text += " " + p.lexically_relative(folder_).string();
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

  kbtest::write_file(folder_ / "build" / "Data" / "SelectUser.htm", "<p>pick</p>");
  EXPECT_EQ(where(locate_folders(folder_ / "build", {})),
            " build/Data build build/Data/KBConfig.xml build/Registry/HKLM.sqlite");
  StartOptions shared{.state_folder = folder_ / "family"};
  EXPECT_EQ(locate_folders(folder_ / "build", shared).state(), folder_ / "family");

  const fs::path share = folder_ / "usr" / "share" / "kitebrook", bin = folder_ / "usr" / "bin";
  kbtest::write_file(share / "SelectUser.htm", "<p>pick</p>");
  kbtest::write_file(share / "default" / "KBConfig.xml", "<KBConfig>shipped</KBConfig>");
  fs::create_directories(bin);
  EXPECT_EQ(where(locate_folders(bin, {})),
            " usr/share/kitebrook home/data/kitebrook home/data/kitebrook/Data/KBConfig.xml "
            "home/data/kitebrook/Registry/HKLM.sqlite");
  shared.state_folder = folder_ / "var" / "kitebrook";
  EXPECT_EQ(where(locate_folders(bin, shared)),
            " usr/share/kitebrook var/kitebrook var/kitebrook/Data/KBConfig.xml "
            "var/kitebrook/Registry/HKLM.sqlite");
  for (const StartOptions& options : {StartOptions{}, shared})
    EXPECT_EQ(locate_folders(bin, options).hive_files().hkcu,
              folder_ / "home" / "data" / "kitebrook" / "Registry" / "HKCU.sqlite");

  const ProgramFolders folders = locate_folders(bin, {});
  folders.prepare_state();
  EXPECT_EQ(kbtest::read_file(folders.config_file()), "<KBConfig>shipped</KBConfig>");
  kbtest::write_file(folders.config_file(), kTwoChildren);
  folders.prepare_state();
  EXPECT_EQ(kbtest::read_file(folders.config_file()), kTwoChildren);
  const ProgramFolders other = folders.with_state(folder_ / "other");
  kbtest::write_file(folder_ / "other" / "Data" / "kbconfig.XML", "<KBConfig>copied</KBConfig>");
  other.prepare_state();
  EXPECT_EQ(kbtest::read_file(other.config_file()), "<KBConfig>copied</KBConfig>");

  folders_ = folders;
  new_app();
  start();
  EXPECT_EQ(web().location, share.string() + "/SelectUser.htm");
  web().functions["document.getElementById"] = [](const std::string&) {
    return std::string("<KBConfig><Users/></KBConfig>");
  };
  events().web_BeforeNavigate2(page_navigation("VBCONTAINER:SAVE_CONFIG_FILE(x,Saved.xml)",
                                               share.string() + "/KBConfigmain.htm"));
  EXPECT_NE(kbtest::read_file(folders.state() / "Data" / "Saved.xml").find("<Users"),
            std::string::npos);
  EXPECT_EQ(messages(), "");

  for (const std::string& inside :
       {share.string() + "/SelectUser.htm", share.string() + "/Images/../KBConfigmain.htm"})
    EXPECT_TRUE(folders.is_host_page(inside)) << inside;
  for (const std::string& outside :
       {share.string(), share.string() + "/../kitebrook-evil/SelectUser.htm",
        share.string() + "-evil/SelectUser.htm", folders.state().string() + "/Data/KBConfig.xml",
        "http://example.com" + share.string() + "/SelectUser.htm",
        "file://" + share.string() + "/SelectUser.htm", std::string()})
    EXPECT_FALSE(folders.is_host_page(outside)) << outside;

  fs::remove(share / "default" / "KBConfig.xml");
  EXPECT_THROW(folders.with_state(folder_ / "third").prepare_state(), Error);
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  ::setenv("HOME", (folder_ / "home").c_str(), 1);
  EXPECT_EQ(locate_folders(bin, {}).state(), folder_ / "home" / ".local" / "share" / "kitebrook");
  fs::remove_all(folder_ / "usr" / "share");
  EXPECT_THROW(locate_folders(bin, {}), Error);
}

TEST_F(NavigationFilter, CaptionNamesTheUserAndTheAddress) {
  start();
  const auto caption_at = [&](const std::string& url) {
    send_from_web(url);
    return platform_.window().caption();
  };
  EXPECT_EQ(caption_at("http://a.example/"), "Kitebrook--http://a.example/");
  send_from_web("VBCONTAINER:STARTFORUSER(Chris)");
  EXPECT_EQ(caption_at("http://b.example/"), "Chris'Kitebrook--http://b.example/");
  send_from_web("VBCONTAINER:STARTFORUSER(Sam)");
  EXPECT_EQ(caption_at("http://c.example/%20x"), "Sam'sKitebrook--http://c.example/%20x");
  EXPECT_EQ(caption_at("http:///"), "Sam'sKitebrook--http:///");
  // Malformed or unknown commands are cancelled and do nothing.
  const std::size_t mark = platform_.journal.size();
  for (const char* cancelled :
       {"http:///", "", "VBCONTAINER:GO_BACK", "VBCONTAINER:GO_BACK ()", "vbcontainer:NOSUCH(a)"})
    EXPECT_TRUE(send_from_web(cancelled)) << cancelled;
  EXPECT_EQ(platform_.journal.size(), mark);
  EXPECT_FALSE(send_from_web("HTTP:///"));
  // %20 becomes a space only from the content area.
  const auto user_after = [&](bool cancelled) {
    return app_->state().current_user + (cancelled ? "" : " not cancelled");
  };
  EXPECT_EQ(user_after(send_from_web("vbcontainer:startforuser(Mary%20Ann)")), "Mary Ann");
  EXPECT_EQ(user_after(send_from_controls("VBCONTAINER:STARTFORUSER(Mary%20Ann)")), "Mary%20Ann");
  EXPECT_EQ(user_after(send_from_controls("vbcontainer:startforuser(Zo%C3%AB)")), "Zo\xC3\xAB");
  EXPECT_FALSE(events().brwControls_BeforeNavigate2(page_navigation("http://d.example/", "")));
}

TEST_F(NavigationFilter, TheWizardMovesOnAfterItsTwoHandOverPages) {
  std::string config = kTwoChildren;
  write_config(config.replace(config.find("</WebSites>"), 0,
                              "<WebSite><Label>B</Label><Target>b</Target><ID>3</ID></WebSite>"
                              "<WebSite><Label>C</Label><Image>c.svg</Image><Target>c</Target>"
                              "<ID>4</ID></WebSite>"));
  start();
  events().web_NavigateComplete2(folder_.string() + "/DATA/Sresetpassword.htm");
  send_from_web("VBCONTAINER:UPDATEPWD(new)", "Sresetpassword.htm");
  EXPECT_TRUE(stored_password_is("new"));
  EXPECT_EQ(web().location, page("SAddUserHelp.html"));

  events().web_NavigateComplete2(page("Seditsettings.htm"));
  send_from_web("VBCONTAINER:UPDATESETTINGS(0,1,x,5)", "Seditsettings.htm");
  config = read_config();
  EXPECT_NE(config.find("<Image>c.svg</Image>"), std::string::npos);
  send_from_web("VBCONTAINER:CLEARSITEGLOBALS()", "Seditsettings.htm");
  EXPECT_EQ(read_config(), config);
  EXPECT_EQ(std::to_string(app_->state().edit.edit_site_id) + messages(), "2");
}

TEST(CommandSender, OnlyAHostPagesOwnNavigationCommands) {
  using R = NavigationRequest;
  const R script =
      page_navigation("vbcontainer:UPDATEPWD(x)", "/opt/kitebrook/Data/KBConfigmain.htm");
  const auto with = [](R request, auto field, auto value) {
    request.*field = value;
    return request;
  };
  const std::tuple<const char*, R, bool> rows[] = {
      {"a host page's script", script, true},
      {"a host page's link", with(script, &R::type, NavigationType::LinkClicked), true},
      {"a host page's form", with(script, &R::type, NavigationType::FormSubmitted), true},
      {"a redirect while a host page is shown",
       with(with(script, &R::is_redirect, true), &R::frame, NavigationFrame::Main), false},
      {"a redirect that still names the host page", with(script, &R::is_redirect, true), false},
      {"a history step", with(script, &R::type, NavigationType::BackForward), false},
      {"a reload", with(script, &R::type, NavigationType::Reload), false},
      {"a form sent again", with(script, &R::type, NavigationType::FormResubmitted), false},
      {"the program's own load", with(script, &R::by_program, true), false},
      {"a new window's first page", with(script, &R::new_window, true), false},
      {"no page at all", with(script, &R::sender_document, std::string()), false},
      {"a sender other than the page shown",
       with(script, &R::committed_document, std::string("http://site.example/page.html")), false},
  };
  for (const auto& [what, request, sent] : rows)
    EXPECT_EQ(sent_by_host_page(request, ProgramFolders::beside("/opt/kitebrook")), sent) << what;
}

// Which hosts match is the allow list's test. Mary (2) has Zoo (for everybody, with pictures from a
// second host) and Music; Chris (3) only Zoo.
TEST_F(NavigationFilter, AChildOpensOnlyItsOwnSitesAndTheParentApprovesOthersAfterThePassword) {
  std::string config = kTwoChildren;
  config.replace(config.find("</Settings>"), 0, "<StayOnSites>Yes</StayOnSites>");
  write_config(config.replace(config.find("</WebSite>"), 0,
                              "<AlsoAllow><Host>zoo-pictures.example</Host></AlsoAllow>"));
  start();
  const auto refused = [&](const std::string& child, const std::vector<std::string>& urls) {
    if (!child.empty()) send_from_web("vbcontainer:STARTFORUSER(" + child + ")");
    std::string text;
    for (const std::string& url : urls)
      if (send_from_web(url)) text += url + " ";
    return text;
  };
  EXPECT_EQ(refused("Mary", {"https://baby.zoo.example/", "https://zoo-pictures.example/1.jpg",
                             "http://www.music.example/other", page("UserStart.html"),
                             "http://musicbox.example/"}),
            "http://musicbox.example/ ");
  EXPECT_EQ(refused("Chris", {"http://zoo.example/", "http://music.example/songs"}),
            "http://music.example/songs ");

  const auto popup = [&](const std::string& shown, const std::string& url) {
    platform_.window().hidden.location = shown;
    const bool cancel = events().wbbrwnewhidden_BeforeNavigate2(page_navigation(url, ""));
    return std::string(cancel ? "cancel " : "") + web().location;
  };
  EXPECT_EQ(popup("http://x.example/", "http://x.example/"), "cancel " + page("NotOnList.html"));
  EXPECT_EQ(popup("http://zoo.example/a", "http://zoo.example/b"), page("NotOnList.html"));
  EXPECT_EQ(popup("http://zoo.example/a", "http://zoo.example/a"), "http://zoo.example/a");
  write_config(kTwoChildren);  // with the setting off every address loads
  EXPECT_EQ(refused("Mary", {"http://anywhere.example/"}), "");

  send_from_web("vbcontainer:SETALSOALLOW(2,Videos.Example. https://pics.example/x)");
  send_from_web("vbcontainer:SETALSOALLOW(2,ok.example bad<host)");
  EXPECT_EQ(platform_.messages.texts.size(), 1u);
  EXPECT_NE(read_config().find("<Host>videos.example</Host>"), std::string::npos);
  send_from_web("vbcontainer:ALWAYSALLOW(3,HTTP://Games.Example/play)");
  send_from_web("vbcontainer:UPDATESTAYONSITES(0)");
  EXPECT_NE(read_config().find("<StayOnSites>No</StayOnSites>"), std::string::npos);
  send_from_web("vbcontainer:UPDATESTAYONSITES(1)");
  EXPECT_EQ(refused("Chris", {"http://games.example/", "http://www.music.example/"}),
            "http://www.music.example/ ");

  const std::string museum = "http://museum.example/art";
  const auto ask_grown_up = [&](const std::string& pwd) {
    send_from_web("vbcontainer:ASKGROWNUP()", "NotOnList.html");
    const std::string asked = web().location;
    send_from_web("vbcontainer:PROCESS_PWD_ENTRY(" + pwd + ")", "password.htm");
    return asked + " " + web().location;
  };
  const auto refused_after = [&](const std::string& choice) {
    send_from_web("vbcontainer:APPROVEREFUSED(" + choice + ")", "Approve.html");
    return send_from_web(museum);
  };
  EXPECT_EQ(refused("Mary", {museum}), museum + " ");
  EXPECT_TRUE(refused_after("ALWAYS"));
  ask_grown_up("wrong");
  EXPECT_TRUE(refused_after("TODAY"));
  EXPECT_EQ(ask_grown_up("secret"), page("password.htm") + " " + page("Approve.html"));
  NavigationRequest back = page_navigation(page("Approve.html"), "", NavigationType::BackForward);
  EXPECT_FALSE(events().web_BeforeNavigate2(back));
  EXPECT_TRUE(refused_after("TODAY"));

  ask_grown_up("secret");
  back.by_program = true;
  back.type = NavigationType::Other;
  EXPECT_FALSE(events().web_BeforeNavigate2(back));
  EXPECT_FALSE(refused_after("Today"));
  EXPECT_EQ(web().location, museum);
  clock_.time = visits::next_local_midnight(clock_.time);
  EXPECT_TRUE(send_from_web(museum));
  clock_.time -= 1;
  EXPECT_FALSE(send_from_web(museum));

  app_->state().current_url = "http://zoo.example/";
  EXPECT_EQ(refused("Mary", {"http://no.example/"}), "http://no.example/ ");
  ask_grown_up("secret");
  send_from_web("vbcontainer:APPROVEREFUSED(NO)", "Approve.html");
  EXPECT_EQ(web().location, "http://zoo.example/");
  EXPECT_EQ(refused("", {"http://no.example/"}), "http://no.example/ ");
}

}  // namespace
}  // namespace kb::testing
