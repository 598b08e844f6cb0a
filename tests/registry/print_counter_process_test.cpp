#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "registry/mod_registry.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

long count_of(const std::string& marks, char mark) {
  return static_cast<long>(std::count(marks.begin(), marks.end(), mark));
}

TEST(PrintCounterProcesses, SessionsCountingAtOnceOrKilledAtRandomPointsNeverLoseACount) {
  kbtest::TempFolder dir;
  const std::string folder = (dir.path() / "Registry").string();
  // A read after a kill must see the last committed count: the crashed
  // writer's journal is rolled back, not taken as a missing day.
  const auto stored_count = [&] {
    modRegistry::RegValue out;
    const std::int32_t status = modRegistry::Registry(modRegistry::hive_files(folder, ""))
                                    .get_reg_value("HKLM", "Software\\Marlowby Software\\Kitebrook",
                                                   "PrintCount", "S", std::string(), out);
    EXPECT_EQ(status, 0);
    return std::stol(std::get<std::string>(out));
  };

  kbtest::ChildProcess first({KB_PRINT_COUNTER_DRIVER, folder, "150"});
  kbtest::ChildProcess second({KB_PRINT_COUNTER_DRIVER, folder, "150"});
  const std::string marks = first.read_all() + second.read_all();
  EXPECT_EQ(first.wait(), 0);
  EXPECT_EQ(second.wait(), 0);
  EXPECT_EQ(marks.size(), 300u);
  // A session kept waiting too long refuses rather than prints uncounted;
  // every print allowed is in the count.
  long stored = count_of(marks, 'p');
  EXPECT_GT(stored, 0);
  EXPECT_EQ(stored_count(), stored);

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
    // Every reported print is stored; at most the one in flight when the kill
    // came was stored without being reported.
    const long printed = count_of(reported, 'p');
    const long now = stored_count();
    ASSERT_GE(now, stored + printed) << "after kill " << kill;
    ASSERT_LE(now, stored + printed + 1) << "after kill " << kill;
    stored = now;
  }
}

}  // namespace
