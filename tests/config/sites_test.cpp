#include "common/kb_error.h"
#include "config_test_fixture.h"

namespace kbtest {
namespace {

using KBConfigIO::removesite;
using KBConfigIO::updatesite;

TEST_F(ConfigTest, NewSiteIsCompleteWithItsAddressWithoutHttpPrefix) {
  write(kSmallConfig);
  const struct {
    const char* address;
    const char* stored;
  } cases[] = {{"http://a.example/x", "a.example/x"},
               {"HtTp://B.example", "B.example"},
               {"HTTP:\\\\c.example", "c.example"},
               {"https://d.example", "https://d.example"},
               {"http:/", "http:/"},
               {"http://http://e", "http://e"}};
  for (const auto& c : cases) {
    updatesite(path_, edit_, "Label", "pic.png", c.address);
    EXPECT_EQ(texts("/KBConfig/WebSites/WebSite[last()]/Target"), c.stored);
  }
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/ID"), "1|2|3|4|5|6|7");
  EXPECT_EQ(child_names("/KBConfig/WebSites/WebSite[last()]"),
            "Label|Image|Target|ID|AllowedUsers");
  EXPECT_EQ(child_names("/KBConfig/WebSites/WebSite[last()]/AllowedUsers"), "");
}

TEST_F(ConfigTest, EditedSiteKeepsItsPlacePermissionsAndPicture) {
  write(kSmallConfig);
  updatesite(path_, edit_, "Farm", "farm.png", "farm.example");
  edit_.edit_site_id = 1;
  updatesite(path_, edit_, "Big Zoo", "", "http://bigzoo.example");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/Label"), "Big Zoo|Farm");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite[1]/Image"), "zoo.png");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite[1]/AllowedUsers/User/ID"), "2");
  EXPECT_EQ(child_names("/KBConfig/WebSites/WebSite[1]"), "Label|Image|Target|ID|AllowedUsers");
  edit_.edit_site_id = 30;
  updatesite(path_, edit_, "Park", "", "park.example");
  EXPECT_EQ(texts("/KBConfig/WebSites/WebSite/ID"), "1|2|3");
}

TEST_F(ConfigTest, UpdateSiteFailuresWriteNothing) {
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
  KBConfigIO::updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(child_names("/KBConfig"), "Settings|WebSites|Users");
  EXPECT_EQ(texts("/KBConfig/Users/User/ID"), "1");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(ConfigTest, RemoveSiteRemovesOnlyTheSiteNamedByAPlainNumber) {
  write(kSmallConfig);
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

}  // namespace
}  // namespace kbtest
