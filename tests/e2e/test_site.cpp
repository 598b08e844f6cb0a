#include "test_site.h"

#include <stdexcept>

namespace kb::testing {

TestSite::TestSite() {
  server_ = soup_server_new(nullptr, nullptr);
  soup_server_add_handler(server_, nullptr, handle, this, nullptr);
  GError* error = nullptr;
  if (!soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
    const std::string message = error->message;
    g_error_free(error);
    throw std::runtime_error("test site: " + message);
  }
  GSList* uris = soup_server_get_uris(server_);
  port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  // A file offered for download, which the program must refuse to save.
  pages_["/file.bin"] = {200, "binary", {{"Content-Disposition", "attachment; filename=file.bin"}}};
}

TestSite::~TestSite() {
  soup_server_disconnect(server_);
  g_object_unref(server_);
}

std::string TestSite::url(const std::string& path) const {
  return "http://" + address(path);
}

std::string TestSite::other_host_url(const std::string& path) const {
  return "http://localhost:" + std::to_string(port_) + path;
}

std::string TestSite::address(const std::string& path) const {
  return "127.0.0.1:" + std::to_string(port_) + path;
}

void TestSite::add_page(const std::string& path, const std::string& html,
                        const std::map<std::string, std::string>& headers) {
  pages_[path] = {200, html, headers};
}

void TestSite::add_redirect(const std::string& path, const std::string& location, int status) {
  pages_[path] = {status, "", {{"Location", location}}};
}

int TestSite::requests(const std::string& path) const {
  const auto found = requests_.find(path);
  return found == requests_.end() ? 0 : found->second;
}

void TestSite::handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                      gpointer data) {
  auto* self = static_cast<TestSite*>(data);
  ++self->requests_[path];
  const auto page = self->pages_.find(path);
  if (page == self->pages_.end()) {
    soup_server_message_set_status(msg, 404, nullptr);
    return;
  }
  const Answer& answer = page->second;
  soup_server_message_set_status(msg, static_cast<guint>(answer.status), nullptr);
  SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
  for (const auto& [name, value] : answer.headers)
    soup_message_headers_append(headers, name.c_str(), value.c_str());
  const bool binary = std::string(path) == "/file.bin";
  soup_server_message_set_response(msg, binary ? "application/octet-stream" : "text/html",
                                   SOUP_MEMORY_COPY, answer.body.data(), answer.body.size());
}

}  // namespace kb::testing
