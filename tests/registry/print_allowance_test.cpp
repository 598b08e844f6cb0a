#include "registry/print_allowance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "registry/sqlite_db.h"
#include "support/child_process.h"
#include "support/clocks.h"
#include "support/recorded_messages.h"
#include "support/temp_folder.h"

namespace modKitebrook {
namespace {

TEST(PrintAllowance, CountsEachDayRefusesWhatCannotBeReadOrStoredAndNeverLosesACount) {
  ::setenv("TZ", "Europe/Berlin", 1);  // an hour from UTC, so that a day taken in UTC shows
  ::tzset();
  const kbtest::TempFolder dir;
  const std::filesystem::path folder = dir.path() / "program" / "Registry";
  const modRegistry::Registry registry(modRegistry::hive_files(folder, dir.path() / "HKCU.sqlite"));
  kbtest::FixedClock clock;  // 2026-12-06T13:00:00 in Berlin
  kbtest::RecordedMessages box;
  PrintAllowance allowance(registry, clock, box);
  const std::string key = "Software\\Marlowby Software\\Kitebrook";
  const std::string refused = "Printing is refused: the day's print count cannot be read or stored";
  const auto state = [&] {
    modRegistry::RegValue count, day;
    registry.get_reg_value("HKLM", key, "PrintCount", "S", std::string("-"), count);
    registry.get_reg_value("HKLM", key, "LastPrintUpdate", "S", std::string("-"), day);
    std::string text = std::get<std::string>(count) + " " + std::get<std::string>(day);
    for (const std::string& message : std::exchange(box.texts, {})) text += "|" + message;
    return text;
  };
  const auto store = [&](const std::string& count, const std::string& day) {
    registry.set_reg_value("HKLM", key, "PrintCount", "S", count);
    registry.set_reg_value("HKLM", key, "LastPrintUpdate", "S", day);
  };

  registry.set_reg_value("HKLM", key, "LastPrintUpdate", "S", std::string("2026-12-06T00:00:01"));
  EXPECT_EQ(allowance.get_daily_print_count(3), 0);
  EXPECT_EQ(state(), "- 2026-12-06T00:00:01");
  for (const std::string count : {"1", "2", "3"}) {
    EXPECT_TRUE(allowance.can_print(3));
    EXPECT_EQ(state(), count + " 2026-12-06T00:00:01");
    clock.time += 60;  // counting does not move the day's mark
  }
  for (const auto& [count, day, limit, allowed, after] :
       {std::tuple{"2", " 2026-12-06 ", 3, true, "3  2026-12-06 "},
        {"2.5", "2026-12-06 09:00", 3, true, "3 2026-12-06 09:00"},
        {"abc", "2026-12-06T09:00:00.250", 3, true, "1 2026-12-06T09:00:00.250"},
        {"2", "2024-02-29", 3, true, "1 2026-12-06T13:03:00"},
        {"2", "2026-12-05T23:59:59", 2, true, "1 2026-12-06T13:03:00"},
        {"2", "2026-12-07T08:00:00", 2, true, "1 2026-12-06T13:03:00"},
        {"5", "2026-12-01T08:00:00", 0, false, "0 2026-12-06T13:03:00"}}) {
    store(count, day);
    EXPECT_EQ(allowance.can_print(limit), allowed) << day;
    EXPECT_EQ(state(), after);
  }

  std::vector<std::pair<std::string, std::string>> bad = {{"40000", "2026-12-06T09:00:00"}};
  for (const char* day :
       {"12/5/2026 11:45:03 AM", "2026-02-30T10:00:00", "2025-02-29", "2026-12-06T25:00:00",
        "2025-01-09T10", "2025-1-09", "2025-01-09T10:00:00+01:00", "2026-12-06Z", ""})
    bad.emplace_back("0", day);
  for (const auto& [count, day] : bad) {
    store(count, day);
    EXPECT_FALSE(allowance.can_print(9)) << day;
    EXPECT_EQ(state(), count + " " + day + "|Error in get daily print count");
  }

  store("1", "2026-12-06T09:00:00");
  modRegistry::SqliteDb other(registry.files().hklm, SQLITE_OPEN_READWRITE);
  other.exec("BEGIN EXCLUSIVE");
  EXPECT_FALSE(allowance.can_print(3));  // after a short wait, not forever
  other.exec("ROLLBACK");
  EXPECT_EQ(state(),
            "1 2026-12-06T09:00:00|" + refused + " (another Kitebrook window kept it busy).");
  EXPECT_TRUE(allowance.can_print(3));
  EXPECT_EQ(state(), "2 2026-12-06T09:00:00");

  const std::string damaged = "SQLite format 3" + std::string(200, '\x7f');
  kbtest::write_file(registry.files().hklm, damaged);
  EXPECT_FALSE(allowance.can_print(3));
  const std::string text = state(), kept_as = "- -|The print counter was damaged. It was kept as ";
  ASSERT_EQ(text.rfind(kept_as + "HKLM.sqlite.damaged-", 0), 0u) << text;
  const auto name = text.substr(kept_as.size(), text.find(' ', kept_as.size()) - kept_as.size());
  EXPECT_EQ(kbtest::read_file(folder / name), damaged);
  EXPECT_TRUE(allowance.can_print(3));
  EXPECT_EQ(state(), "1 2026-12-06T13:03:00");

  std::filesystem::remove_all(dir.path() / "program");
  kbtest::write_file(dir.path() / "program", "not a folder");
  EXPECT_FALSE(allowance.can_print(3));
  EXPECT_EQ(state(), "- -|" + refused + " (its file or folder may not be written).");
  std::filesystem::remove(dir.path() / "program");

  // Two sessions at once; one kept waiting refuses rather than print uncounted.
  kbtest::ChildProcess first({KB_PRINT_COUNTER_DRIVER, folder, "150"});
  kbtest::ChildProcess second({KB_PRINT_COUNTER_DRIVER, folder, "150"});
  const std::string marks = first.read_all() + second.read_all();
  EXPECT_EQ(std::to_string(first.wait()) + " " + std::to_string(second.wait()), "0 0");
  long counted = std::count(marks.begin(), marks.end(), 'p');
  EXPECT_GT(counted, 0);
  EXPECT_EQ(std::stol(state()), counted);
  // Killed at random points: a read sees the last committed count, the journal rolled back.
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  for (int kill = 0; kill < 220; ++kill) {
    kbtest::ChildProcess writer({KB_PRINT_COUNTER_DRIVER, folder, "0"});
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 12000));
    writer.kill_now();
    writer.wait();
    const std::string reported = writer.read_all();
    ASSERT_EQ(reported.find('r'), std::string::npos) << "a print was refused";
    // At most the print in flight when the kill came is stored unreported.
    const long printed = counted + std::count(reported.begin(), reported.end(), 'p');
    counted = std::stol(state());
    ASSERT_GE(counted, printed) << "after kill " << kill;
    ASSERT_LE(counted, printed + 1) << "after kill " << kill;
  }
}

}  // namespace
}  // namespace modKitebrook
