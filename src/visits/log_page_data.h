#pragma once

#include <string>
#include <vector>

#include "visits/visit_log.h"

namespace kb::visits {

// The log page's data for one child as a JSON object:
// {"days":[{"day":..,"opened":..,"refused":..}],"day":..,
//  "hosts":[{"host":..,"refused":..,"count":..,"last":..,"url":..}]}
// where "last" is the local time of day (hh:mm) of the latest visit.
std::string log_page_json(const std::vector<DaySummary>& days, const std::string& day,
                          const std::vector<HostSummary>& hosts);

// The text as a JSON string literal.
std::string json_string(const std::string& text);

}  // namespace kb::visits
