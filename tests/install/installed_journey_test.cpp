#include "e2e/e2e_fixture.h"
#include "shell/start_options.h"

namespace kb::testing {
namespace {

// The installation in KB_INSTALLED_BIN, its state in XDG_DATA_HOME (a new temporary folder).
class InstalledProgram : public E2ETest {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("KB_INSTALLED_BIN");
    ASSERT_NE(bin, nullptr) << "KB_INSTALLED_BIN names the installed program's folder";
    folders_ = locate_folders(bin, {});
    folder_ = folders_.state();
    folders_.prepare_state();
    build_program();
  }
};

TEST_F(InstalledProgram, AParentChangesTheSetUpWithTheStateApartFromThePages) {
  visit_zoo("zoo");
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
