#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "registry/mod_registry.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace {

const std::string kKey = "Software\\Marlowby Software\\Kitebrook";

// A read after a kill must see the last committed count: the crashed writer's
// journal is rolled back, not taken as a missing day. Before the first print is
// stored there is no count yet.
long stored_count(const std::filesystem::path& hklm) {
  modRegistry::HiveFiles files;
  files.hklm = hklm;
  modRegistry::RegValue out;
  const std::int32_t status = modRegistry::Registry(files).get_reg_value(
      "HKLM", kKey, "PrintCount", "S", std::string("0"), out);
  EXPECT_TRUE(status == 0 || status == 2) << status;
  return std::stol(std::get<std::string>(out));
}

long count_of(const std::string& marks, char mark) {
  return static_cast<long>(std::count(marks.begin(), marks.end(), mark));
}

TEST(PrintCounterProcesses, AWriterKilledAtRandomPointsNeverLosesOrResetsTheCount) {
  kbtest::TempFolder dir;
  const auto hklm = dir.path() / "Registry" / "HKLM.sqlite";
  const unsigned seed = static_cast<unsigned>(std::random_device{}());
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delay_us(0, 12000);
  SCOPED_TRACE("seed " + std::to_string(seed));

  long stored = 0;
  int journals_left = 0;
  for (int kill = 0; kill < 220; ++kill) {
    kbtest::ChildProcess writer({KB_PRINT_COUNTER_DRIVER, hklm.string(), "0"});
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    writer.kill_now();
    writer.wait();
    const std::string marks = writer.read_all();
    journals_left += std::filesystem::exists(hklm.string() + "-journal") ? 1 : 0;
    ASSERT_EQ(count_of(marks, 'r'), 0) << "a print was refused";
    const long printed = count_of(marks, 'p');
    const long now = stored_count(hklm);
    // Every reported print is stored; at most the one in flight when the kill
    // came was stored without being reported.
    ASSERT_GE(now, stored + printed) << "after kill " << kill;
    ASSERT_LE(now, stored + printed + 1) << "after kill " << kill;
    stored = now;
  }
  EXPECT_GT(stored, 0);
  std::cout << "kills that left a journal behind: " << journals_left << '\n';
}

TEST(PrintCounterProcesses, TwoSessionsCountingAtOnceLoseNoPrint) {
  kbtest::TempFolder dir;
  const auto hklm = dir.path() / "Registry" / "HKLM.sqlite";
  kbtest::ChildProcess first({KB_PRINT_COUNTER_DRIVER, hklm.string(), "150"});
  kbtest::ChildProcess second({KB_PRINT_COUNTER_DRIVER, hklm.string(), "150"});
  const std::string first_marks = first.read_all();
  const std::string second_marks = second.read_all();
  EXPECT_EQ(first.wait(), 0);
  EXPECT_EQ(second.wait(), 0);
  const long allowed = count_of(first_marks + second_marks, 'p');
  EXPECT_EQ(first_marks.size() + second_marks.size(), 300u);
  // A session kept waiting too long refuses rather than prints uncounted;
  // every print allowed is in the count.
  EXPECT_GT(allowed, 0);
  EXPECT_EQ(stored_count(hklm), allowed);
}

}  // namespace
