#include "common/kb_error.h"
#include "config/child_sites.h"
#include "config_test_fixture.h"

namespace kbtest {
namespace {

using namespace KBConfigIO;

// AllUsers (1), Mary (2) and Tom (3); Zoo offered to Mary with an extra
// host, Tales offered to everybody, Games offered to Tom only.
const char* const kChildrenConfig =
    "<KBConfig><Settings><Pwd>secret</Pwd><PrintAllowed>Yes</PrintAllowed>"
    "<PrintLimit>3</PrintLimit><PwdExit>Yes</PwdExit><StayOnSites>Yes</StayOnSites></Settings>"
    "<Users><User><Name>AllUsers</Name><Image/><ID>1</ID></User>"
    "<User><Name>Mary</Name><Image>mary.png</Image><ID>2</ID>"
    "<ApprovedHosts><Host>museum.example</Host></ApprovedHosts></User>"
    "<User><Name>Tom</Name><Image/><ID>3</ID></User></Users>"
    "<WebSites><WebSite><Label>Zoo</Label><Image>zoo.png</Image><Target>zoo.example/kids</Target>"
    "<ID>1</ID><AllowedUsers><User><ID>2</ID></User></AllowedUsers>"
    "<AlsoAllow><Host>videos.zoo-cdn.example</Host></AlsoAllow></WebSite>"
    "<WebSite><Label>Tales</Label><Image/><Target>tales.example</Target><ID>2</ID>"
    "<AllowedUsers><User><ID> 1 </ID></User></AllowedUsers></WebSite>"
    "<WebSite><Label>Games</Label><Image/><Target>games.example</Target><ID>3</ID>"
    "<AllowedUsers><User><ID>3</ID></User></AllowedUsers>"
    "<AlsoAllow><Host>games-cdn.example</Host></AlsoAllow></WebSite></WebSites></KBConfig>";

std::string users_named(std::initializer_list<const char*> names) {
  std::string users;
  for (const char* name : names) users += std::string("<User><Name>") + name + "</Name></User>";
  return "<KBConfig><Users>" + users + "</Users></KBConfig>";
}

TEST_F(ConfigTest, QueriesFindAChildsSitesTheSettingAndTheUsersInAFileOfAnyLetterCase) {
  write(kChildrenConfig);
  const ChildSites mary = child_sites(path_, "Mary");
  EXPECT_EQ(mary.site_targets, (std::vector<std::string>{"zoo.example/kids", "tales.example"}));
  EXPECT_EQ(mary.also_allow, (std::vector<std::string>{"videos.zoo-cdn.example"}));
  EXPECT_EQ(mary.approved_hosts, (std::vector<std::string>{"museum.example"}));
  const ChildSites tom = child_sites(path_, "Tom");
  EXPECT_EQ(tom.site_targets, (std::vector<std::string>{"tales.example", "games.example"}));
  EXPECT_EQ(tom.also_allow, (std::vector<std::string>{"games-cdn.example"}));
  EXPECT_TRUE(tom.approved_hosts.empty());
  EXPECT_TRUE(child_sites(path_, "Nobody").site_targets.empty());
  EXPECT_TRUE(stay_on_sites(path_));
  write(kSmallConfig);
  EXPECT_FALSE(stay_on_sites(path_));
  write("<KBConfig><Settings><StayOnSites>yes please</StayOnSites></Settings></KBConfig>");
  EXPECT_FALSE(stay_on_sites(path_));
  write("not a configuration");
  EXPECT_THROW(stay_on_sites(path_), kb::Error);

  // Users are defined once anyone but AllUsers exists; found by name with either quote.
  write(users_named({}));
  EXPECT_FALSE(users_defined(path_));
  write(users_named({"AllUsers"}));
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

  // The configuration's file name is matched without regard to case.
  EXPECT_EQ(path_, folder_ / "Data" / "KBConfig.xml");
  write_file(folder_ / "Data" / "KBConfig.xml.backup",
             "the parent's");  // a longer name is another file
  EXPECT_EQ(config_path(folder_), path_);
  std::ofstream(folder_ / "Data" / "KBCONFIG.XML") << "<KBConfig/>";
  EXPECT_EQ(config_path(folder_), folder_ / "Data" / "KBCONFIG.XML");
  std::ofstream(path_) << "<KBConfig/>";
  EXPECT_EQ(config_path(folder_), path_);
  EXPECT_EQ(config_path(folder_ / "none"), folder_ / "none" / "Data" / "KBConfig.xml");
}

// Hosts kept when their entry is rebuilt, replaced whole, approved once: see
// the golden session.
TEST_F(ConfigTest, HostsAndStayOnSitesAreStoredAndAFailureSavesNothing) {
  updatestayonsites(path_, "1", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/StayOnSites"), "Yes");
  updatestayonsites(path_, "0", box_);
  EXPECT_EQ(texts("/KBConfig/Settings/StayOnSites"), "No");
  std::string before = read();
  updatestayonsites(path_, "maybe", box_);
  EXPECT_EQ(box_.texts.size(), 1u);
  EXPECT_EQ(read(), before);

  // An empty list goes with its last host.
  write(kChildrenConfig);
  set_also_allow(path_, "1", {});
  EXPECT_EQ(child_names("/KBConfig/WebSites/WebSite[ID=1]"), "Label|Image|Target|ID|AllowedUsers");
  withdraw_host_for_user_id(path_, "2", "museum.example");
  EXPECT_EQ(child_names("/KBConfig/Users/User[ID=2]"), "Name|Image|ID");
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

}  // namespace
}  // namespace kbtest
