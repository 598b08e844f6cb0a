#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kb::policy {

// The host of a web address in one comparable form: ASCII (Unicode names
// turned into punycode), lower case, without a trailing dot, user-info or
// port; an IPv4 address in dotted decimal (whatever form it was written in)
// and an IPv6 address without brackets, in lower case. Nothing when the
// address is not http or https, has no host, or its host is not a usable name.
std::optional<std::string> web_host(std::string_view url);

// The same form for a host name written on its own.
std::optional<std::string> normal_host(std::string_view host);

// The host of a site's address as the parent writes it: with or without a
// scheme ("example.com/kids", "https://Example.com:8080/"). Nothing when the
// text names no web host.
std::optional<std::string> site_host(std::string_view target);

// True when the normalised host is an IP address rather than a name.
bool is_ip_literal(std::string_view host);

}  // namespace kb::policy
