#pragma once

#include <libsoup/soup.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

namespace kb::testing {

// A web site on the loopback interface, also under the name "localhost".
class TestSite {
 public:
  using Headers = std::map<std::string, std::string>;

  TestSite() {
    soup_server_add_handler(server_.get(), nullptr, handle, this, nullptr);
    g_autoptr(GError) error = nullptr;
    if (!soup_server_listen_local(server_.get(), 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error))
      throw std::runtime_error(std::string("test site: ") + error->message);
    GSList* uris = soup_server_get_uris(server_.get());
    port_ = std::to_string(g_uri_get_port(static_cast<GUri*>(uris->data)));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    // A download, which the program must refuse to save.
    add_page("/file.bin", "binary",
             {{"Content-Type", "application/octet-stream"},
              {"Content-Disposition", "attachment; filename=file.bin"}});
  }
  ~TestSite() { soup_server_disconnect(server_.get()); }

  std::string url(const std::string& path, const std::string& host = "127.0.0.1") const {
    return "http://" + host + ":" + port_ + path;
  }
  std::string address(const std::string& path) const { return "127.0.0.1:" + port_ + path; }
  void add_page(const std::string& path, const std::string& html, const Headers& headers = {}) {
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
    const auto& [status, body, headers] = page->second;
    soup_server_message_set_status(msg, static_cast<guint>(status), nullptr);
    soup_server_message_set_response(msg, "text/html", SOUP_MEMORY_COPY, body.data(), body.size());
    for (const auto& [name, value] : headers)
      soup_message_headers_replace(soup_server_message_get_response_headers(msg), name.c_str(),
                                   value.c_str());
  }

  std::unique_ptr<SoupServer, void (*)(gpointer)> server_{soup_server_new(nullptr, nullptr),
                                                          g_object_unref};
  std::string port_;
  std::map<std::string, std::tuple<int, std::string, Headers>> pages_;
  std::map<std::string, int> requests_;
};

}  // namespace kb::testing
