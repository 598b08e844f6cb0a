#include "common/kb_error.h"
#include "config/password_hash.h"
#include "config_test_fixture.h"

namespace kbtest {
namespace {

using namespace KBConfigIO;

std::string users_with_ids(std::initializer_list<const char*> ids) {
  std::string users;
  for (const char* id : ids)
    users += std::string("<User><Name>u</Name><Image/><ID>") + id + "</ID></User>";
  return "<KBConfig><Settings/><Users>" + users + "</Users><WebSites/></KBConfig>";
}

TEST_F(ConfigTest, NewUserGoesLastWithOnePlusTheLargestLeadingNumber) {
  const struct {
    std::initializer_list<const char*> ids;
    const char* expected;
  } cases[] = {{{}, "1"},           {{"1", "2", "7"}, "8"}, {{"1", "3", "2"}, "4"},
               {{"5abc", ""}, "6"}, {{"2.5"}, "3"},         {{"3.5", "-9"}, "5"}};
  for (const auto& c : cases) {
    write(users_with_ids(c.ids));
    updateuser(path_, edit_, "Tom", "tom.png", box_);
    EXPECT_EQ(texts("/KBConfig/Users/User[last()]/ID"), c.expected);
  }
  // The same name again is another user.
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/Name"), "u|u|Tom|Tom");
  EXPECT_TRUE(box_.texts.empty());
}

// Kept in place, with their picture when none is sent: see the golden session.
TEST_F(ConfigTest, AnEditedUserTakesANewPictureAndAnEditIdThatNamesNoUserAddsOne) {
  edit_.edit_user_id = 2;
  updateuser(path_, edit_, "Marie", "new.png", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User[ID=2]/Image"), "new.png");
  edit_.edit_user_id = 9;
  updateuser(path_, edit_, "Ann", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/ID"), "1|2|3");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(ConfigTest, UpdateUserFailureIsShownAndNothingIsWritten) {
  fs::remove(path_);
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_FALSE(fs::exists(path_));

  write(kSmallConfig);
  // A name XML cannot hold is refused rather than making the file unreadable.
  updateuser(path_, edit_, std::string("T\x01m"), "", box_);
  updateuser(path_, edit_, "T\xC3", "", box_);
  EXPECT_EQ(read(), kSmallConfig);
  const std::string overflowing = users_with_ids({"32767"});
  write(overflowing);
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(read(), overflowing);
  ASSERT_EQ(box_.texts.size(), 4u);
  EXPECT_EQ(box_.texts[0], "Error: Object variable or With block variable not set91Kitebrook");
  EXPECT_EQ(box_.texts[3], "Error: Overflow6Kitebrook");
  EXPECT_EQ(box_.texts[1], box_.texts[2]);
  EXPECT_EQ(box_.texts[2].rfind("Error: Invalid procedure call or argument", 0), 0u);
  EXPECT_EQ(box_.texts[2].substr(box_.texts[2].size() - 10), "5Kitebrook");
}

TEST_F(ConfigTest, RemoveUserLeavesItsPermissionsAndItsIdReturns) {
  removeuser(path_, "2", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/Name"), "AllUsers");
  EXPECT_EQ(texts("//AllowedUsers/User/ID"), "2");
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User[Name='Tom']/ID"), "2");

  // Text that is not a plain number names no user, so nothing goes.
  for (const char* id : {"1 or 1=1", "2]|//User[1", "", "-1", "2.0"}) removeuser(path_, id, box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/Name"), "AllUsers|Tom");
  EXPECT_TRUE(box_.texts.empty());

  write("<KBConfig><Users>");
  removeuser(path_, "2", box_);
  EXPECT_EQ(read(), "<KBConfig><Users>");
  EXPECT_EQ(box_.texts, std::vector<std::string>{"Object variable or With block variable not set"});
  check_well_formed_ = false;
}

// Sites added and edited in place keeping picture and permissions: see the
// golden session.
TEST_F(ConfigTest, NewSitesAreStoredWithoutAnHttpPrefixInAnyCaseAndAnEditIdOfNoSiteAddsOne) {
  const std::pair<const char*, const char*> cases[] = {{"HtTp://B.example", "B.example"},
                                                       {"HTTP:\\\\c.example", "c.example"},
                                                       {"http:/", "http:/"},
                                                       {"http://http://e", "http://e"}};
  for (const auto& [address, stored] : cases) {
    updatesite(path_, edit_, "Label", "pic.png", address);
    EXPECT_EQ(texts("/KBConfig/WebSites/WebSite[last()]/Target"), stored);
  }
  EXPECT_EQ(child_names("/KBConfig/WebSites/WebSite[last()]/AllowedUsers"), "");
  edit_.edit_site_id = 30;
  updatesite(path_, edit_, "Park", "", "park.example");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/ID"), "1|2|3|4|5|6");
}

TEST_F(ConfigTest, UpdateSiteFailuresWriteNothing) {
  fs::remove(path_);
  EXPECT_THROW(updatesite(path_, edit_, "a", "", "b"), kb::Error);
  EXPECT_FALSE(fs::exists(path_));
  const std::string full =
      "<KBConfig><WebSites><WebSite><Label>x</Label><ID>32767</ID></WebSite></WebSites></KBConfig>";
  write(full);
  EXPECT_THROW(updatesite(path_, edit_, "a", "", "b"), kb::Error);
  edit_.edit_site_id = 32767;  // the edited site has no AllowedUsers
  EXPECT_THROW(updatesite(path_, edit_, "a", "", "b"), kb::Error);
  EXPECT_EQ(read(), full);
}

TEST_F(ConfigTest, MissingContainersAreCreatedAtTheEndOfTheRoot) {
  write("<KBConfig><Settings/></KBConfig>");
  updatesite(path_, edit_, "Zoo", "", "zoo.example");
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(child_names("/KBConfig"), "Settings|WebSites|Users");
  EXPECT_EQ(texts("/KBConfig/Users/User/ID"), "1");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(ConfigTest, RemoveSiteRemovesOnlyTheSiteNamedByAPlainNumber) {
  updatesite(path_, edit_, "Farm", "", "farm.example");
  for (const char* id : {"1 or 1=1", "", "7"}) removesite(path_, id);
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/Label"), "Zoo|Farm");
  removesite(path_, "1");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/Label"), "Farm");
  EXPECT_EQ(texts("//AllowedUsers/User"), "");
  updatesite(path_, edit_, "Park", "", "park.example");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/ID"), "2|3");
  fs::remove(path_);
  EXPECT_THROW(removesite(path_, "1"), kb::Error);
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ConfigTest, EditIdsTakeTheLeadingNumberRoundedHalvesToEven) {
  const struct {
    const char* text;
    std::int16_t id;
  } cases[] = {{"7", 7}, {"", 0}, {"2.5", 2}, {"3.5", 4}, {" 12abc", 12}, {"-3", -3}};
  for (const auto& c : cases) {
    setuserglobals(edit_, c.text);
    setsiteglobals(edit_, c.text);
    EXPECT_EQ(edit_.edit_user_id, c.id) << c.text;
    EXPECT_EQ(edit_.edit_site_id, c.id) << c.text;
  }
  setuserglobals(edit_, "5");
  EXPECT_THROW(setuserglobals(edit_, "32768"), kb::Error);
  EXPECT_THROW(setsiteglobals(edit_, "1e9"), kb::Error);
  EXPECT_EQ(edit_.edit_user_id, 5);
  EXPECT_EQ(edit_.edit_site_id, -3);
  clearuserglobals(edit_);
  clearsiteglobals(edit_);
  EXPECT_EQ(edit_.edit_user_id, 0);
  EXPECT_EQ(edit_.edit_site_id, 0);
}

TEST_F(ConfigTest, PasswordIsReplacedInPlaceOrAdded) {
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
  EXPECT_TRUE(box_.texts.empty());

  fs::remove(path_);
  updatepwd(path_, "c", box_);
  EXPECT_EQ(box_.texts, std::vector<std::string>{
                            "Error: Object variable or With block variable not set91Kitebrook"});
  EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ConfigTest, SettingsAreWrittenFromTheFlags) {
  updatesettings(path_, "0", "1", "anything", "5", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|Yes|5|No");
  updatesettings(path_, "-1", "0", "", "not read while printing is off", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|No|5|Yes");
  updatesettings(path_, " 2 ", "1e0", "", "32767", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|Yes|32767|Yes");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(ConfigTest, SettingsFailuresChangeNothing) {
  updatesettings(path_, "yes", "1", "", "5", box_);
  updatesettings(path_, "1", "", "", "5", box_);
  // A limit start-up could not read is never stored.
  for (const char* pages : {"", "abc", "5 pages", "2.5", "-1", "32768"})
    updatesettings(path_, "1", "1", "", pages, box_);
  EXPECT_EQ(read(), kSmallConfig);
  ASSERT_EQ(box_.texts.size(), 8u);
  EXPECT_EQ(box_.texts[0], "error in updatesettings Type mismatch:13");
  EXPECT_EQ(box_.texts[7], "error in updatesettings Overflow:6");

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
  EXPECT_EQ(box_.texts.back(),
            "error in updatesettings Object variable or With block variable not set:91");
  EXPECT_EQ(box_.texts.size(), 10u);
}

// Hashes salted and checked: see PasswordIsReplacedInPlaceOrAdded.
TEST(PasswordHash, ChecksHashesPlainTextAndNoPassword) {
  const std::string hash = make_password_hash("kite 1");
  EXPECT_EQ(hash.find("kite"), std::string::npos);
  EXPECT_EQ(check_password(hash, ""), PasswordCheck::Wrong);
  // A password an older version stored as text, to be upgraded.
  EXPECT_EQ(check_password("secret", "secret"), PasswordCheck::CorrectPlainText);
  EXPECT_EQ(check_password("secret", "Secret"), PasswordCheck::Wrong);
  EXPECT_EQ(check_password("secret", "secret "), PasswordCheck::Wrong);
  // No password: only the empty entry.
  EXPECT_EQ(make_password_hash(""), "");
  EXPECT_EQ(check_password("", ""), PasswordCheck::Correct);
  EXPECT_EQ(check_password("", "x"), PasswordCheck::Wrong);
}

TEST_F(ConfigTest, PagesSeeWhetherAPasswordIsSetButNeverIt) {
  write(
      "<KBConfig><Settings><Pwd>secret</Pwd><PwdExit>Yes</PwdExit></Settings><Users/></KBConfig>");
  std::string seen = config_for_pages(path_);
  EXPECT_EQ(seen.find("secret"), std::string::npos);
  EXPECT_NE(seen.find("<Pwd set=\"Yes\" />"), std::string::npos);
  EXPECT_NE(seen.find("<PwdExit>Yes</PwdExit>"), std::string::npos);
  updatepwd(path_, "kite", box_);
  seen = config_for_pages(path_);
  EXPECT_EQ(seen.find("argon2"), std::string::npos);
  EXPECT_NE(seen.find("<Pwd set=\"Yes\" />"), std::string::npos);
  updatepwd(path_, "", box_);
  EXPECT_NE(config_for_pages(path_).find("<Pwd set=\"No\" />"), std::string::npos);
  write("<Other/>");
  EXPECT_THROW(config_for_pages(path_), std::exception);
}

const std::string kAdvice =
    "The web-site Zoo is configured for All Users.It must be removedfrom the AllUsers user "
    "configuration to hide it from the current user.If only Selected Users should be allowed to "
    "view a site, then it should behidden for the AllUsers user and allowed for the selected "
    "users that arepermitted to view the site.  Please refer to the Help Section on Web-Site "
    "Permissions.";

TEST_F(ConfigTest, AssignListsAUserOnceAndSavesOnlyWhenItAdds) {
  assignsitetouser(path_, "1", "1");
  EXPECT_EQ(texts("//WebSite[ID=1]/AllowedUsers/User/ID"), "2|1");
  // Written back compactly: a second offer must not rewrite it.
  const std::string compact = read() + "\n";
  write(compact);
  assignsitetouser(path_, "1", "1");
  assignsitetouser(path_, "01", "1");
  EXPECT_EQ(read(), compact);
  // Unlisted IDs are stored as sent, but only plain numbers.
  assignsitetouser(path_, "007", "1");
  EXPECT_EQ(texts("//WebSite[ID=1]/AllowedUsers/User/ID"), "2|1|007");
}

TEST_F(ConfigTest, AssignRefusesUnknownSitesAndIdsThatAreNotNumbers) {
  EXPECT_THROW(assignsitetouser(path_, "2", "5"), kb::Error);
  EXPECT_THROW(assignsitetouser(path_, "2", "1 or 1=1"), kb::Error);
  EXPECT_THROW(assignsitetouser(path_, "1 or 1=1", "1"), kb::Error);
  EXPECT_THROW(assignsitetouser(path_, "3]|/*[1", "1"), kb::Error);
  EXPECT_EQ(read(), kSmallConfig);
}

// A withdrawal without advice while the site is not offered to all: see the
// golden session.
TEST_F(ConfigTest, WithdrawingAUserAdvisesWhileTheSiteIsOfferedToAllUsers) {
  assignsitetouser(path_, "1", "1");
  const std::string before = read();
  removeuserfromsite(path_, "5", "1", box_);  // not listed: nothing saved, still advised
  removeuserfromsite(path_, "x", "1", box_);
  EXPECT_EQ(read(), before);
  removeuserfromsite(path_, "2", "1", box_);
  EXPECT_EQ(box_.texts, std::vector<std::string>(3, kAdvice));
  removeuserfromsite(path_, "1", "1", box_);  // AllUsers itself: no advice
  removeuserfromsite(path_, "1", "9", box_);  // no such site: nothing at all
  removeuserfromsite(path_, "1", "1=1", box_);
  EXPECT_EQ(box_.texts.size(), 3u);
  EXPECT_EQ(texts("//WebSite[ID=1]/AllowedUsers/User/ID"), "");
}

TEST_F(ConfigTest, WithdrawalIsSavedBeforeAMissingAllUsersUserFails) {
  write(
      "<KBConfig><Users/><WebSites><WebSite><Label>Zoo</Label><ID>1</ID><AllowedUsers>"
      "<User><ID>2</ID></User></AllowedUsers></WebSite><WebSite><ID>2</ID></WebSite>"
      "</WebSites></KBConfig>");
  EXPECT_THROW(removeuserfromsite(path_, "2", "1", box_), kb::Error);
  EXPECT_EQ(texts("//AllowedUsers/User"), "");
  const std::string before = read();
  EXPECT_THROW(removeuserfromsite(path_, "2", "2", box_), kb::Error);  // no Label
  EXPECT_EQ(read(), before);
  EXPECT_TRUE(box_.texts.empty());
}

}  // namespace
}  // namespace kbtest
