#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "e2e/e2e_fixture.h"
#include "shell/start_options.h"

namespace kb::testing {
namespace {

namespace fs = std::filesystem;

// The real program on the real engine, laid out as the installation in
// KB_INSTALLED_BIN finds itself: its pages in that installation's
// share/kitebrook, its state in the account's data home (XDG_DATA_HOME,
// which the test command points at a temporary folder).
class InstalledProgram : public E2ETest {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("KB_INSTALLED_BIN");
    ASSERT_NE(bin, nullptr) << "KB_INSTALLED_BIN names the installed program's folder";
    folders_ = locate_folders(bin, {});
    folder_ = folders_.state();
    ASSERT_NE(folder_.string().find("kitebrook"), std::string::npos);
    fs::remove_all(folder_);
    folders_.prepare_state();
    build_program();
  }
};

TEST_F(InstalledProgram, AChildBrowsesAndAParentChangesTheSetUpWithTheStateApartFromThePages) {
  // The first start gave the state folder the shipped configuration; the
  // pages, read from the installation, show its welcome.
  EXPECT_EQ(folders_.config_file(), folder_ / "Data" / "KBConfig.xml");
  EXPECT_FALSE(fs::exists(folders_.pages() / "KBConfig.xml"));
  start();
  ASSERT_TRUE(wait_for_web(page("SWelcome.html")));
  EXPECT_EQ(page("SWelcome.html").rfind(folders_.pages().string(), 0), 0u);
  restart();

  // A family's configuration: the child sees its sites and visits one.
  site_->add_page("/zoo.html", "<html><body>zoo</body></html>");
  write_config(two_children_config());
  start();
  choose_child("Mary");
  ASSERT_TRUE(start_page_shows("1,2"));
  click_site(1);
  ASSERT_TRUE(wait_for_web(site_->url("/zoo.html")));
  EXPECT_EQ(caption(), "Mary'sKitebrook--" + site_->url("/zoo.html"));
  // Only the host's pages are told where the configuration is.
  EXPECT_EQ(web_js("typeof window.kbConfigUrl"), "undefined");

  // The parent withdraws Music from Mary; the change lands in the state folder.
  open_parents_pages("secret");
  ASSERT_TRUE(has_element("site-2-user-2"));
  click("site-2-user-2");
  ASSERT_TRUE(prop_becomes("site-2-user-2", "checked", "false"));
  click("exit-config");
  ASSERT_TRUE(start_page_shows("1"));
  EXPECT_TRUE(messages_.texts.empty()) << messages_.texts.front();
}

}  // namespace
}  // namespace kb::testing
