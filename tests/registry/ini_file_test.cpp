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

TEST(IniText, FindsKeysIgnoringCaseAndChangesOnlyTheEntryConcerned) {
  EXPECT_EQ(ini_find_value(kSample, "PRINT", "limit"), "3");  // the first match
  EXPECT_EQ(ini_find_value(kSample, "print", "title"), "  quoted  ");
  EXPECT_EQ(ini_find_value(kSample, "Print", "Extra"), "12abc");  // second section of that name
  EXPECT_EQ(ini_find_value(kSample, "Print", "NoValue"), std::nullopt);
  EXPECT_EQ(ini_find_value(kSample, "Print", "top"), std::nullopt);
  EXPECT_EQ(ini_find_value(kSample, "Other", "Limit"), std::nullopt);

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

  // Entries that would not read back as written are refused.
  EXPECT_TRUE(ini_can_write("s", "k", "any text = ; [x]"));
  EXPECT_FALSE(ini_can_write("s", "k", "two\nlines"));
  EXPECT_FALSE(ini_can_write("s", "k\r", "v"));
  EXPECT_FALSE(ini_can_write("s]", "k", "v"));
  EXPECT_FALSE(ini_can_write("s", "a=b", "v"));
  EXPECT_FALSE(ini_can_write("s", ";k", "v"));
}

TEST(IniFile, ReadsCutTextAndLeadingDigitsAndWritesOnlyTextLeavingTheRestOfTheFile) {
  kbtest::TempFolder dir;
  const std::string ini = (dir.path() / "kb.ini").string();
  kbtest::write_file(ini, kSample);
  const Registry registry(HiveFiles{});
  const auto get = [&](const char* section, const char* key, const char* code,
                       const RegValue& fallback) {
    RegValue out;
    return Read(registry.get_reg_value(ini, section, key, code, fallback, out), out);
  };
  EXPECT_EQ(get("PRINT", "limit", "S", std::string()), Read(0, std::string("3")));
  EXPECT_EQ(get("Print", "Missing", "S", std::string("dflt  ")), Read(0, std::string("dflt")));
  EXPECT_EQ(get("Print", "Missing", "S", true), Read(0, std::string("True")));
  EXPECT_EQ(get("print", "Extra", "D", std::string()), Read(0, std::int32_t{12}));
  EXPECT_EQ(get("print", "Title", "X", std::string()), Read(0, std::int32_t{0}));
  EXPECT_EQ(get("print", "Missing", "B", true), Read(0, std::int32_t{0}));

  EXPECT_EQ(registry.set_reg_value(ini, "Print", "Limit", "D", std::int32_t{4}), NO_ROOT);
  EXPECT_EQ(registry.set_reg_value(ini, "Print", "Limit", "S", std::string("a\nb=c")),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(kbtest::read_file(ini), kSample);
  EXPECT_EQ(registry.set_reg_value(ini, "PRINT", "limit", "S", std::int32_t{4}), 0);
  EXPECT_EQ(kbtest::read_file(ini), ini_with_value(kSample, "Print", "Limit", "4"));
  EXPECT_EQ(registry.set_reg_value(ini, "Users", "Mary", "s", std::string("1")), 0);
  EXPECT_EQ(get("users", "MARY", "S", std::string()), Read(0, std::string("1")));
  // A file that cannot be replaced answers access denied.
  EXPECT_EQ(write_private_profile_string(ini + "/kb.ini", "s", "k", "v"), ERROR_ACCESS_DENIED);

  kbtest::write_file(ini, "[s]\nlong=" + std::string(300, 'a') + "\nwide=" + std::string(253, 'b') +
                              "\xC3\xA9" + "\nneg= -42x\nempty=\n");
  EXPECT_EQ(get_private_profile_string(ini, "s", "long", ""), std::string(254, 'a'));
  // The two-byte character would be cut in half at 254 bytes, so it is left out.
  EXPECT_EQ(get_private_profile_string(ini, "s", "wide", ""), std::string(253, 'b'));
  EXPECT_EQ(get_private_profile_int(ini, "s", "neg", 7), -42);
  EXPECT_EQ(get_private_profile_int(ini, "s", "empty", 7), 7);
}

}  // namespace
}  // namespace modRegistry
