#pragma once

#include <ctime>
#include <filesystem>
#include <string>

#include "registry/sqlite_db.h"
#include "visits/visit_log.h"

namespace kb::bench {

// Fills the visit log at `file` with 30 days of 1,000 visits a day for Mary
// up to `now`, over 200 hosts, one in ten refused, and Tom's visits beside
// them. One transaction: one per visit, as the program writes them, would
// spend minutes on the disk's flushes.
inline void fill_visit_log(const std::filesystem::path& file, std::time_t now) {
  kb::visits::VisitLog{file};
  modRegistry::SqliteDb db(file, SQLITE_OPEN_READWRITE);
  modRegistry::SqliteTransaction transaction(db);
  const auto add = [&](std::time_t when, const char* child, const std::string& host,
                       const std::string& url, bool refused) {
    modRegistry::SqliteStatement insert(db, "INSERT INTO visits VALUES (?, ?, ?, ?, ?)");
    insert.bind_int64(1, when).bind_text(2, child).bind_text(3, host).bind_text(4, url);
    insert.bind_int64(5, refused ? 1 : 0).step();
  };
  for (int day = 0; day < 30; ++day) {
    for (int i = 0; i < 1000; ++i) {
      const std::time_t when = now - day * 86400 - i * 60;
      const std::string host = "site" + std::to_string(i % 200) + ".example";
      add(when, "Mary", host, "https://" + host + "/page" + std::to_string(i), i % 10 == 0);
      if (i % 10 == 0) add(when, "Tom", host, "https://" + host + "/", false);
    }
  }
  transaction.commit();
}

}  // namespace kb::bench
