#include "visits/visit_log.h"

#include <gtest/gtest.h>

#include "registry/sqlite_db.h"
#include "support/temp_folder.h"
#include "visits/local_days.h"
#include "visits/log_page_data.h"

namespace kb::visits {
namespace {

// Local noon, or another hour, of a day in December 2026 (no change of clocks).
std::time_t december(int day, int hour = 12) {
  return local_day_span("2026-12-01")->first + (day - 1) * 86400 + hour * 3600;
}

std::string listed(const std::vector<HostSummary>& hosts) {
  std::string text;
  for (const HostSummary& h : hosts)
    text +=
        h.host + (h.refused ? " refused " : " ") + std::to_string(h.count) + " " + h.last_url + "|";
  return text;
}

TEST(VisitLog, VisitsAreSummedPerLocalDayAndHostRefusedFirstKeptThirtyDaysAndShownAsJson) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const kbtest::TempFolder temp("kb_visits");
  const std::time_t now = december(31);
  {
    VisitLog log(visit_log_file(temp.path() / "Registry" / "HKLM.sqlite"));
    log.record({december(5, 9), "Mary", "zoo.example", "http://zoo.example/", false});
    log.record({december(5, 10), "Mary", "zoo.example", "http://zoo.example/lions", false});
    log.record({december(5, 11), "Mary", "games.example", "http://games.example/a", true});
    log.record({december(5, 23), "Mary", "music.example", "http://music.example/", false});
    log.record({december(6, 0), "Mary", "zoo.example", "http://zoo.example/next-day", false});
    log.record({december(5, 12), "Tom", "games.example", "http://games.example/", false});
    std::string days;
    for (const DaySummary& d : log.days_of("Mary"))
      days += d.day + " " + std::to_string(d.opened) + "/" + std::to_string(d.refused) + "\n";
    EXPECT_EQ(days, "2026-12-06 1/0\n2026-12-05 3/1\n");
    const auto span = local_day_span("2026-12-05");
    EXPECT_EQ(
        listed(log.hosts_between("Mary", span->first, span->second)),
        "games.example refused 1 http://games.example/a|music.example 1 http://music.example/|"
        "zoo.example 2 http://zoo.example/lions|");

    log.record({now - 30 * 86400 - 1, "Ann", "old.example", "http://old.example/", false});
    log.record({now - 30 * 86400, "Ann", "kept.example", "http://kept.example/", true});
    log.record_approval("Ann", "today.example", now + 60);
    log.record_approval("Ann", "yesterday.example", now);
    log.record_approval("Tom", "tom.example", now + 60);
    log.prune(now);
  }
  VisitLog reopened(temp.path() / "Registry" / "Visits.sqlite");
  EXPECT_EQ(reopened.approvals_of("Ann", now),
            (std::vector<std::pair<std::string, std::time_t>>{{"today.example", now + 60}}));
  EXPECT_TRUE(reopened.approvals_of("Ann", now + 60).empty());
  EXPECT_EQ(listed(reopened.hosts_between("Ann", 0, now)),
            "kept.example refused 1 http://kept.example/|");

  kbtest::write_file(temp.path() / "Other.sqlite", "not a database, just words words words words");
  EXPECT_THROW(VisitLog(temp.path() / "Other.sqlite"), modRegistry::StoreError);

  const auto spring = local_day_span("2026-03-29");  // clocks go forward in Berlin
  ASSERT_TRUE(spring);
  EXPECT_EQ(spring->second - spring->first, 23 * 3600);
  EXPECT_EQ(next_local_midnight(spring->first + 3600), spring->second);
  EXPECT_EQ(local_day_of(spring->second), "2026-03-30");
  for (const char* no_day : {"2026-02-30", "2026-1-01", "yesterday"})
    EXPECT_EQ(local_day_span(no_day), std::nullopt) << no_day;
  EXPECT_EQ(next_local_midnight(december(31, 23)), local_day_span("2027-01-01")->first);

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
