#include "policy/web_host.h"

#include <arpa/inet.h>
#include <glib.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <memory>
#include <vector>

namespace kb::policy {
namespace {

struct GFreeDeleter {
  void operator()(gchar* text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

struct UriDeleter {
  void operator()(GUri* uri) const { g_uri_unref(uri); }
};

bool is_ascii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::string lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::vector<std::string_view> split_labels(std::string_view host) {
  std::vector<std::string_view> labels;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = host.find('.', start);
    labels.push_back(host.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) return labels;
    start = dot + 1;
  }
}

// One part of an IPv4 address as a browser reads it: decimal, octal with a
// leading 0, or hexadecimal with 0x.
std::optional<std::uint64_t> ipv4_part(std::string_view part) {
  int base = 10;
  if (part.size() >= 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
    base = 16;
    part.remove_prefix(2);
    if (part.empty()) return 0;
  } else if (part.size() >= 2 && part[0] == '0') {
    base = 8;
    part.remove_prefix(1);
  }
  if (part.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : part) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return value;
}

bool looks_numeric(std::string_view label) {
  if (label.empty()) return false;
  if (label.size() >= 2 && label[0] == '0' && label[1] == 'x') {
    for (const char c : label.substr(2))
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
  }
  for (const char c : label)
    if (c < '0' || c > '9') return false;
  return true;
}

// A host whose last label is a number is an IPv4 address in any of the forms
// a browser accepts (1 to 4 parts); answered in dotted decimal.
std::optional<std::string> ipv4_address(std::string_view host) {
  const std::vector<std::string_view> parts = split_labels(host);
  if (parts.size() > 4) return std::nullopt;
  std::array<std::uint64_t, 4> values{};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::optional<std::uint64_t> value = ipv4_part(parts[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  const std::size_t last = parts.size() - 1;
  for (std::size_t i = 0; i < last; ++i)
    if (values[i] > 255) return std::nullopt;
  if (values[last] >= (std::uint64_t{1} << (8 * (4 - last)))) return std::nullopt;
  std::uint64_t address = values[last];
  for (std::size_t i = 0; i < last; ++i) address += values[i] << (8 * (3 - i));
  return std::to_string((address >> 24) & 0xFF) + "." + std::to_string((address >> 16) & 0xFF) +
         "." + std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::optional<std::string> ipv6_address(std::string_view host) {
  if (host.find('%') != std::string_view::npos) return std::nullopt;  // no zone IDs
  const std::string text(host);
  in6_addr address{};
  if (inet_pton(AF_INET6, text.c_str(), &address) != 1) return std::nullopt;
  std::array<char, INET6_ADDRSTRLEN> out{};
  if (!inet_ntop(AF_INET6, &address, out.data(), out.size())) return std::nullopt;
  return std::string(out.data());
}

bool is_name_character(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

}  // namespace

std::optional<std::string> normal_host(std::string_view host) {
  if (host.empty() || host.find('\0') != std::string_view::npos) return std::nullopt;
  if (host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.find(':') != std::string_view::npos) return ipv6_address(host);

  std::string ascii;
  if (is_ascii(host)) {
    ascii = lower_ascii(host);
  } else {
    // Unicode names (and their full-width dots) become punycode, as the
    // engine sends them.
    const std::string text(host);
    const GText converted(g_hostname_to_ascii(text.c_str()));
    if (!converted) return std::nullopt;
    ascii = lower_ascii(converted.get());
  }
  if (!ascii.empty() && ascii.back() == '.') ascii.pop_back();
  if (ascii.empty()) return std::nullopt;

  const std::vector<std::string_view> labels = split_labels(ascii);
  if (looks_numeric(labels.back())) return ipv4_address(ascii);
  for (const std::string_view label : labels) {
    if (label.empty()) return std::nullopt;
    for (const char c : label)
      if (!is_name_character(c)) return std::nullopt;
  }
  return ascii;
}

std::optional<std::string> web_host(std::string_view url) {
  if (url.find('\0') != std::string_view::npos) return std::nullopt;
  // Only the scheme and the authority are parsed: the host does not depend
  // on the rest, and a path or query with a stray '%' (which the engine
  // leaves as it is) must not make the address unreadable. The authority
  // ends where a browser ends it, a backslash included.
  std::string_view head = url;
  if (const std::size_t colon = url.find(':');
      colon != std::string_view::npos && url.substr(colon, 3) == "://") {
    const std::size_t end = url.find_first_of("/?#\\", colon + 3);
    if (end != std::string_view::npos) head = url.substr(0, end);
  }
  const std::string text(head);
  std::unique_ptr<GUri, UriDeleter> uri(g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr));
  if (!uri) return std::nullopt;
  const char* scheme = g_uri_get_scheme(uri.get());
  if (!scheme) return std::nullopt;
  const std::string lower_scheme = lower_ascii(scheme);
  if (lower_scheme != "http" && lower_scheme != "https") return std::nullopt;
  const char* host = g_uri_get_host(uri.get());
  if (!host) return std::nullopt;
  return normal_host(host);
}

std::optional<std::string> site_host(std::string_view target) {
  while (!target.empty() && (target.front() == ' ' || target.front() == '\t'))
    target.remove_prefix(1);
  while (!target.empty() && (target.back() == ' ' || target.back() == '\t'))
    target.remove_suffix(1);
  if (target.empty()) return std::nullopt;
  if (target.find("://") != std::string_view::npos) return web_host(target);
  return web_host("http://" + std::string(target));
}

bool is_ip_literal(std::string_view host) {
  if (host.find(':') != std::string_view::npos) return true;
  const std::size_t dot = host.rfind('.');
  return looks_numeric(dot == std::string_view::npos ? host : host.substr(dot + 1));
}

}  // namespace kb::policy
