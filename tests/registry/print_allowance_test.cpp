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
const std::string kKey = "Software\\Marlowby Software\\Kitebrook";

std::time_t local_time(int year, int month, int day, int hour, int minute, int second) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = -1;
  return std::mktime(&parts);
}

class PrintAllowanceTest : public ::testing::Test {
 protected:
  PrintAllowanceTest() : registry_(hives()), allowance_(registry_, clock_, box_) {
    clock_.time = local_time(2026, 12, 6, 9, 45, 3);
  }

  modRegistry::HiveFiles hives() const {
    modRegistry::HiveFiles f;
    f.hklm = dir_.path() / "program" / "Registry" / "HKLM.sqlite";
    f.hkcu = dir_.path() / "HKCU.sqlite";
    return f;
  }
  std::string stored(const std::string& name) const {
    RegValue out = std::string("<missing>");
    registry_.get_reg_value("HKLM", kKey, name, "S", std::string("<missing>"), out);
    return std::get<std::string>(out);
  }
  void store(const std::string& name, const std::string& text) {
    ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, name, "S", text), 0);
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
    EXPECT_EQ(stored("PrintCount"), expected);
    clock_.time += 60;  // counting does not move the day's mark
  }
  EXPECT_FALSE(allowance_.can_print(3));
  EXPECT_EQ(stored("PrintCount"), "3");
  EXPECT_EQ(stored("LastPrintUpdate"), "2026-12-06T09:45:03");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, ANewDayOrAClockSetBackResetsBeforeCounting) {
  store("PrintCount", "2");
  store("LastPrintUpdate", "2026-12-05T23:59:59");
  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_EQ(stored("PrintCount"), "1");
  EXPECT_EQ(stored("LastPrintUpdate"), "2026-12-06T09:45:03");

  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_FALSE(allowance_.can_print(2));
  clock_.time = local_time(2026, 12, 5, 12, 0, 0);  // set back a day
  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_EQ(stored("PrintCount"), "1");
  EXPECT_EQ(stored("LastPrintUpdate"), "2026-12-05T12:00:00");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, ALimitOfZeroOrLessRefusesButStillResetsANewDay) {
  store("PrintCount", "5");
  store("LastPrintUpdate", "2026-12-01T08:00:00");
  EXPECT_FALSE(allowance_.can_print(0));
  EXPECT_EQ(stored("PrintCount"), "0");
  EXPECT_EQ(stored("LastPrintUpdate"), "2026-12-06T09:45:03");
  EXPECT_FALSE(allowance_.can_print(-1));
  EXPECT_EQ(stored("PrintCount"), "0");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, OnlyTheCalendarDateOfTheStoredDayCounts) {
  store("LastPrintUpdate", "2026-12-06T00:00:01");
  EXPECT_EQ(allowance_.get_daily_print_count(3), 0);  // PrintCount missing: from 0
  EXPECT_EQ(stored("LastPrintUpdate"), "2026-12-06T00:00:01");
  store("PrintCount", "2");
  store("LastPrintUpdate", " 2026-12-06 ");
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_EQ(stored("PrintCount"), "3");
  EXPECT_EQ(stored("LastPrintUpdate"), " 2026-12-06 ");
}

TEST_F(PrintAllowanceTest, StoredCountsTakeTheirLeadingNumberAndMustFit16Bits) {
  store("LastPrintUpdate", "2026-12-06T09:00:00");
  store("PrintCount", "2.5");
  EXPECT_EQ(allowance_.get_daily_print_count(9), 2);
  store("PrintCount", "abc");
  EXPECT_EQ(allowance_.get_daily_print_count(9), 0);
  EXPECT_TRUE(box_.texts.empty());

  store("PrintCount", "40000");
  EXPECT_FALSE(allowance_.can_print(9));
  EXPECT_EQ(box_.texts, std::vector<std::string>{"Error in get daily print count"});
  EXPECT_EQ(stored("PrintCount"), "40000");
}

TEST_F(PrintAllowanceTest, AStoredDayThatIsNotADateRefusesEveryPrintUntilCorrected) {
  for (const char* bad :
       {"12/5/2026 11:45:03 AM", "2026-02-30T10:00:00", "2026-12-06T25:00:00", "2026-12-06Z", ""}) {
    box_.texts.clear();
    store("PrintCount", "0");
    store("LastPrintUpdate", bad);
    EXPECT_FALSE(allowance_.can_print(3)) << bad;
    EXPECT_EQ(box_.texts, std::vector<std::string>{"Error in get daily print count"}) << bad;
    EXPECT_EQ(stored("LastPrintUpdate"), bad);
    EXPECT_EQ(stored("PrintCount"), "0");
  }
  store("LastPrintUpdate", "2026-12-06T09:00:00");
  box_.texts.clear();
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, ACounterThatCannotBeStoredRefusesEveryPrintAndSaysWhy) {
  kbtest::write_file(dir_.path() / "program", "not a folder");
  EXPECT_FALSE(allowance_.can_print(3));
  ASSERT_EQ(box_.texts.size(), 1u);
  EXPECT_EQ(box_.texts[0],
            "Printing is refused: the day's print count cannot be read or stored (its file or "
            "folder may not be written).");
}

TEST_F(PrintAllowanceTest, ACounterHeldByAnotherSessionRefusesThePrintInsteadOfWaiting) {
  store("PrintCount", "1");
  store("LastPrintUpdate", "2026-12-06T09:00:00");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(hives().hklm.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_FALSE(allowance_.can_print(3));
  EXPECT_EQ(box_.texts,
            std::vector<std::string>{"Printing is refused: the day's print count cannot be read or "
                                     "stored (another Kitebrook window kept it busy)."});
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  box_.texts.clear();
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_EQ(stored("PrintCount"), "2");
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, ADamagedCounterIsKeptAsideAndANewOneStarted) {
  store("PrintCount", "2");
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
  EXPECT_EQ(stored("PrintCount"), "1");
  EXPECT_TRUE(box_.texts.empty());
}

TEST(LocalDateTime, WritesIsoLocalTimeAndReadsBackTheSameDay) {
  const std::time_t moment = local_time(2026, 2, 28, 23, 5, 9);
  EXPECT_EQ(iso_local_date_time(moment), "2026-02-28T23:05:09");
  EXPECT_EQ(calendar_date_of(iso_local_date_time(moment)), local_date_of(moment));
  EXPECT_EQ(calendar_date_of("2024-02-29 07:30"), (CalendarDate{2024, 2, 29}));
  EXPECT_EQ(calendar_date_of("2024-02-29T07:30:00.250"), (CalendarDate{2024, 2, 29}));
  EXPECT_THROW(calendar_date_of("2025-02-29"), kb::Error);
  EXPECT_THROW(calendar_date_of("2025-1-09"), kb::Error);
  EXPECT_THROW(calendar_date_of("2025-01-09T10"), kb::Error);
  EXPECT_THROW(calendar_date_of("2025-01-09T10:00:00+01:00"), kb::Error);
}

}  // namespace
}  // namespace modKitebrook
