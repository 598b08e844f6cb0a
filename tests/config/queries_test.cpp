#include "common/kb_error.h"
#include "config_test_fixture.h"

namespace kbtest {
namespace {

using namespace KBConfigIO;

std::string users_named(std::initializer_list<const char*> names) {
  std::string users;
  for (const char* name : names) users += std::string("<User><Name>") + name + "</Name></User>";
  return "<KBConfig><Users>" + users + "</Users></KBConfig>";
}

TEST_F(ConfigTest, UsersAreDefinedOnceAnyoneButAllUsersExists) {
  write(users_named({}));
  EXPECT_FALSE(users_defined(path_));
  write(users_named({"AllUsers"}));
  EXPECT_FALSE(users_defined(path_));
  write(users_named({"AllUsers", ""}));
  EXPECT_TRUE(users_defined(path_));
  fs::remove(path_);
  EXPECT_THROW(users_defined(path_), kb::Error);
}

TEST_F(ConfigTest, UserExistsFindsNamesWithEitherQuote) {
  write(users_named({"Mary", "O'Brien", "Say &quot;hi&quot;", "a'b&quot;c''d&quot;", ""}));
  for (const char* name : {"Mary", "O'Brien", "Say \"hi\"", "a'b\"c''d\""})
    EXPECT_TRUE(user_exists(path_, name)) << name;
  for (const char* name : {"mary", "Mary'", "'Mary'", "\"", "", "x] | //User[1"})
    EXPECT_FALSE(user_exists(path_, name)) << name;
  write("<KBConfig><Users>");
  EXPECT_FALSE(user_exists(path_, "Mary"));
  fs::remove(path_);
  EXPECT_FALSE(user_exists(path_, "Mary"));
}

TEST_F(ConfigTest, ConfigFileNameIsMatchedWithoutRegardToCase) {
  fs::remove(path_);
  EXPECT_EQ(path_, folder_ / "Data" / "KBConfig.xml");
  write_parents_file("KBConfig.xml.backup");  // a longer name is another file
  EXPECT_EQ(config_path(folder_), path_);
  std::ofstream(folder_ / "Data" / "KBCONFIG.XML") << "<KBConfig/>";
  EXPECT_EQ(config_path(folder_), folder_ / "Data" / "KBCONFIG.XML");
  std::ofstream(path_) << "<KBConfig/>";
  EXPECT_EQ(config_path(folder_), path_);
  EXPECT_EQ(config_path(folder_ / "none"), folder_ / "none" / "Data" / "KBConfig.xml");
}

}  // namespace
}  // namespace kbtest
