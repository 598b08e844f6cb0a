#pragma once

#include <libsoup/soup.h>

#include <map>
#include <stdexcept>
#include <string>

namespace kb::testing {

// A web site on the loopback interface, also under the name "localhost".
class TestSite {
 public:
  TestSite() {
    soup_server_add_handler(server_, nullptr, handle, this, nullptr);
    g_autoptr(GError) error = nullptr;
    if (!soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error))
      throw std::runtime_error(std::string("test site: ") + error->message);
    GSList* uris = soup_server_get_uris(server_);
    port_ = std::to_string(g_uri_get_port(static_cast<GUri*>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    // A file offered for download, which the program must refuse to save.
    pages_["/file.bin"] = {
        200, "binary", {{"Content-Disposition", "attachment; filename=file.bin"}}};
  }
  ~TestSite() {
    soup_server_disconnect(server_);
    g_object_unref(server_);
  }
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  std::string url(const std::string& path) const { return "http://" + address(path); }
  std::string other_host_url(const std::string& path) const {
    return "http://localhost:" + port_ + path;
  }
  // The address as the configuration stores it.
  std::string address(const std::string& path) const { return "127.0.0.1:" + port_ + path; }
  void add_page(const std::string& path, const std::string& html,
                const std::map<std::string, std::string>& headers = {}) {
    pages_[path] = {200, html, headers};
  }
  void add_redirect(const std::string& path, const std::string& location, int status = 302) {
    pages_[path] = {status, "", {{"Location", location}}};
  }
  int requests(const std::string& path) { return requests_[path]; }

 private:
  static void handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                     gpointer data) {
    auto* self = static_cast<TestSite*>(data);
    ++self->requests_[path];
    const auto page = self->pages_.find(path);
    if (page == self->pages_.end()) return soup_server_message_set_status(msg, 404, nullptr);
    const Answer& answer = page->second;
    soup_server_message_set_status(msg, static_cast<guint>(answer.status), nullptr);
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
    for (const auto& [name, value] : answer.headers)
      soup_message_headers_append(headers, name.c_str(), value.c_str());
    const bool binary = std::string(path) == "/file.bin";
    soup_server_message_set_response(msg, binary ? "application/octet-stream" : "text/html",
                                     SOUP_MEMORY_COPY, answer.body.data(), answer.body.size());
  }

  struct Answer {
    int status;
    std::string body;
    std::map<std::string, std::string> headers;
  };
  SoupServer* server_ = soup_server_new(nullptr, nullptr);
  std::string port_;
  std::map<std::string, Answer> pages_;
  std::map<std::string, int> requests_;
};

}  // namespace kb::testing
