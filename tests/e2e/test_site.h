#pragma once

#include <libsoup/soup.h>

#include <map>
#include <string>

namespace kb::testing {

// A small web site on the loopback interface, served from the test's own
// main loop: a few pages a child might visit.
class TestSite {
 public:
  TestSite();
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  // "http://127.0.0.1:PORT" followed by `path`.
  std::string url(const std::string& path) const;
  // "http://localhost:PORT" followed by `path`: the same site under a second
  // host name, which a list naming 127.0.0.1 does not cover.
  std::string other_host_url(const std::string& path) const;
  // "127.0.0.1:PORT" followed by `path`: an address as the configuration stores it.
  std::string address(const std::string& path) const;
  // Adds or replaces a page (text/html), its answer with these extra headers.
  void add_page(const std::string& path, const std::string& html,
                const std::map<std::string, std::string>& headers = {});
  // Answers `path` with a redirect (status 301, 302, 303, 307 or 308) to `location`.
  void add_redirect(const std::string& path, const std::string& location, int status = 302);
  // How often a path was asked for.
  int requests(const std::string& path) const;

 private:
  static void handle(SoupServer* server, SoupServerMessage* msg, const char* path,
                     GHashTable* query, gpointer self);

  SoupServer* server_ = nullptr;
  int port_ = 0;
  struct Answer {
    int status = 200;
    std::string body;
    std::map<std::string, std::string> headers;
  };
  std::map<std::string, Answer> pages_;
  std::map<std::string, int> requests_;
};

}  // namespace kb::testing
