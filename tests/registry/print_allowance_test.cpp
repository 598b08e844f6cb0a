#include "registry/print_allowance.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/clocks.h"
#include "support/recorded_messages.h"
#include "support/temp_folder.h"

namespace modKitebrook {
namespace {

using Texts = std::vector<std::string>;
using Stored = std::pair<std::string, std::string>;  // the count and the day
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
  PrintAllowanceTest() { clock_.time = local_time("2026-12-06T09:45:03"); }

  Stored stored() const {
    modRegistry::RegValue count, day;
    registry_.get_reg_value("HKLM", kKey, "PrintCount", "S", std::string("<missing>"), count);
    registry_.get_reg_value("HKLM", kKey, "LastPrintUpdate", "S", std::string("<missing>"), day);
    return {std::get<std::string>(count), std::get<std::string>(day)};
  }
  void store(const std::string& count, const std::string& day) {
    ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "PrintCount", "S", count), 0);
    ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "LastPrintUpdate", "S", day), 0);
  }

  kbtest::TempFolder dir_;
  kbtest::FixedClock clock_;
  kbtest::RecordedMessages box_;
  modRegistry::HiveFiles hives_ =
      modRegistry::hive_files(dir_.path() / "program" / "Registry", dir_.path() / "HKCU.sqlite");
  modRegistry::Registry registry_{hives_};
  PrintAllowance allowance_{registry_, clock_, box_};
};

TEST_F(PrintAllowanceTest, CountsUpToTheLimitADayAndStartsAgainOnAnotherDay) {
  for (const char* expected : {"1", "2", "3"}) {
    EXPECT_TRUE(allowance_.can_print(3));
    EXPECT_EQ(stored(), Stored(expected, "2026-12-06T09:45:03"));
    clock_.time += 60;  // counting does not move the day's mark
  }

  store("2", "2026-12-05T23:59:59");
  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_EQ(stored(), Stored("1", "2026-12-06T09:48:03"));
  clock_.time = local_time("2026-12-05T12:00:00");  // set back a day
  EXPECT_TRUE(allowance_.can_print(2));
  EXPECT_EQ(stored(), Stored("1", "2026-12-05T12:00:00"));

  // A limit of zero refuses, but still resets a new day.
  store("5", "2026-12-01T08:00:00");
  EXPECT_FALSE(allowance_.can_print(0));
  EXPECT_EQ(stored(), Stored("0", "2026-12-05T12:00:00"));
  EXPECT_TRUE(box_.texts.empty());
}

TEST_F(PrintAllowanceTest, StoredValuesAreReadLenientlyButADayThatIsNotADateRefusesEveryPrint) {
  // A day without a count counts from 0.
  ASSERT_EQ(registry_.set_reg_value("HKLM", kKey, "LastPrintUpdate", "S",
                                    std::string("2026-12-06T00:00:01")),
            0);
  EXPECT_EQ(allowance_.get_daily_print_count(3), 0);
  EXPECT_EQ(stored().second, "2026-12-06T00:00:01");
  // A count takes its leading number; only the stored date's day counts.
  for (const auto& [count, day, after] : {std::tuple{"2", " 2026-12-06 ", "3"},
                                          {"2.5", "2026-12-06 09:00", "3"},
                                          {"abc", "2026-12-06T09:00:00.250", "1"},
                                          {"2", "2024-02-29", "1"}}) {
    store(count, day);
    EXPECT_TRUE(allowance_.can_print(3)) << day;
    EXPECT_EQ(stored().first, after) << day;
  }
  EXPECT_TRUE(box_.texts.empty());

  // A count over 16 bits, or a day that is not a date, refuses every print until corrected.
  std::vector<Stored> bad = {{"40000", "2026-12-06T09:00:00"}};
  for (const char* day :
       {"12/5/2026 11:45:03 AM", "2026-02-30T10:00:00", "2025-02-29", "2026-12-06T25:00:00",
        "2025-01-09T10", "2025-1-09", "2025-01-09T10:00:00+01:00", "2026-12-06Z", ""})
    bad.emplace_back("0", day);
  for (const auto& [count, day] : bad) {
    box_.texts.clear();
    store(count, day);
    EXPECT_FALSE(allowance_.can_print(9)) << day;
    EXPECT_EQ(box_.texts, Texts{"Error in get daily print count"}) << day;
    EXPECT_EQ(stored(), Stored(count, day));
  }
}

