#include "visits/visit_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "registry/sqlite_db.h"
#include "support/temp_folder.h"
#include "visits/local_days.h"
#include "visits/log_page_data.h"

namespace kb::visits {
namespace {

namespace fs = std::filesystem;

class VisitLogTest : public ::testing::Test {
 protected:
  VisitLogTest() {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }

  // Local noon of a day in December 2026.
  static std::time_t december(int day, int hour = 12) {
    return local_day_span("2026-12-" + std::string(day < 10 ? "0" : "") + std::to_string(day))
               ->first +
           hour * 3600;
  }

  kbtest::TempFolder temp_{"kb_visits"};
  const fs::path folder_ = temp_.path();
};

TEST_F(VisitLogTest, VisitsAreSummedPerDayAndHostRefusedFirst) {
  VisitLog log(visit_log_file(folder_ / "Registry" / "HKLM.sqlite"));
  EXPECT_TRUE(fs::exists(folder_ / "Registry" / "Visits.sqlite"));
  log.record({december(5, 9), "Mary", "zoo.example", "http://zoo.example/", false});
  log.record({december(5, 10), "Mary", "zoo.example", "http://zoo.example/lions", false});
  log.record({december(5, 11), "Mary", "games.example", "http://games.example/a", true});
  log.record({december(5, 23), "Mary", "music.example", "http://music.example/", false});
  log.record({december(6, 0), "Mary", "zoo.example", "http://zoo.example/next-day", false});
  log.record({december(5, 12), "Tom", "games.example", "http://games.example/", false});

  const std::vector<DaySummary> days = log.days_of("Mary");
  ASSERT_EQ(days.size(), 2u);
  EXPECT_EQ(days[0].day, "2026-12-06");
  EXPECT_EQ(days[1].day, "2026-12-05");
  EXPECT_EQ(days[1].opened, 3);
  EXPECT_EQ(days[1].refused, 1);

  const auto span = local_day_span("2026-12-05");
  const std::vector<HostSummary> hosts = log.hosts_between("Mary", span->first, span->second);
  ASSERT_EQ(hosts.size(), 3u);
  EXPECT_EQ(hosts[0].host, "games.example");
  EXPECT_TRUE(hosts[0].refused);
  EXPECT_EQ(hosts[1].host, "music.example");
  EXPECT_EQ(hosts[2].host, "zoo.example");
  EXPECT_EQ(hosts[2].count, 2);
  EXPECT_EQ(hosts[2].last_url, "http://zoo.example/lions");
  EXPECT_EQ(log.days_of("Nobody").size(), 0u);
}

TEST_F(VisitLogTest, PruningKeepsThirtyDaysAndLiveApprovalsAndTheLogSurvivesReopening) {
  const fs::path file = folder_ / "Visits.sqlite";
  const std::time_t now = december(31);
  {
    VisitLog log(file);
    log.record({now - 30 * 86400 - 1, "Mary", "old.example", "http://old.example/", false});
    log.record({now - 30 * 86400, "Mary", "kept.example", "http://kept.example/", true});
    log.record_approval("Mary", "today.example", now + 60);
    log.record_approval("Mary", "yesterday.example", now);
    log.record_approval("Tom", "tom.example", now + 60);
    log.prune(now);
  }
  VisitLog reopened(file);
  const auto approvals = reopened.approvals_of("Mary", now);
  ASSERT_EQ(approvals.size(), 1u);
  EXPECT_EQ(approvals[0], std::make_pair(std::string("today.example"), now + 60));
  EXPECT_TRUE(reopened.approvals_of("Mary", now + 60).empty());
  const std::vector<HostSummary> hosts = reopened.hosts_between("Mary", 0, now);
  ASSERT_EQ(hosts.size(), 1u);
  EXPECT_EQ(hosts[0].host, "kept.example");
}

TEST_F(VisitLogTest, AFileThatIsNoDatabaseFailsLoudly) {
  std::ofstream(folder_ / "Visits.sqlite") << "not a database, just words words words words";
  EXPECT_THROW(VisitLog(folder_ / "Visits.sqlite"), modRegistry::StoreError);
}

TEST_F(VisitLogTest, LocalDaysFollowTheCalendarAndSummerTime) {
  const auto spring = local_day_span("2026-03-29");  // clocks go forward in Berlin
  ASSERT_TRUE(spring);
  EXPECT_EQ(spring->second - spring->first, 23 * 3600);
  EXPECT_EQ(next_local_midnight(spring->first + 3600), spring->second);
  EXPECT_EQ(local_day_of(spring->second), "2026-03-30");
  EXPECT_EQ(local_day_span("2026-02-30"), std::nullopt);
  EXPECT_EQ(local_day_span("2026-1-01"), std::nullopt);
  EXPECT_EQ(local_day_span("yesterday"), std::nullopt);
  EXPECT_EQ(next_local_midnight(december(31, 23)), local_day_span("2027-01-01")->first);
}

TEST_F(VisitLogTest, PageDataIsJsonThatNoPageTextCanBreak) {
  const std::vector<DaySummary> days = {{"2026-12-05", 3, 1}};
  const std::vector<HostSummary> hosts = {
      {"evil.example", true, 2, december(5, 9), "http://evil.example/\"</script><b>\\\n"}};
  EXPECT_EQ(log_page_json(days, "2026-12-05", hosts),
            "{\"days\":[{\"day\":\"2026-12-05\",\"opened\":3,\"refused\":1}],"
            "\"day\":\"2026-12-05\",\"hosts\":[{\"host\":\"evil.example\",\"refused\":true,"
            "\"count\":2,\"last\":\"09:00\",\"url\":\"http://evil.example/\\\"\\u003c/script>"
            "\\u003cb>\\\\\\u000a\"}]}");
}

}  // namespace
}  // namespace kb::visits
