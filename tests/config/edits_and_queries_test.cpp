#include "common/kb_error.h"
#include "config/child_sites.h"
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

// The golden file with AllUsers' ID between blanks: Anna has Zoo and Farm, Benjamin Zoo and
// Puzzles.
std::string children_config() {
  std::string text = read_file(golden_file());
  return text.replace(text.find("<ID>1</ID></User></AllowedUsers>"), 10, "<ID> 1 </ID>");
}

std::string users_named(std::initializer_list<const char*> names) {
  std::string users;
  for (const char* name : names) users += std::string("<User><Name>") + name + "</Name></User>";
  return "<KBConfig><Users>" + users + "</Users></KBConfig>";
}

TEST_F(ConfigTest, UsersAndSitesAreAddedEditedAndRemovedAndAFailureWritesNothing) {
  // A new user goes last with one plus the largest leading number.
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
  updateuser(path_, edit_, "Tom", "", box_);  // the same name again is another user
  edit_.edit_user_id = 5;
  updateuser(path_, edit_, "Marie", "new.png", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User[ID=5]/Image"), "new.png");
  edit_.edit_user_id = 9;  // names no user: adds one
  updateuser(path_, edit_, "Ann", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/Name"), "u|u|Marie|Tom|Ann");
  EXPECT_EQ(texts("/KBConfig/Users/User/ID"), "3.5|-9|5|6|7");

  write(kSmallConfig);
  removeuser(path_, "2", box_);  // its permissions stay, and its ID returns
  EXPECT_EQ(texts("//AllowedUsers/User/ID"), "2");
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User[Name='Tom']/ID"), "2");
  // Text that is not a plain number names no user, so nothing goes.
  for (const char* id : {"1 or 1=1", "2]|//User[1", "", "-1", "2.0"}) removeuser(path_, id, box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/Name"), "AllUsers|Tom");

  write(kSmallConfig);
  // A name XML cannot hold is refused rather than making the file unreadable.
  updateuser(path_, edit_, std::string("T\x01m"), "", box_);
  updateuser(path_, edit_, "T\xC3", "", box_);
  EXPECT_EQ(read(), kSmallConfig);
  const std::string overflowing = users_with_ids({"32767"});
  write(overflowing);
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(read(), overflowing);
  const std::string invalid =
      "Error: Invalid procedure call or argument: the text holds characters that cannot be "
      "stored in the configuration file5Kitebrook";
  EXPECT_EQ(box_.texts, (std::vector<std::string>{invalid, invalid, "Error: Overflow6Kitebrook"}));

  SCOPED_TRACE("sites are stored without an http prefix");
  write(kSmallConfig);
  const std::pair<const char*, const char*> prefixes[] = {{"HtTp://B.example", "B.example"},
                                                          {"HTTP:\\\\c.example", "c.example"},
                                                          {"http:/", "http:/"},
                                                          {"http://http://e", "http://e"}};
  for (const auto& [address, stored] : prefixes) {
    updatesite(path_, edit_, "Label", "pic.png", address);
    EXPECT_EQ(texts("/KBConfig/WebSites/WebSite[last()]/Target"), stored);
  }
  edit_.edit_site_id = 30;  // names no site: adds one
  updatesite(path_, edit_, "Park", "", "park.example");
  for (const char* id : {"1 or 1=1", "", "7"}) removesite(path_, id);
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/ID"), "1|2|3|4|5|6");
  removesite(path_, "1");
  EXPECT_EQ(texts("//AllowedUsers/User"), "");
  updatesite(path_, edit_, "Farm", "", "farm.example");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/ID"), "2|3|4|5|6|7");

  // Missing containers are made at the end of the root.
  write("<KBConfig><Settings/></KBConfig>");
  updatesite(path_, edit_, "Zoo", "", "zoo.example");
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(child_names("/KBConfig"), "Settings|WebSites|Users");

  const std::string full =
      "<KBConfig><WebSites><WebSite><Label>x</Label><ID>32767</ID></WebSite></WebSites></KBConfig>";
  write(full);
  EXPECT_THROW(updatesite(path_, edit_, "a", "", "b"), kb::Error);
  edit_.edit_site_id = 32767;  // the edited site has no AllowedUsers
  EXPECT_THROW(updatesite(path_, edit_, "a", "", "b"), kb::Error);
  EXPECT_EQ(read(), full);
}

TEST(EditGlobals, EditIdsTakeTheLeadingNumberRoundedHalvesToEven) {
  EditGlobals edit;
  setuserglobals(edit, " 3.5abc");
  setsiteglobals(edit, "-2.5x");
  EXPECT_THROW(setuserglobals(edit, "32768"), kb::Error);
  EXPECT_THROW(setsiteglobals(edit, "1e9"), kb::Error);
  const auto ids = [&] {
    return std::to_string(edit.edit_user_id) + " " + std::to_string(edit.edit_site_id);
  };
  EXPECT_EQ(ids(), "4 -2");  // kept after the overflows
  clearuserglobals(edit);
  clearsiteglobals(edit);
  EXPECT_EQ(ids(), "0 0");
}

TEST_F(ConfigTest, PasswordIsASaltedHashThatPagesNeverSeeAndSettingsAreWrittenFromTheFlags) {
  const std::string seen = config_for_pages(path_);  // a password an older version kept as text
  EXPECT_EQ(seen.find("secret"), std::string::npos);
  EXPECT_NE(seen.find("<Pwd set=\"Yes\" />"), std::string::npos);
  EXPECT_NE(seen.find("<PwdExit>Yes</PwdExit>"), std::string::npos);
  EXPECT_EQ(check_password("secret", "secret"), PasswordCheck::CorrectPlainText);
  EXPECT_EQ(check_password("secret", "secret "), PasswordCheck::Wrong);

  updatepwd(path_, "kite <&> 'x'", box_);
  const std::string stored = texts("/KBConfig/Settings/*[1]");
  EXPECT_EQ(stored.rfind("$argon2id$", 0), 0u);
  EXPECT_EQ(check_password(stored, "kite <&> 'x'"), PasswordCheck::Correct);
  EXPECT_EQ(check_password(stored, "kite <&> 'X'"), PasswordCheck::Wrong);
  EXPECT_EQ(check_password(stored, ""), PasswordCheck::Wrong);
  updatepwd(path_, "kite <&> 'x'", box_);
  EXPECT_NE(texts("/KBConfig/Settings/Pwd"), stored);
  updatepwd(path_, "", box_);  // no password: only the empty entry
  EXPECT_EQ(texts("/KBConfig/Settings/Pwd"), "");
  EXPECT_NE(config_for_pages(path_).find("<Pwd set=\"No\" />"), std::string::npos);
  EXPECT_EQ(check_password("", ""), PasswordCheck::Correct);
  EXPECT_EQ(check_password("", "x"), PasswordCheck::Wrong);

  write("<KBConfig><Settings><PwdExit>No</PwdExit></Settings></KBConfig>");
  updatepwd(path_, "a", box_);
  EXPECT_EQ(child_names("/KBConfig/Settings"), "PwdExit|Pwd");
  write("<KBConfig><Users/></KBConfig>");
  updatepwd(path_, "b", box_);
  EXPECT_EQ(check_password(texts("/KBConfig/*[2]/Pwd"), "b"), PasswordCheck::Correct);
  write("<Other/>");
  EXPECT_THROW(config_for_pages(path_), std::exception);
  EXPECT_TRUE(box_.texts.empty());

  // The settings are written from the flags; a failure changes none of them.
  write(kSmallConfig);
  updatesettings(path_, "-1", "0", "", "not read while printing is off", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|No|3|Yes");
  updatesettings(path_, " 2 ", "1e0", "", "32767", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/*"), "secret|Yes|32767|Yes");

  const std::string before = read();
  updatesettings(path_, "yes", "1", "", "5", box_);
  updatesettings(path_, "1", "", "", "5", box_);
  // A limit start-up could not read is never stored.
  for (const char* pages : {"", "abc", "5 pages", "2.5", "-1", "32768"})
    updatesettings(path_, "1", "1", "", pages, box_);
  EXPECT_EQ(read(), before);
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
  EXPECT_EQ(box_.texts.size(), 9u);
}

// Hosts kept when their entry is rebuilt, replaced whole, approved once: see the golden session.
TEST_F(ConfigTest, SitesAreOfferedOnceWithdrawnWithAdviceAndHostsStoredAndAFailureSavesNothing) {
  assignsitetouser(path_, "1", "1");
  // Written back compactly: a second offer must not rewrite it.
  const std::string compact = read() + "\n";
  write(compact);
  assignsitetouser(path_, "1", "1");
  assignsitetouser(path_, "01", "1");
  EXPECT_EQ(read(), compact);
  for (const auto& [user, site] :
       {std::pair{"2", "5"}, {"2", "1 or 1=1"}, {"1 or 1=1", "1"}, {"3]|/*[1", "1"}})
    EXPECT_THROW(assignsitetouser(path_, user, site), kb::Error) << user << " " << site;
  removeuserfromsite(path_, "5", "1", box_);  // not listed: nothing saved, still advised
  removeuserfromsite(path_, "x", "1", box_);
  EXPECT_EQ(read(), compact);
  removeuserfromsite(path_, "2", "1", box_);
  EXPECT_EQ(box_.texts,
            std::vector<std::string>(
                3,
                "The web-site Zoo is configured for All Users.It must be removedfrom the "
                "AllUsers user configuration to hide it from the current user.If only Selected "
                "Users should be allowed to view a site, then it should behidden for the "
                "AllUsers user and allowed for the selected users that arepermitted to view the "
                "site.  Please refer to the Help Section on Web-Site Permissions."));
  removeuserfromsite(path_, "1", "1", box_);  // AllUsers itself: no advice
  removeuserfromsite(path_, "1", "9", box_);  // no such site: nothing at all
  removeuserfromsite(path_, "1", "1=1", box_);
  EXPECT_EQ(box_.texts.size(), 3u);
  // Unlisted IDs are stored as sent, but only plain numbers.
  assignsitetouser(path_, "007", "1");
  EXPECT_EQ(texts("//WebSite[ID=1]/AllowedUsers/User/ID"), "007");

  // The withdrawal is saved before a missing AllUsers user fails.
  write(
      "<KBConfig><Users/><WebSites><WebSite><Label>Zoo</Label><ID>1</ID><AllowedUsers>"
      "<User><ID>2</ID></User></AllowedUsers></WebSite><WebSite><ID>2</ID></WebSite>"
      "</WebSites></KBConfig>");
  EXPECT_THROW(removeuserfromsite(path_, "2", "1", box_), kb::Error);
  EXPECT_EQ(texts("//AllowedUsers/User"), "");
  std::string before = read();
  EXPECT_THROW(removeuserfromsite(path_, "2", "2", box_), kb::Error);  // no Label
  EXPECT_EQ(read(), before);
  EXPECT_EQ(box_.texts.size(), 3u);

  SCOPED_TRACE("hosts and staying on the sites");
  write(kSmallConfig);
  box_.texts.clear();
  before = read();
  updatestayonsites(path_, "maybe", box_);
  EXPECT_EQ(box_.texts.size(), 1u);
  EXPECT_EQ(read(), before);

  // An empty list goes with its last host.
  write(children_config());
  set_also_allow(path_, "2", {});
  EXPECT_EQ(child_names("/KBConfig/WebSites/WebSite[ID=2]"), "Label|Image|Target|ID|AllowedUsers");
  withdraw_host_for_user_id(path_, "3", "library.example");
  EXPECT_EQ(child_names("/KBConfig/Users/User[ID=3]"), "Name|Image|ID");
  before = read();
  EXPECT_THROW(set_also_allow(path_, "9", {"x.example"}), kb::Error);
  EXPECT_THROW(set_also_allow(path_, "3", {std::string("bad\x01")}), kb::Error);
  withdraw_host_for_user_id(path_, "3", "never.example");
  EXPECT_THROW(withdraw_host_for_user_id(path_, "9", "x.example"), kb::Error);
  EXPECT_THROW(approve_host_for_user_name(path_, "Nobody", "x.example"), kb::Error);
  EXPECT_THROW(approve_host_for_user_id(path_, "x", "x.example"), kb::Error);
  EXPECT_THROW(approve_host_for_user_id(path_, "2", ""), kb::Error);
  EXPECT_EQ(read(), before);
}

TEST_F(ConfigTest, QueriesFindAChildsSitesTheSettingAndTheUsersInAFileOfAnyLetterCase) {
  write(children_config());
  const ChildSites anna = child_sites(path_, "Anna");
  EXPECT_EQ(anna.site_targets, (std::vector<std::string>{"zoo.example", "farm.example/animals"}));
  EXPECT_EQ(anna.also_allow, (std::vector<std::string>{"farm-cdn.example"}));
  EXPECT_TRUE(anna.approved_hosts.empty());
  const ChildSites ben = child_sites(path_, "Benjamin");
  EXPECT_EQ(ben.site_targets,
            (std::vector<std::string>{"zoo.example", "puzzles.example/?a=1&b=2"}));
  EXPECT_TRUE(ben.also_allow.empty());
  EXPECT_EQ(ben.approved_hosts, (std::vector<std::string>{"library.example"}));
  EXPECT_TRUE(child_sites(path_, "Nobody").site_targets.empty());
  write("<KBConfig><Settings><StayOnSites>yes please</StayOnSites></Settings></KBConfig>");
  EXPECT_FALSE(stay_on_sites(path_));
  write("not a configuration");
  EXPECT_THROW(stay_on_sites(path_), kb::Error);

  // Users are defined once anyone but AllUsers exists; found by name with either quote.
  write(users_named({}));
  EXPECT_FALSE(users_defined(path_));
  write(users_named({"AllUsers", ""}));
  EXPECT_TRUE(users_defined(path_));

  write(users_named({"Mary", "O'Brien", "Say &quot;hi&quot;", "a'b&quot;c''d&quot;", ""}));
  for (const char* name : {"Mary", "O'Brien", "Say \"hi\"", "a'b\"c''d\""})
    EXPECT_TRUE(user_exists(path_, name)) << name;
  for (const char* name : {"mary", "Mary'", "'Mary'", "\"", "", "x] | //User[1"})
    EXPECT_FALSE(user_exists(path_, name)) << name;
  write("<KBConfig><Users>");
  EXPECT_FALSE(user_exists(path_, "Mary"));
  fs::remove(path_);
  EXPECT_FALSE(user_exists(path_, "Mary"));
  EXPECT_THROW(users_defined(path_), kb::Error);

  // The file name is matched without regard to case; a longer name is another file.
  write_file(folder_ / "Data" / "KBConfig.xml.backup", "the parent's");
  EXPECT_EQ(config_path(folder_), path_);
  std::ofstream(folder_ / "Data" / "KBCONFIG.XML") << "<KBConfig/>";
  EXPECT_EQ(config_path(folder_), folder_ / "Data" / "KBCONFIG.XML");
  std::ofstream(path_) << "<KBConfig/>";
  EXPECT_EQ(config_path(folder_), path_);
  EXPECT_EQ(config_path(folder_ / "none"), folder_ / "none" / "Data" / "KBConfig.xml");
}

}  // namespace
}  // namespace kbtest