TEST_F(PrintAllowanceTest, ACounterThatCannotBeStoredOrIsDamagedRefusesAndSaysWhy) {
  store("1", "2026-12-06T09:00:00");
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(hives_.hklm.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_FALSE(allowance_.can_print(3));  // instead of waiting
  EXPECT_EQ(box_.texts, Texts{kRefused + "(another Kitebrook window kept it busy)."});
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_EQ(stored().first, "2");

  // Kept aside under the name the message gives, and a new counter started.
  box_.texts.clear();
  const std::string damaged = "SQLite format 3" + std::string(200, '\x7f');
  kbtest::write_file(hives_.hklm, damaged);
  EXPECT_FALSE(allowance_.can_print(3));
  ASSERT_EQ(box_.texts.size(), 1u);
  const std::string& text = box_.texts[0];
  const std::string kept_as = "The print counter was damaged. It was kept as ";
  ASSERT_EQ(text.rfind(kept_as + "HKLM.sqlite.damaged-", 0), 0u) << text;
  const std::string name =
      text.substr(kept_as.size(), text.find(' ', kept_as.size()) - kept_as.size());
  EXPECT_EQ(kbtest::read_file(hives_.hklm.parent_path() / name), damaged);
  EXPECT_TRUE(allowance_.can_print(3));
  EXPECT_EQ(stored().first, "1");
  EXPECT_EQ(box_.texts.size(), 1u);

  std::filesystem::remove_all(dir_.path() / "program");
  kbtest::write_file(dir_.path() / "program", "not a folder");
  EXPECT_FALSE(allowance_.can_print(3));
  EXPECT_EQ(box_.texts.back(), kRefused + "(its file or folder may not be written).");
}

long count_of(const std::string& marks, char mark) {
  return static_cast<long>(std::count(marks.begin(), marks.end(), mark));
}

// After a kill a read sees the last committed count: the journal is rolled back.
TEST_F(PrintAllowanceTest, SessionsCountingAtOnceOrKilledAtRandomPointsNeverLoseACount) {
  const std::string folder = hives_.hklm.parent_path().string();
  kbtest::ChildProcess first({KB_PRINT_COUNTER_DRIVER, folder, "150"});
  kbtest::ChildProcess second({KB_PRINT_COUNTER_DRIVER, folder, "150"});
  const std::string marks = first.read_all() + second.read_all();
  EXPECT_EQ(first.wait(), 0);
  EXPECT_EQ(second.wait(), 0);
  EXPECT_EQ(marks.size(), 300u);
  // A session kept waiting refuses rather than print uncounted.
  long counted = count_of(marks, 'p');
  EXPECT_GT(counted, 0);
  EXPECT_EQ(std::stol(stored().first), counted);

  const unsigned seed = static_cast<unsigned>(std::random_device{}());
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delay_us(0, 12000);
  SCOPED_TRACE("seed " + std::to_string(seed));
  for (int kill = 0; kill < 220; ++kill) {
    kbtest::ChildProcess writer({KB_PRINT_COUNTER_DRIVER, folder, "0"});
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    writer.kill_now();
    writer.wait();
    const std::string reported = writer.read_all();
    ASSERT_EQ(count_of(reported, 'r'), 0) << "a print was refused";
    // At most the print in flight when the kill came is stored unreported.
    const long printed = count_of(reported, 'p');
    const long now = std::stol(stored().first);
    ASSERT_GE(now, counted + printed) << "after kill " << kill;
    ASSERT_LE(now, counted + printed + 1) << "after kill " << kill;
    counted = now;
  }
}

}  // namespace
}  // namespace modKitebrook
