#include "platform/config_scheme.h"

#include <webkit/webkit.h>

#include <exception>
#include <string>

#include "config/kb_config_io.h"
#include "config/password_hash.h"
#include "platform/signal_guard.h"
#include "platform/web_view_control.h"
#include "shell/paths.h"

namespace kb::gtk {
namespace {

// The pages allowed to ask, and the configuration they are given.
struct Served {
  std::filesystem::path pages;
  std::filesystem::path config;
};

Served& served() {
  static Served what;
  return what;
}

void refuse(WebKitURISchemeRequest* request, const std::string& why) {
  g_autoptr(GError) error =
      g_error_new_literal(G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED, why.c_str());
  webkit_uri_scheme_request_finish_error(request, error);
}

void answer_request(WebKitURISchemeRequest* request) {
  const Served& what = served();
  WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
  const std::string asking = address_of_uri(view ? webkit_web_view_get_uri(view) : nullptr);
  if (!is_page_in(what.pages, asking) ||
      g_strcmp0(webkit_uri_scheme_request_get_path(request), "/KBConfig.xml") != 0) {
    refuse(request, "Only the host's pages read the configuration");
    return;
  }
  std::string text;
  try {
    text = KBConfigIO::config_for_pages(what.config);
  } catch (const std::exception& e) {
    refuse(request, std::string("KBConfig.xml could not be read: ") + e.what());
    return;
  }
  g_autoptr(GBytes) bytes = g_bytes_new(text.data(), text.size());
  g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_bytes(bytes);
  g_autoptr(WebKitURISchemeResponse) response =
      webkit_uri_scheme_response_new(stream, static_cast<gint64>(text.size()));
  webkit_uri_scheme_response_set_content_type(response, "application/xml; charset=utf-8");
  // The pages' documents are file URLs, whose origin is opaque.
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  soup_message_headers_append(headers, "Access-Control-Allow-Origin", "*");
  soup_message_headers_append(headers, "Cache-Control", "no-store");
  webkit_uri_scheme_response_set_http_headers(response, headers);
  webkit_uri_scheme_request_finish_with_response(request, response);
}

void answer(WebKitURISchemeRequest* request, gpointer) {
  // Every failure before the answer is finished is a refusal, never a request
  // left waiting.
  if (!guarded(
          "configuration request", [request] { return answer_request(request), true; }, false))
    refuse(request, "KBConfig.xml could not be served");
}

}  // namespace

void serve_config_to_pages(const std::filesystem::path& pages,
                           const std::filesystem::path& config) {
  served() = {pages, config};
  static bool registered = false;
  if (registered) return;
  WebKitWebContext* context = webkit_web_context_get_default();
  webkit_web_context_register_uri_scheme(context, "kitebrook", answer, nullptr, nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
  // A local scheme: pages from the web may not load it.
  webkit_security_manager_register_uri_scheme_as_local(security, "kitebrook");
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, "kitebrook");
  registered = true;
}

}  // namespace kb::gtk
