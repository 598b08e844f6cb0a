#include "common/text_case.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

TEST(TextCase, OnlyAsciiLettersChangeCase) {
  EXPECT_EQ(upper_case("vbContainer:go_back(\xC3\xA9)"), "VBCONTAINER:GO_BACK(\xC3\xA9)");
  EXPECT_TRUE(equals_ignoring_case("KBConfig.XML", "kbconfig.xml"));
  EXPECT_FALSE(equals_ignoring_case("KBConfig.xml", "KBConfig.xm"));
  EXPECT_FALSE(equals_ignoring_case("\xC3\xA9", "\xC3\x89"));
}

}  // namespace
}  // namespace kb
