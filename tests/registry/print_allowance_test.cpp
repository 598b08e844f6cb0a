#include "registry/print_allowance.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <vector>

#include "common/kb_error.h"
#include "registry/local_date_time.h"
#include "support/clocks.h"
#include "support/recorded_messages.h"
#include "support/temp_folder.h"

namespace modKitebrook {
namespace {

using modRegistry::RegValue;
using Texts = std::vector<std::string>;
const std::string kKey = "Software\\Marlowby Software\\Kitebrook";
const std::string kRefused = "Printing is refused: the day's print count cannot be read or stored ";

std::time_t local_time(const char* iso) {
  std::tm parts{};
  ::strptime(iso, "%Y-%m-%dT%H:%M:%S", &parts);
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

class PrintAllowanceTest : public ::testing::Test {
 protected:
  PrintAllowanceTest() : registry_(hives()), allowance_(registry_, clock_, box_) {
    clock_.time = local_time("2026-12-06T09:45:03");
  }

  modRegistry::HiveFiles hives() const {
    modRegistry::HiveFiles f;
    f.hklm = dir_.path() / "program" / "Registry" / "HKLM.sqlite";
    f.hkcu = dir_.path() / "HKCU.sqlite";
    return f;
  }
  // The stored count and day, "<missing>" for either not stored.
  std::pair<std::string, std::string> stored() const {
    std::pair<std::string, std::string> both;
    for (auto [name, text] :
         {std::pair{"PrintCount", &both.first}, {"LastPrintUpdate", &both.second}}) {
      RegValue out = std::string("<missing>");
      registry_.get_reg_value("HKLM", kKey, name, "S", std::string("<missing>"), out);
      *text = std::get<std::string>(out);
    }
    return both;
  }
  void store(const std::string& count, const std::string& day) {
    ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "PrintCount", "S", count), 0);
    ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "LastPrintUpdate", "S", day), 0);
  }

  kbtest::TempFolder dir_;
  kbtest::FixedClock clock_;
  kbtest::RecordedMessages box_;
  modRegistry::Registry registry_;
  PrintAllowance allowance_;
};

