#include "common/kb_error.h"
#include "config/password_hash.h"
#include "config_test_fixture.h"

namespace kbtest {
namespace {

using KBConfigIO::check_password;
using KBConfigIO::PasswordCheck;
using KBConfigIO::updatepwd;
using KBConfigIO::updatesettings;

TEST_F(ConfigTest, EditIdsTakeTheLeadingNumberRoundedHalvesToEven) {
  const struct {
    const char* text;
    std::int16_t id;
  } cases[] = {{"7", 7}, {"", 0}, {"2.5", 2}, {"3.5", 4}, {" 12abc", 12}, {"-3", -3}};
  for (const auto& c : cases) {
    KBConfigIO::setuserglobals(edit_, c.text);
    KBConfigIO::setsiteglobals(edit_, c.text);
    EXPECT_EQ(edit_.edit_user_id, c.id) << c.text;
    EXPECT_EQ(edit_.edit_site_id, c.id) << c.text;
  }
  KBConfigIO::setuserglobals(edit_, "5");
  EXPECT_THROW(KBConfigIO::setuserglobals(edit_, "32768"), kb::Error);
  EXPECT_THROW(KBConfigIO::setsiteglobals(edit_, "1e9"), kb::Error);
  EXPECT_EQ(edit_.edit_user_id, 5);
  EXPECT_EQ(edit_.edit_site_id, -3);
  KBConfigIO::clearuserglobals(edit_);
  KBConfigIO::clearsiteglobals(edit_);
  EXPECT_EQ(edit_.edit_user_id, 0);
  EXPECT_EQ(edit_.edit_site_id, 0);
}

TEST_F(ConfigTest, PasswordIsReplacedInPlaceOrAdded) {
  write(kSmallConfig);
  updatepwd(path_, "kite <&> 'x'", box_);
  // The file keeps a salted hash that the password checks against, never the text.
  const std::string stored = texts("/KBConfig/Settings/*[1]");
  EXPECT_EQ(stored.rfind("$argon2id$", 0), 0u);
  EXPECT_EQ(check_password(stored, "kite <&> 'x'"), PasswordCheck::Correct);
  EXPECT_EQ(check_password(stored, "kite <&> 'X'"), PasswordCheck::Wrong);
  updatepwd(path_, "kite <&> 'x'", box_);
  EXPECT_NE(texts("/KBConfig/Settings/Pwd"), stored);
  updatepwd(path_, "", box_);
  EXPECT_EQ(child_names("/KBConfig/Settings"), "Pwd|PrintAllowed|PrintLimit|PwdExit");
  EXPECT_EQ(texts("/KBConfig/Settings/Pwd"), "");

  write("<KBConfig><Settings><PwdExit>No</PwdExit></Settings></KBConfig>");
  updatepwd(path_, "a", box_);
  EXPECT_EQ(child_names("/KBConfig/Settings"), "PwdExit|Pwd");
  write("<KBConfig><Users/></KBConfig>");
  updatepwd(path_, "b", box_);
  EXPECT_EQ(check_password(texts("/KBConfig/*[2]/Pwd"), "b"), PasswordCheck::Correct);
  EXPECT_TRUE(box_.shown.empty());

  fs::remove(path_);
  updatepwd(path_, "c", box_);
  EXPECT_EQ(box_.shown, std::vector<std::string>{
                            "Error: Object variable or With block variable not set91Kitebrook"});
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ConfigTest, SettingsAreWrittenFromTheFlags) {
  write(kSmallConfig);
  updatesettings(path_, "0", "1", "anything", "5", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|Yes|5|No");
  updatesettings(path_, "-1", "0", "", "not read while printing is off", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|No|5|Yes");
  updatesettings(path_, " 2 ", "1e0", "", "32767", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|Yes|32767|Yes");
  EXPECT_TRUE(box_.shown.empty());
}

TEST_F(ConfigTest, SettingsFailuresChangeNothing) {
  write(kSmallConfig);
  updatesettings(path_, "yes", "1", "", "5", box_);
  updatesettings(path_, "1", "", "", "5", box_);
  // A limit start-up could not read is never stored.
  for (const char* pages : {"", "abc", "5 pages", "2.5", "-1", "32768"})
    updatesettings(path_, "1", "1", "", pages, box_);
  EXPECT_EQ(read(), kSmallConfig);
  ASSERT_EQ(box_.shown.size(), 8u);
  EXPECT_EQ(box_.shown[0], "error in updatesettings Type mismatch:13");
  EXPECT_EQ(box_.shown[7], "error in updatesettings Overflow:6");

  const std::string no_limit =
      "<KBConfig><Settings><PrintAllowed>No</PrintAllowed><PwdExit>No</PwdExit></Settings></"
      "KBConfig>";
  write(no_limit);
  updatesettings(path_, "1", "1", "", "5", box_);
  EXPECT_EQ(read(), no_limit);
  updatesettings(path_, "1", "0", "", "5", box_);  // the limit is not needed
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "No|Yes");
  fs::remove(path_);
  updatesettings(path_, "1", "0", "", "5", box_);
  EXPECT_EQ(box_.shown.back(),
            "error in updatesettings Object variable or With block variable not set:91");
  EXPECT_EQ(box_.shown.size(), 10u);
}

}  // namespace
}  // namespace kbtest
