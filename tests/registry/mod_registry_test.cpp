#include "registry/mod_registry.h"

#include <gtest/gtest.h>

#include "registry/ini_file.h"
#include "registry/ini_text.h"
#include "registry/registry_status.h"
#include "registry/sqlite_db.h"
#include "support/environment_kept.h"
#include "support/temp_folder.h"

namespace modRegistry {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Read = std::pair<std::int32_t, RegValue>;  // a read's status and the value it gave

const std::string kKey = "Software\\Marlowby Software\\Kitebrook";
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
  EXPECT_EQ(ini_find_value(kSample, "Print", "NoValue"), std::nullopt);
  EXPECT_EQ(ini_find_value(kSample, "Print", "top"), std::nullopt);
  EXPECT_EQ(ini_find_value(kSample, "Other", "Limit"), std::nullopt);

  for (const auto& [text, section, key, expected] :
       {std::tuple{"[a]\nx\n", "A", "x", "[a]\nx=1\n"},
        {"[a]\nx=1\n\n[b]\ny=2\n", "A", "z", "[a]\nx=1\nz=1\n\n[b]\ny=2\n"},  // before blank lines
        {"[a]", "a", "z", "[a]\nz=1\n"},
        {"[a]\r\nx=1", "New", "k", "[a]\r\nx=1\r\n[New]\r\nk=1\r\n"},  // a line break supplied
        {"", "s", "k", "[s]\nk=1\n"},
        {"\xEF\xBB\xBF[s]\nk=0\n", "s", "k", "\xEF\xBB\xBF[s]\nk=1\n"}})
    EXPECT_EQ(ini_with_value(text, section, key, "1"), expected);

  EXPECT_TRUE(ini_can_write("s", "k", "any text = ; [x]"));
  for (const auto& [section, key, value] : {std::tuple{"s", "k", "two\nlines"},
                                            {"s", "k\r", "v"},
                                            {"s]", "k", "v"},
                                            {"s", "a=b", "v"},
                                            {"s", ";k", "v"}})
    EXPECT_FALSE(ini_can_write(section, key, value)) << section << key << value;
}

