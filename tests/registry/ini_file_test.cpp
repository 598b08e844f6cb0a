#include "registry/ini_file.h"

#include <gtest/gtest.h>

#include "registry/ini_text.h"
#include "registry/mod_registry.h"
#include "registry/registry_status.h"
#include "support/temp_folder.h"

namespace modRegistry {
namespace {

using Read = std::pair<std::int32_t, RegValue>;

const std::string kSample =
    "; parent's settings\r\n"
    "top=outside any section\r\n"
    "[Print]\r\n"
    "  Limit = 3   \r\n"
    "Title=\"  quoted  \"\r\n"
    "NoValue\r\n"
    "\r\n"
    "[print]\r\n"
    "Limit=9\r\n"
    "Extra=12abc\r\n";

TEST(IniText, FindsKeysIgnoringCaseFirstMatchFirst) {
  EXPECT_EQ(ini_find_value(kSample, "PRINT", "limit"), "3");
  EXPECT_EQ(ini_find_value(kSample, "print", "title"), "  quoted  ");
  EXPECT_EQ(ini_find_value(kSample, "Print", "Extra"), "12abc");  // second section of that name
  EXPECT_EQ(ini_find_value(kSample, "Print", "NoValue"), std::nullopt);
  EXPECT_EQ(ini_find_value(kSample, "Print", "top"), std::nullopt);
  EXPECT_EQ(ini_find_value(kSample, "Print", "; parent's settings"), std::nullopt);
  EXPECT_EQ(ini_find_value(kSample, "Other", "Limit"), std::nullopt);
}

TEST(IniText, WritingChangesOnlyTheEntryConcerned) {
  // In place, keeping indentation, spacing and line breaks.
  EXPECT_EQ(ini_with_value(kSample, "print", "LIMIT", "5"),
            "; parent's settings\r\ntop=outside any section\r\n[Print]\r\n  Limit = 5\r\n"
            "Title=\"  quoted  \"\r\nNoValue\r\n\r\n[print]\r\nLimit=9\r\nExtra=12abc\r\n");
  EXPECT_EQ(ini_with_value("[a]\nx\n", "A", "x", "1"), "[a]\nx=1\n");
  // A new key goes to the end of the first section of that name, before blank lines.
  EXPECT_EQ(ini_with_value("[a]\nx=1\n\n[b]\ny=2\n", "A", "z", "3"), "[a]\nx=1\nz=3\n\n[b]\ny=2\n");
  EXPECT_EQ(ini_with_value("[a]", "a", "z", "3"), "[a]\nz=3\n");
  // A new section goes to the end; a missing final line break is supplied.
  EXPECT_EQ(ini_with_value("[a]\r\nx=1", "New", "k", "v"), "[a]\r\nx=1\r\n[New]\r\nk=v\r\n");
  EXPECT_EQ(ini_with_value("", "s", "k", "v"), "[s]\nk=v\n");
  EXPECT_EQ(ini_with_value("\xEF\xBB\xBF[s]\nk=1\n", "s", "k", "2"), "\xEF\xBB\xBF[s]\nk=2\n");
}

TEST(IniText, RefusesEntriesThatWouldNotReadBackAsWritten) {
  EXPECT_TRUE(ini_can_write("s", "k", "any text = ; [x]"));
  EXPECT_FALSE(ini_can_write("s", "k", "two\nlines"));
  EXPECT_FALSE(ini_can_write("s", "k\r", "v"));
  EXPECT_FALSE(ini_can_write("s]", "k", "v"));
  EXPECT_FALSE(ini_can_write("s", "a=b", "v"));
  EXPECT_FALSE(ini_can_write("s", ";k", "v"));
}

class IniFileTest : public ::testing::Test {
 protected:
  IniFileTest() : registry_(HiveFiles{}) { kbtest::write_file(ini_, kSample); }
  // A read's status and the value it gave.
  std::pair<std::int32_t, RegValue> get(const char* section, const char* key, const char* code,
                                        const RegValue& fallback) const {
    RegValue out;
    return {registry_.get_reg_value(ini_.string(), section, key, code, fallback, out), out};
  }
  std::int32_t set(const char* section, const char* key, const char* code,
                   const RegValue& value) const {
    return registry_.set_reg_value(ini_.string(), section, key, code, value);
  }

  kbtest::TempFolder dir_;
  std::filesystem::path ini_ = dir_.path() / "kb.ini";
  Registry registry_;
};

TEST_F(IniFileTest, StringReadsGiveTheValueOrTheDefaultCutAt254Bytes) {
  EXPECT_EQ(get("PRINT", "limit", "S", std::string()), Read(0, std::string("3")));
  EXPECT_EQ(get("Print", "Missing", "S", std::string("dflt  ")), Read(0, std::string("dflt")));
  EXPECT_EQ(get("Print", "Missing", "S", true), Read(0, std::string("True")));

  kbtest::write_file(ini_, "[s]\nlong=" + std::string(300, 'a') +
                               "\nwide=" + std::string(253, 'b') + "\xC3\xA9" + "\n");
  EXPECT_EQ(get_private_profile_string(ini_, "s", "long", ""), std::string(254, 'a'));
  // The two-byte character would be cut in half at 254 bytes, so it is left out.
  EXPECT_EQ(get_private_profile_string(ini_, "s", "wide", ""), std::string(253, 'b'));
}

TEST_F(IniFileTest, IntegerReadsTakeTheLeadingDigits) {
  EXPECT_EQ(get("print", "Extra", "D", std::string()), Read(0, std::int32_t{12}));
  EXPECT_EQ(get("print", "Title", "X", std::string()), Read(0, std::int32_t{0}));
  EXPECT_EQ(get("print", "Missing", "B", true), Read(0, std::int32_t{0}));
  kbtest::write_file(ini_, "[s]\nneg= -42x\nempty=\n");
  EXPECT_EQ(get_private_profile_int(ini_, "s", "neg", 7), -42);
  EXPECT_EQ(get_private_profile_int(ini_, "s", "empty", 7), 7);
}

TEST_F(IniFileTest, OnlyTextIsWrittenAndTheRestOfTheFileStays) {
  EXPECT_EQ(set("Print", "Limit", "D", std::int32_t{4}), NO_ROOT);
  EXPECT_EQ(set("Print", "Limit", "S", std::string("a\nb=c")), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(kbtest::read_file(ini_), kSample);

  EXPECT_EQ(set("PRINT", "limit", "S", std::int32_t{4}), 0);
  EXPECT_EQ(kbtest::read_file(ini_), ini_with_value(kSample, "Print", "Limit", "4"));
  EXPECT_EQ(set("Users", "Mary", "s", std::string("1")), 0);
  EXPECT_EQ(get("users", "MARY", "S", std::string()), Read(0, std::string("1")));
}

TEST_F(IniFileTest, AFileThatCannotBeReplacedAnswersAccessDenied) {
  kbtest::write_file(dir_.path() / "file", "");
  EXPECT_EQ(write_private_profile_string(dir_.path() / "file" / "kb.ini", "s", "k", "v"),
            ERROR_ACCESS_DENIED);
}

}  // namespace
}  // namespace modRegistry
