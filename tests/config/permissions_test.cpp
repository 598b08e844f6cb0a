#include "common/kb_error.h"
#include "config_test_fixture.h"

namespace kbtest {
namespace {

using KBConfigIO::assignsitetouser;
using KBConfigIO::removeuserfromsite;

const std::string kAdvice =
    "The web-site Zoo is configured for All Users.It must be removedfrom the AllUsers user "
    "configuration to hide it from the current user.If only Selected Users should be allowed to "
    "view a site, then it should behidden for the AllUsers user and allowed for the selected "
    "users that arepermitted to view the site.  Please refer to the Help Section on Web-Site "
    "Permissions.";

TEST_F(ConfigTest, AssignListsAUserOnceAndSavesOnlyWhenItAdds) {
  write(kSmallConfig);
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
  write(kSmallConfig);
  EXPECT_THROW(assignsitetouser(path_, "2", "5"), kb::Error);
  EXPECT_THROW(assignsitetouser(path_, "2", "1 or 1=1"), kb::Error);
  EXPECT_THROW(assignsitetouser(path_, "1 or 1=1", "1"), kb::Error);
  EXPECT_THROW(assignsitetouser(path_, "3]|/*[1", "1"), kb::Error);
  EXPECT_EQ(read(), kSmallConfig);
}

TEST_F(ConfigTest, WithdrawingAUserAdvisesWhileTheSiteIsOfferedToAllUsers) {
  write(kSmallConfig);
  removeuserfromsite(path_, "2", "1", box_);
  EXPECT_EQ(texts("//WebSite[ID=1]/AllowedUsers/User/ID"), "");
  EXPECT_TRUE(box_.texts.empty());

  assignsitetouser(path_, "1", "1");
  assignsitetouser(path_, "2", "1");
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