TEST_F(PrintAllowanceTest, ALimitOfThreeAllowsThreePrintsADayOnAFreshMachine) {
  for (const char* expected : {"1", "2", "3"}) {
    EXPECT_TRUE(allowance_.can_print(3));
    EXPECT_EQ(stored(), std::make_pair(std::string(expected), std::string("2026-12-06T09:45:03")));
    clock_.time += 60;  // counting does not move the day's mark
  }
  EXPECT_FALSE(allowance_.can_print(3));
  EXPECT_EQ(stored().first, "3");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, ANewDayOrAClockSetBackResetsBeforeCountingWhateverTheLimit) {
  store("2", "2026-12-05T23:59:59");
  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_EQ(stored(), std::make_pair(std::string("1"), std::string("2026-12-06T09:45:03")));
  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_FALSE(allowance_.can_print(2));
  clock_.time = local_time("2026-12-05T12:00:00");  // set back a day
  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_EQ(stored(), std::make_pair(std::string("1"), std::string("2026-12-05T12:00:00")));

  // A limit of zero or less refuses, but still resets a new day.
  store("5", "2026-12-01T08:00:00");
  EXPECT_FALSE(allowance_.can_print(0));
  EXPECT_EQ(stored(), std::make_pair(std::string("0"), std::string("2026-12-05T12:00:00")));
  EXPECT_FALSE(allowance_.can_print(-1));
  EXPECT_EQ(stored().first, "0");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, StoredCountsTakeTheirLeadingNumberAndOnlyTheStoredDatesDayCounts) {
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "LastPrintUpdate", "S",
                                    std::string("2026-12-06T00:00:01")),
            0);
  EXPECT_EQ(allowance_.get_daily_print_count(3), 0);  // PrintCount missing: from 0
  EXPECT_EQ(stored().second, "2026-12-06T00:00:01");
  store("2.5", "2026-12-06T09:00:00");
  EXPECT_EQ(allowance_.get_daily_print_count(9), 2);
  store("abc", "2026-12-06T09:00:00");
  EXPECT_EQ(allowance_.get_daily_print_count(9), 0);
  store("2", " 2026-12-06 ");
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_EQ(stored(), std::make_pair(std::string("3"), std::string(" 2026-12-06 ")));
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, ACountOver16BitsOrADayThatIsNotADateRefusesEveryPrintUntilCorrected) {
  const std::pair<const char*, const char*> bad[] = {{"40000", "2026-12-06T09:00:00"},
                                                     {"0", "12/5/2026 11:45:03 AM"},
                                                     {"0", "2026-02-30T10:00:00"},
                                                     {"0", "2026-12-06T25:00:00"},
                                                     {"0", "2026-12-06Z"},
                                                     {"0", ""}};
  for (const auto& [count, day] : bad) {
    box_.texts.clear();
    store(count, day);
    EXPECT_FALSE(allowance_.can_print(9)) << day;
    EXPECT_EQ(box_.texts, Texts{"Error in get daily print count"}) << day;
    EXPECT_EQ(stored(), std::make_pair(std::string(count), std::string(day)));
  }
  store("0", "2026-12-06T09:00:00");
  box_.texts.clear();
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, ACounterThatCannotBeStoredOrIsHeldByAnotherSessionRefusesAndSaysWhy) {
  store("1", "2026-12-06T09:00:00");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(hives().hklm.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_FALSE(allowance_.can_print(3));  // instead of waiting
  EXPECT_EQ(box_.texts, Texts{kRefused + "(another Kitebrook window kept it busy)."});
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_EQ(stored().first, "2");
  EXPECT_EQ(box_.texts.size(), 1u);

  box_.texts.clear();
  std::filesystem::remove_all(dir_.path() / "program");
  kbtest::write_file(dir_.path() / "program", "not a folder");
  EXPECT_FALSE(allowance_.can_print(3));
  EXPECT_EQ(box_.texts, Texts{kRefused + "(its file or folder may not be written)."});
}

TEST_F(PrintAllowanceTest, ADamagedCounterIsKeptAsideAndANewOneStarted) {
  store("2", "2026-12-06T09:00:00");
  const auto hklm = hives().hklm;
  const std::string damaged = "SQLite format 3" + std::string(200, '\x7f');
  kbtest::write_file(hklm, damaged);
  EXPECT_FALSE(allowance_.can_print(3));
  ASSERT_EQ(box_.texts.size(), 1u);
  EXPECT_NE(box_.texts[0].find("The print counter was damaged. It was kept as "
                               "HKLM.sqlite.damaged-"),
            std::string::npos)
      << box_.texts[0];
  std::vector<std::filesystem::path> aside;
  for (const auto& entry : std::filesystem::directory_iterator(hklm.parent_path()))
    if (entry.path().filename().string().rfind("HKLM.sqlite.damaged-", 0) == 0)
      aside.push_back(entry.path());
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(kbtest::read_file(aside[0]), damaged);
  box_.texts.clear();
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_EQ(stored().first, "1");
  EXPECT_TRUE(box_.texts.empty());
}

TEST(LocalDateTime, WritesIsoLocalTimeAndReadsBackTheSameDay) {
  const std::time_t moment = local_time("2026-02-28T23:05:09");
  EXPECT_EQ(iso_local_date_time(moment), "2026-02-28T23:05:09");
  EXPECT_EQ(calendar_date_of(iso_local_date_time(moment)), local_date_of(moment));
  EXPECT_EQ(calendar_date_of("2024-02-29 07:30"), (CalendarDate{2024, 2, 29}));
  EXPECT_EQ(calendar_date_of("2024-02-29T07:30:00.250"), (CalendarDate{2024, 2, 29}));
  for (const char* bad : {"2025-02-29", "2025-1-09", "2025-01-09T10", "2025-01-09T10:00:00+01:00"})
    EXPECT_THROW(calendar_date_of(bad), kb::Error) << bad;
}

}  // namespace
}  // namespace modKitebrook