TEST(Registry, HivesAndIniFilesStoreValuesInTheirOwnFormsAndReportWhatCannotBeDone) {
  const kbtest::TempFolder dir;
  const fs::path folder = dir.path() / "program" / "Registry";
  const HiveFiles files = hive_files(folder, dir.path() / "HKCU.sqlite");
  const Registry registry(files);
  const auto get = [&](const std::string& name, const char* code, const RegValue& fallback,
                       const std::string& root = "HKLM", const std::string& key = kKey) {
    RegValue out;
    return Read(registry.get_reg_value(root, key, name, code, fallback, out), out);
  };
  const auto set = [&](const std::string& name, const char* code, const RegValue& value,
                       const std::string& root = "HKLM", const std::string& key = kKey) {
    return registry.set_reg_value(root, key, name, code, value);
  };
  const auto raw = [](const fs::path& file, const std::string& name) {
    SqliteDb db(file, SQLITE_OPEN_READONLY);
    SqliteStatement query(db, "SELECT type, data FROM reg_values WHERE name = ?1");
    EXPECT_TRUE(query.bind_text(1, name).step()) << name;
    return std::make_pair(static_cast<int>(query.column_int64(0)), query.column_blob(1));
  };

  const std::string ini = (dir.path() / "kb.ini").string();
  kbtest::write_file(ini, kSample);
  kbtest::write_file(dir.path() / ".hidden.ini", kSample);
  for (const fs::path& none : {dir.path() / ".hidden.ini", dir.path(), dir.path() / "missing.ini",
                               fs::path(ini) / "x", fs::path("HKEY_LOCAL_MACHINE"), fs::path()})
    EXPECT_EQ(registry.get_root_key(none.string()), NO_ROOT_KEY) << none;
  EXPECT_EQ(get("v", "S", "d"s, "nowhere"), Read(NO_ROOT, "d"s));
  EXPECT_EQ(set("v", "S", "x"s, "nowhere"), NO_ROOT);
  EXPECT_EQ(get("Missing", "S", "dflt  "s, ini, "Print"), Read(0, "dflt"s));
  EXPECT_EQ(get("Extra", "D", ""s, ini, "print"), Read(0, std::int32_t{12}));  // second [print]
  EXPECT_EQ(get("Title", "X", ""s, ini, "print"), Read(0, std::int32_t{0}));
  EXPECT_EQ(get("Missing", "B", true, ini, "print"), Read(0, std::int32_t{0}));
  EXPECT_EQ(set("Limit", "D", std::int32_t{4}, ini, "Print"), NO_ROOT);
  EXPECT_EQ(set("Limit", "S", "a\nb=c"s, ini, "Print"), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(kbtest::read_file(ini), kSample);
  EXPECT_EQ(set("limit", "S", std::int32_t{4}, ini, "PRINT"), 0);  // in place, spacing kept
  EXPECT_EQ(kbtest::read_file(ini),
            "; parent's settings\r\ntop=outside any section\r\n[Print]\r\n  Limit = 4\r\n"
            "Title=\"  quoted  \"\r\nNoValue\r\n\r\n[print]\r\nLimit=9\r\nExtra=12abc\r\n");
  EXPECT_EQ(write_private_profile_string(ini + "/kb.ini", "s", "k", "v"), ERROR_ACCESS_DENIED);
  kbtest::write_file(ini, "[s]\nlong=" + std::string(300, 'a') + "\nwide=" + std::string(253, 'b') +
                              "\xC3\xA9" + "\nneg= -42x\nempty=\n");
  EXPECT_EQ(get_private_profile_string(ini, "s", "long", ""), std::string(254, 'a'));
  // The two-byte character would be cut in half at 254 bytes, so it is left out.
  EXPECT_EQ(get_private_profile_string(ini, "s", "wide", ""), std::string(253, 'b'));
  EXPECT_EQ(get_private_profile_int(ini, "s", "neg", 7), -42);
  EXPECT_EQ(get_private_profile_int(ini, "s", "empty", 7), 7);

  EXPECT_EQ(get("PrintCount", "S", "none"s), Read(ERROR_FILE_NOT_FOUND, "none"s));
  EXPECT_FALSE(fs::exists(folder));  // a read creates nothing
  ASSERT_EQ(set("PrintCount", "S", "0"s), 0);
  EXPECT_EQ(raw(files.hklm, "PrintCount"), std::make_pair(1, "0\0"s));  // the text and one NUL
  ASSERT_EQ(set("printcount", "s", "2"s, "hklm", "SOFTWARE\\marlowby software\\KITEBROOK"), 0);
  EXPECT_EQ(get("PRINTCOUNT", "S", ""s, "HKLM", "software\\MARLOWBY SOFTWARE\\kitebrook"),
            Read(0, "2"s));
  ASSERT_EQ(set("Flag", "S", true), 0);  // text of other values is their text form
  EXPECT_EQ(get("Flag", "S", ""s), Read(0, "True"s));
  EXPECT_EQ(get("", "S", "d"s), Read(ERROR_FILE_NOT_FOUND, "d"s));
  ASSERT_EQ(set("", "S", "top"s), 0);
  EXPECT_EQ(get("", "S", ""s), Read(0, "top"s));
  EXPECT_EQ(set("v", "X", "1"s, "HKLM", "Fresh\\Sub"), 0);
  EXPECT_EQ(get("v", "X", std::int32_t{7}, "HKLM", "Fresh\\Sub"), Read(0, std::int32_t{7}));
  EXPECT_EQ(get("v", "X", std::int32_t{7}, "HKLM", "Fresh"), Read(0, std::int32_t{7}));
  EXPECT_EQ(get("v", "S", "d"s, "HKLM", "Fresh\\Sub"), Read(ERROR_FILE_NOT_FOUND, "d"s));
  ASSERT_EQ(set("On", "B", true), 0);
  EXPECT_EQ(raw(files.hklm, "On"), std::make_pair(3, "\xFF\xFF"s));
  ASSERT_EQ(set("Off", "b", "False"s), 0);
  EXPECT_EQ(raw(files.hklm, "Off"), std::make_pair(3, "\0\0"s));
  EXPECT_EQ(get("On", "B", false), Read(0, true));
  EXPECT_EQ(get("Off", "B", true), Read(0, false));
  EXPECT_EQ(get("On", "D", std::int32_t{0}), Read(0, std::int32_t{0xFFFF}));  // zero-extended
  ASSERT_EQ(set("Four", "D", std::int32_t{1}), 0);
  EXPECT_EQ(get("Four", "B", false), Read(ERROR_MORE_DATA, false));
  ASSERT_EQ(set("Long", "S", "12345678"s), 0);
  EXPECT_EQ(get("Long", "D", std::int32_t{5}), Read(ERROR_MORE_DATA, std::int32_t{5}));
  EXPECT_EQ(set("Bad", "B", "maybe"s), NO_ROOT);
  ASSERT_EQ(set("Neg", "D", std::int32_t{-2}), 0);
  EXPECT_EQ(raw(files.hklm, "Neg"), std::make_pair(4, "\xFE\xFF\xFF\xFF"s));
  ASSERT_EQ(set("Half", "D", "2.5"s), 0);
  EXPECT_EQ(get("Half", "D", std::int32_t{0}), Read(0, std::int32_t{2}));
  ASSERT_EQ(set("True", "D", true), 0);
  EXPECT_EQ(get("True", "D", std::int32_t{0}), Read(0, std::int32_t{-1}));
  EXPECT_EQ(set("Big", "D", std::int32_t{70000}, "HKLM", "Other"), NO_ROOT);
  EXPECT_EQ(set("Big", "D", "abc"s, "HKLM", "Other"), NO_ROOT);
  EXPECT_EQ(get("Big", "X", std::int32_t{0}, "HKLM", "Other").first, ERROR_FILE_NOT_FOUND);

  for (const std::string hive : {"HKCU", "HKLM", "HKU", "HKDD", "HKCC", "HKCR"})
    ASSERT_EQ(set("w", "S", hive, hive), 0);
  for (const std::string hive : {"HKLM", "HKU", "HKDD", "HKCC", "HKCR"})
    EXPECT_EQ(raw(folder / (hive + ".sqlite"), "w").second, hive + '\0');
  EXPECT_EQ(raw(files.hkcu, "w").second, "HKCU\0"s);
  EXPECT_EQ(fs::status(files.hklm).permissions(), fs::perms(0666));
  EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0777));
  EXPECT_EQ(fs::status(files.hkcu).permissions() & fs::perms::others_write, fs::perms::none);
  // A file where the hive's folder should be stops every account, root included.
  fs::remove_all(dir.path() / "program");
  kbtest::write_file(dir.path() / "program", "not a folder");
  EXPECT_EQ(get("PrintCount", "S", ""s).first, ERROR_FILE_NOT_FOUND);
  fs::remove(files.hkcu);
  fs::create_directories(files.hkcu);  // a folder where the database file should be
  EXPECT_EQ(set("v", "S", "1"s, "HKCU"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(get("v", "S", ""s, "HKCU").first, ERROR_ACCESS_DENIED);
  fs::remove(dir.path() / "program");
  kbtest::write_file(files.hklm, std::string(4096, 'x'));
  EXPECT_EQ(get("v", "S", ""s).first, ERROR_BADDB);
  EXPECT_EQ(kbtest::read_file(files.hklm), std::string(4096, 'x'));

  const kbtest::EnvironmentKept kept{"XDG_CONFIG_HOME"};
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(default_hive_files("/opt/kb").hkcu, fs::path("/cfg/kitebrook/HKCU.sqlite"));
}

}  // namespace
}  // namespace modRegistry
