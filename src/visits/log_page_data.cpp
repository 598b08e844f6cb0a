#include "visits/log_page_data.h"

#include <array>
#include <cstdio>
#include <ctime>

namespace kb::visits {
namespace {

std::string time_of_day(std::time_t moment) {
  std::tm local{};
  if (!localtime_r(&moment, &local)) return "";
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "%02d:%02d", local.tm_hour % 100, local.tm_min % 100);
  return text.data();
}

}  // namespace

std::string json_string(const std::string& text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || c == '<') {
      // Control characters, and '<' so that no text can close a script element.
      std::array<char, 8> escape{};
      std::snprintf(escape.data(), escape.size(), "\\u%04x", byte);
      out += escape.data();
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

std::string log_page_json(const std::vector<DaySummary>& days, const std::string& day,
                          const std::vector<HostSummary>& hosts) {
  std::string out = "{\"days\":[";
  for (std::size_t i = 0; i < days.size(); ++i) {
    if (i) out += ',';
    out += "{\"day\":" + json_string(days[i].day) +
           ",\"opened\":" + std::to_string(days[i].opened) +
           ",\"refused\":" + std::to_string(days[i].refused) + "}";
  }
  out += "],\"day\":" + json_string(day) + ",\"hosts\":[";
  for (std::size_t i = 0; i < hosts.size(); ++i) {
    const HostSummary& host = hosts[i];
    if (i) out += ',';
    out += "{\"host\":" + json_string(host.host) +
           ",\"refused\":" + (host.refused ? "true" : "false") +
           ",\"count\":" + std::to_string(host.count) +
           ",\"last\":" + json_string(time_of_day(host.last_time)) +
           ",\"url\":" + json_string(host.last_url) + "}";
  }
  out += "]}";
  return out;
}

}  // namespace kb::visits
