#include "registry/mod_registry.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "registry/registry_status.h"
#include "support/temp_folder.h"

namespace modRegistry {
namespace {

namespace fs = std::filesystem;

const std::string kKey = "Software\\Marlowby Software\\Kitebrook";

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() : registry_(files()) {}

  HiveFiles files() const {
    return hive_files(dir_.path() / "program" / "Registry", dir_.path() / "home" / "HKCU.sqlite");
  }

  // The type and raw bytes of a stored value, read straight from the database.
  std::pair<int, std::string> raw(const std::string& name) const {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(files().hklm.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT type, data FROM reg_values WHERE name = ?1", -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    std::pair<int, std::string> result{-1, ""};
    if (sqlite3_step(stmt) == SQLITE_ROW)
      result = {sqlite3_column_int(stmt, 0),
                std::string(static_cast<const char*>(sqlite3_column_blob(stmt, 1)),
                            static_cast<std::size_t>(sqlite3_column_bytes(stmt, 1)))};
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
  }

  kbtest::TempFolder dir_;
  Registry registry_;
};

TEST_F(RegistryTest, RootKeysAreHiveNamesInAnyCaseOrVisibleOrdinaryFiles) {
  EXPECT_EQ(registry_.get_root_key("hklm"), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(registry_.get_root_key("HkCu"), HKEY_CURRENT_USER);
  EXPECT_EQ(registry_.get_root_key("HKCR"), static_cast<std::int32_t>(0x80000000u));
  EXPECT_EQ(registry_.get_root_key("HKDD"), static_cast<std::int32_t>(0x80000006u));
  EXPECT_EQ(registry_.get_root_key("HKEY_LOCAL_MACHINE"), NO_ROOT_KEY);

  const fs::path ini = dir_.path() / "settings.ini";
  kbtest::write_file(ini, "[a]\n");
  kbtest::write_file(dir_.path() / ".hidden.ini", "[a]\n");
  EXPECT_EQ(registry_.get_root_key(ini.string()), INI_FILE_ROOT);
  EXPECT_EQ(registry_.get_root_key((dir_.path() / ".hidden.ini").string()), NO_ROOT_KEY);
  EXPECT_EQ(registry_.get_root_key(dir_.path().string()), NO_ROOT_KEY);
  EXPECT_EQ(registry_.get_root_key((dir_.path() / "missing.ini").string()), NO_ROOT_KEY);
  EXPECT_EQ(registry_.get_root_key(ini.string() + "/x"), NO_ROOT_KEY);
  EXPECT_EQ(registry_.get_root_key(""), NO_ROOT_KEY);

  RegValue out = std::string("d");
  EXPECT_EQ(registry_.get_reg_value("nowhere", kKey, "v", "S", std::string("d"), out), NO_ROOT);
  EXPECT_EQ(registry_.set_reg_value("nowhere", kKey, "v", "S", std::string("x")), NO_ROOT);
}

TEST_F(RegistryTest, ReadingAMissingKeyKeepsTheDefaultAndCreatesNoFile) {
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "PrintCount", "S", std::string("none"), out),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(out, RegValue(std::string("none")));
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "x", "X", std::string("none"), out),
            ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(fs::exists(files().hklm));
  EXPECT_FALSE(fs::exists(files().hklm.parent_path()));
}

TEST_F(RegistryTest, TextRoundTripStoresTheTextAndOneNul) {
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "PrintCount", "S", std::string("0")), 0);
  EXPECT_EQ(raw("PrintCount"), std::make_pair(1, std::string("0\0", 2)));
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "PrintCount", "s", std::string("17")), 0);
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "PrintCount", "S", std::string(), out), 0);
  EXPECT_EQ(out, RegValue(std::string("17")));
  // Text of other values is their text form.
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "Flag", "S", true), 0);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "Flag", "S", std::string(), out), 0);
  EXPECT_EQ(out, RegValue(std::string("True")));
}

TEST_F(RegistryTest, KeyPathsAndValueNamesIgnoreLetterCase) {
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "PrintCount", "S", std::string("1")), 0);
  ASSERT_EQ(registry_.set_reg_value("HKLM", "SOFTWARE\\marlowby software\\KITEBROOK", "printcount",
                                    "S", std::string("2")),
            0);
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKLM", "software\\MARLOWBY SOFTWARE\\kitebrook", "PRINTCOUNT",
                                    "S", std::string(), out),
            0);
  EXPECT_EQ(out, RegValue(std::string("2")));
  // The default value (empty name) is a value of its own.
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "", "S", std::string("d"), out),
            ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "", "S", std::string("top")), 0);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "", "S", std::string(), out), 0);
  EXPECT_EQ(out, RegValue(std::string("top")));
}

TEST_F(RegistryTest, UnknownTypeCodeCreatesTheKeyAndStoresNoValue) {
  EXPECT_EQ(registry_.set_reg_value("HKLM", kKey, "v", "X", std::string("1")), 0);
  RegValue out;
  // The key exists now, with no value: other codes query nothing and succeed.
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "v", "X", std::int32_t{7}, out), 0);
  EXPECT_EQ(out, RegValue(std::int32_t{7}));
  EXPECT_EQ(registry_.get_reg_value("HKLM", "Software", "v", "X", std::int32_t{7}, out), 0);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "v", "S", std::string("d"), out),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(out, RegValue(std::string("d")));
}

