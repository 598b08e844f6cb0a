#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/kb_error.h"
#include "shell/start_options.h"
#include "support/app_fixture.h"

namespace kb::testing {
namespace {

namespace fs = std::filesystem;

const auto& write = kbtest::write_file;
const auto& read = kbtest::read_file;

// The account's data home and an installation under root_/usr with the pages
// and the shipped configuration.
class ProgramFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_DATA_HOME", (root_ / "home" / "data").c_str(), 1); }
  fs::path install() {
    const fs::path share = root_ / "usr" / "share" / "kitebrook";
    write(share / "SelectUser.htm", "<p>pick</p>");
    write(share / "default" / "KBConfig.xml", "<KBConfig>shipped</KBConfig>");
    fs::create_directories(root_ / "usr" / "bin");
    return root_ / "usr" / "bin";
  }
  // The pages, the state folder, the configuration and the machine-wide hive, under root_.
  std::string where(const ProgramFolders& f) const {
    std::string text;
    for (const fs::path& p : {f.pages(), f.state(), f.config_file(), f.hive_files().hklm})
      text += " " + p.lexically_relative(root_).string();
    return text;
  }

  kbtest::TempFolder temp_{"kb_folders"};
  const fs::path root_ = temp_.path();
};

TEST_F(ProgramFoldersTest, TheOptionWinsOverTheVariableAndFoldersAreMadeAbsolute) {
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
}

TEST_F(ProgramFoldersTest, AProgramBesideItsPagesKeepsEverythingInItsOwnFolderAnInstalledOneApart) {
  write(root_ / "build" / "Data" / "SelectUser.htm", "<p>pick</p>");
  const ProgramFolders beside = locate_folders(root_ / "build", {});
  EXPECT_EQ(where(beside), " build/Data build build/Data/KBConfig.xml build/Registry/HKLM.sqlite");
  EXPECT_EQ(beside.page("SelectUser.htm"), (root_ / "build" / "Data" / "SelectUser.htm").string());
  StartOptions shared;
  shared.state_folder = root_ / "family";
  EXPECT_EQ(locate_folders(root_ / "build", shared).state(), root_ / "family");

  SCOPED_TRACE("an installed program reads share and writes in the account's data home");
  const fs::path bin = install();
  EXPECT_EQ(where(locate_folders(bin, {})),
            " usr/share/kitebrook home/data/kitebrook home/data/kitebrook/Data/KBConfig.xml "
            "home/data/kitebrook/Registry/HKLM.sqlite");
  // A family's shared folder takes the configuration and the machine-wide
  // hives; the account's own hive stays the account's.
  shared.state_folder = root_ / "var" / "kitebrook";
  EXPECT_EQ(where(locate_folders(bin, shared)),
            " usr/share/kitebrook var/kitebrook var/kitebrook/Data/KBConfig.xml "
            "var/kitebrook/Registry/HKLM.sqlite");
  for (const StartOptions& options : {StartOptions{}, shared})
    EXPECT_EQ(locate_folders(bin, options).hive_files().hkcu,
              root_ / "home" / "data" / "kitebrook" / "Registry" / "HKCU.sqlite");

  // A relative data home does not count, by the XDG rules.
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  ::setenv("HOME", (root_ / "home").c_str(), 1);
  EXPECT_EQ(locate_folders(bin, {}).state(), root_ / "home" / ".local" / "share" / "kitebrook");

  fs::remove_all(root_ / "usr" / "share");
  EXPECT_THROW(locate_folders(bin, {}), Error);
}

TEST_F(ProgramFoldersTest, TheFirstStartCopiesTheShippedConfigurationAndNeverReplacesOne) {
  const ProgramFolders folders = locate_folders(install(), {});
  folders.prepare_state();
  EXPECT_EQ(read(folders.config_file()), "<KBConfig>shipped</KBConfig>");

  write(folders.config_file(), "<KBConfig>the parent's</KBConfig>");
  folders.prepare_state();
  EXPECT_EQ(read(folders.config_file()), "<KBConfig>the parent's</KBConfig>");

  // A configuration spelt in another letter case is the parent's too.
  const ProgramFolders other = folders.with_state(root_ / "other");
  write(root_ / "other" / "Data" / "kbconfig.XML", "<KBConfig>copied</KBConfig>");
  other.prepare_state();
  EXPECT_FALSE(fs::exists(root_ / "other" / "Data" / "KBConfig.xml"));
  EXPECT_EQ(read(other.config_file()), "<KBConfig>copied</KBConfig>");

  // Only files inside the pages folder are host pages.
  const std::string share = (root_ / "usr" / "share" / "kitebrook").string();
  for (const std::string& inside :
       {share + "/SelectUser.htm", share + "/Images/../KBConfigmain.htm"})
    EXPECT_TRUE(folders.is_host_page(inside)) << inside;
  for (const std::string& outside :
       {share, share + "/../kitebrook-evil/SelectUser.htm", share + "-evil/SelectUser.htm",
        folders.state().string() + "/Data/KBConfig.xml",
        "http://example.com" + share + "/SelectUser.htm", std::string()})
    EXPECT_FALSE(folders.is_host_page(outside)) << outside;

  // Without the shipped file the start fails rather than run on nothing.
  fs::remove(root_ / "usr" / "share" / "kitebrook" / "default" / "KBConfig.xml");
  EXPECT_THROW(folders.with_state(root_ / "third").prepare_state(), Error);
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
