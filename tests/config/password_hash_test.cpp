#include "config/password_hash.h"

#include "config_test_fixture.h"

namespace kbtest {
namespace {

using KBConfigIO::check_password;
using KBConfigIO::PasswordCheck;

TEST(PasswordHash, ChecksHashesPlainTextAndNoPassword) {
  const std::string hash = KBConfigIO::make_password_hash("kite 1");
  EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u);
  EXPECT_EQ(hash.find("kite"), std::string::npos);
  EXPECT_NE(KBConfigIO::make_password_hash("kite 1"), hash);  // salted
  EXPECT_EQ(check_password(hash, "kite 1"), PasswordCheck::Correct);
  EXPECT_EQ(check_password(hash, "Kite 1"), PasswordCheck::Wrong);
  EXPECT_EQ(check_password(hash, ""), PasswordCheck::Wrong);
  // A password an older version stored as text, to be upgraded.
  EXPECT_EQ(check_password("secret", "secret"), PasswordCheck::CorrectPlainText);
  EXPECT_EQ(check_password("secret", "Secret"), PasswordCheck::Wrong);
  EXPECT_EQ(check_password("secret", "secret "), PasswordCheck::Wrong);
  // No password: only the empty entry.
  EXPECT_EQ(KBConfigIO::make_password_hash(""), "");
  EXPECT_EQ(check_password("", ""), PasswordCheck::Correct);
  EXPECT_EQ(check_password("", "x"), PasswordCheck::Wrong);
}

TEST_F(ConfigTest, PagesSeeWhetherAPasswordIsSetButNeverIt) {
  write(
      "<KBConfig><Settings><Pwd>secret</Pwd><PwdExit>Yes</PwdExit></Settings><Users/></KBConfig>");
  std::string seen = KBConfigIO::config_for_pages(path_);
  EXPECT_EQ(seen.find("secret"), std::string::npos);
  EXPECT_NE(seen.find("<Pwd set=\"Yes\" />"), std::string::npos);
  EXPECT_NE(seen.find("<PwdExit>Yes</PwdExit>"), std::string::npos);
  KBConfigIO::updatepwd(path_, "kite", box_);
  seen = KBConfigIO::config_for_pages(path_);
  EXPECT_EQ(seen.find("argon2"), std::string::npos);
  EXPECT_NE(seen.find("<Pwd set=\"Yes\" />"), std::string::npos);
  KBConfigIO::updatepwd(path_, "", box_);
  EXPECT_NE(KBConfigIO::config_for_pages(path_).find("<Pwd set=\"No\" />"), std::string::npos);
  write("<Other/>");
  EXPECT_THROW(KBConfigIO::config_for_pages(path_), std::exception);
}

}  // namespace
}  // namespace kbtest
