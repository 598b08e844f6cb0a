// Feeds the allow-list hosts and an address from one input: every line but
// the last is a host the parent listed, the last line is the address. The
// matcher must never allow what a plain reference refuses: the address must
// be http or https, and its host must be a listed host or lie below one on a
// label boundary.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "policy/allow_list.h"
#include "policy/web_host.h"

namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool starts_with_web_scheme(std::string_view url) {
  const std::string head = lower(url.substr(0, 8));
  return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

// The host of a plain address read by hand: ASCII letters, digits, dots and
// dashes only; empty when the address is anything less plain.
std::string plain_host(std::string_view url) {
  const std::size_t start = url.find("://");
  if (start == std::string_view::npos) return {};
  std::string_view rest = url.substr(start + 3);
  rest = rest.substr(0, rest.find_first_of("/?#\\"));
  if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
    rest = rest.substr(at + 1);
  rest = rest.substr(0, rest.find(':'));
  std::string host = lower(rest);
  if (!host.empty() && host.back() == '.') host.pop_back();
  if (host.empty() || host.front() == '.') return {};
  for (const char c : host)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-')) return {};
  const std::size_t dot = host.rfind('.');
  const std::string last = host.substr(dot == std::string::npos ? 0 : dot + 1);
  // A number, also in hexadecimal, makes an IP address, which is not plain.
  if (last.find_first_not_of("0123456789") == std::string::npos || last.rfind("0x", 0) == 0)
    return {};
  return host;
}

bool under(const std::string& host, const std::string& listed) {
  if (host == listed) return true;
  return host.size() > listed.size() &&
         host.compare(host.size() - listed.size(), listed.size(), listed) == 0 &&
         host[host.size() - listed.size() - 1] == '.';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t nl = input.find('\n'); nl != std::string_view::npos;
       nl = input.find('\n', start)) {
    lines.push_back(input.substr(start, nl - start));
    start = nl + 1;
  }
  const std::string_view url = input.substr(start);

  kb::policy::AllowList list;
  std::vector<std::string> listed;
  for (const std::string_view line : lines) {
    list.add_host(line);
    if (const auto host = kb::policy::site_host(line)) listed.push_back(*host);
  }
  const kb::policy::TemporaryApprovals none;
  const kb::policy::Decision decision = kb::policy::decide(url, list, none, "child", 0);
  if (!decision.allowed) return 0;

  if (!starts_with_web_scheme(url)) std::abort();
  // The host the reference reads, where it can; otherwise the matcher's own.
  const std::string plain = plain_host(url);
  if (!plain.empty() && plain != decision.host) std::abort();
  const std::string& host = plain.empty() ? decision.host : plain;
  bool covered = false;
  for (const std::string& entry : listed) covered = covered || under(host, entry);
  if (!covered) std::abort();
  return 0;
}
