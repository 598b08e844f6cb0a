#include "config_test_fixture.h"

namespace kbtest {
namespace {

using KBConfigIO::removeuser;
using KBConfigIO::updateuser;

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
    EXPECT_EQ(child_names("/KBConfig/Users/User[last()]"), "Name|Image|ID");
  }
  // The same name again is another user.
  updateuser(path_, edit_, "Tom", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/Name"), "u|u|Tom|Tom");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(ConfigTest, EditedUserIsRebuiltInPlaceKeepingItsPictureWhenNoneIsSent) {
  write(kSmallConfig);
  updateuser(path_, edit_, "Tom", "tom.png", box_);
  edit_.edit_user_id = 2;
  updateuser(path_, edit_, "Marie", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/Name"), "AllUsers|Marie|Tom");
  EXPECT_EQ(texts("/KBConfig/Users/User/Image"), "|mary.png|tom.png");
  updateuser(path_, edit_, "Marie", "new.png", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User[ID=2]/Image"), "new.png");
  // An edit ID that names no user adds one under a new ID.
  edit_.edit_user_id = 9;
  updateuser(path_, edit_, "Ann", "", box_);
  EXPECT_EQ(texts("/KBConfig/Users/User/ID"), "1|2|3|4");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(ConfigTest, UpdateUserFailureIsShownAndNothingIsWritten) {
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
  write(kSmallConfig);
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

}  // namespace
}  // namespace kbtest