TEST_F(RegistryTest, BooleansAreTwoBytesAndOversizedValuesAnswerMoreData) {
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "On", "B", true), 0);
  EXPECT_EQ(raw("On"), std::make_pair(3, std::string("\xFF\xFF", 2)));
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "Off", "b", std::string("False")), 0);
  EXPECT_EQ(raw("Off"), std::make_pair(3, std::string("\0\0", 2)));
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "On", "B", false, out), 0);
  EXPECT_EQ(out, RegValue(true));
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "Off", "B", true, out), 0);
  EXPECT_EQ(out, RegValue(false));
  // Read as a 32-bit integer, FF FF is zero-extended.
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "On", "D", std::int32_t{0}, out), 0);
  EXPECT_EQ(out, RegValue(std::int32_t{0xFFFF}));

  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "Four", "D", std::int32_t{1}), 0);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "Four", "B", false, out), ERROR_MORE_DATA);
  EXPECT_EQ(out, RegValue(false));
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "Long", "S", std::string("12345678")), 0);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "Long", "D", std::int32_t{5}, out),
            ERROR_MORE_DATA);
  EXPECT_EQ(out, RegValue(std::int32_t{5}));
  EXPECT_EQ(registry_.set_reg_value("HKLM", kKey, "Bad", "B", std::string("maybe")), NO_ROOT);
}

TEST_F(RegistryTest, DwordsAre16BitValuesSignExtended) {
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "Neg", "D", std::int32_t{-2}), 0);
  EXPECT_EQ(raw("Neg"), std::make_pair(4, std::string("\xFE\xFF\xFF\xFF", 4)));
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "Neg", "D", std::int32_t{0}, out), 0);
  EXPECT_EQ(out, RegValue(std::int32_t{-2}));
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "Half", "D", std::string("2.5")), 0);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "Half", "D", std::int32_t{0}, out), 0);
  EXPECT_EQ(out, RegValue(std::int32_t{2}));
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "True", "D", true), 0);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "True", "D", std::int32_t{0}, out), 0);
  EXPECT_EQ(out, RegValue(std::int32_t{-1}));

  // A value that does not fit stores nothing at all, not even its key.
  EXPECT_EQ(registry_.set_reg_value("HKLM", "Other", "Big", "D", std::int32_t{70000}), NO_ROOT);
  EXPECT_EQ(registry_.set_reg_value("HKLM", "Other", "Big", "D", std::string("abc")), NO_ROOT);
  EXPECT_EQ(registry_.get_reg_value("HKLM", "Other", "Big", "X", std::int32_t{0}, out),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, AnUnwritableStoreAnswersAccessDenied) {
  // A file where the hive's folder should be: no account, root included, can
  // create the database there.
  kbtest::write_file(dir_.path() / "program", "not a folder");
  EXPECT_EQ(registry_.set_reg_value("HKLM", kKey, "PrintCount", "S", std::string("1")),
            ERROR_ACCESS_DENIED);
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "PrintCount", "S", std::string(), out),
            ERROR_FILE_NOT_FOUND);
  // A folder where the database file should be.
  fs::create_directories(files().hkcu);
  EXPECT_EQ(registry_.set_reg_value("HKCU", kKey, "v", "S", std::string("1")), ERROR_ACCESS_DENIED);
  EXPECT_EQ(registry_.get_reg_value("HKCU", kKey, "v", "S", std::string(), out),
            ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, ADamagedDatabaseIsReportedAndLeftAsItWas) {
  fs::create_directories(files().hklm.parent_path());
  const std::string garbage(4096, 'x');
  kbtest::write_file(files().hklm, garbage);
  EXPECT_EQ(registry_.set_reg_value("HKLM", kKey, "v", "S", std::string("1")), ERROR_BADDB);
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "v", "S", std::string(), out), ERROR_BADDB);
  EXPECT_EQ(kbtest::read_file(files().hklm), garbage);
}

TEST_F(RegistryTest, HivesAreSeparateAndMachineHivesAreWritableByEveryAccount) {
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "v", "S", std::string("machine")), 0);
  ASSERT_EQ(registry_.set_reg_value("HKCU", kKey, "v", "S", std::string("account")), 0);
  RegValue out;
  EXPECT_EQ(registry_.get_reg_value("HKU", kKey, "v", "S", std::string(), out),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry_.get_reg_value("HKLM", kKey, "v", "S", std::string(), out), 0);
  EXPECT_EQ(out, RegValue(std::string("machine")));

  struct stat st {};
  ASSERT_EQ(::stat(files().hklm.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u);
  ASSERT_EQ(::stat(files().hklm.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0777u);
  ASSERT_EQ(::stat(files().hkcu.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0002, 0u);
}

TEST(DefaultHiveFiles, MachineHivesBesideTheProgramAndTheAccountHiveInItsConfigFolder) {
  const char* home = getenv("HOME");
  const char* xdg = getenv("XDG_CONFIG_HOME");
  const std::string saved_home = home ? home : "";
  const std::string saved_xdg = xdg ? xdg : "";
  ::setenv("HOME", "/home/child", 1);
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  HiveFiles files = default_hive_files("/opt/kb");
  EXPECT_EQ(files.hklm, fs::path("/opt/kb/Registry/HKLM.sqlite"));
  EXPECT_EQ(files.hkcr.parent_path(), fs::path("/opt/kb/Registry"));
  EXPECT_EQ(files.hkcu, fs::path("/cfg/kitebrook/HKCU.sqlite"));
  // A relative XDG_CONFIG_HOME is ignored, as the XDG rules ask.
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  files = default_hive_files("/opt/kb");
  EXPECT_EQ(files.hkcu, fs::path("/home/child/.config/kitebrook/HKCU.sqlite"));
  if (xdg)
    ::setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  if (home) ::setenv("HOME", saved_home.c_str(), 1);
}

}  // namespace
}  // namespace modRegistry
