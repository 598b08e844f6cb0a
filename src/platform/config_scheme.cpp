#include "platform/config_scheme.h"

#include <webkit/webkit.h>

#include <exception>
#include <string>

#include "config/kb_config_io.h"
#include "config/password_hash.h"
#include "platform/web_view_control.h"
#include "shell/paths.h"

namespace kb::gtk {
namespace {

std::filesystem::path& served_folder() {
  static std::filesystem::path folder;
  return folder;
}

void refuse(WebKitURISchemeRequest* request, const std::string& why) {
  g_autoptr(GError) error =
      g_error_new_literal(G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED, why.c_str());
  webkit_uri_scheme_request_finish_error(request, error);
}

void answer(WebKitURISchemeRequest* request, gpointer) {
  const std::filesystem::path& folder = served_folder();
  WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
  const std::string asking = address_of_uri(view ? webkit_web_view_get_uri(view) : nullptr);
  if (!is_host_page(folder, asking) ||
      g_strcmp0(webkit_uri_scheme_request_get_path(request), "/KBConfig.xml") != 0) {
    refuse(request, "Only the host's pages read the configuration");
    return;
  }
  std::string text;
  try {
    text = KBConfigIO::config_for_pages(KBConfigIO::config_path(folder));
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

}  // namespace

void serve_config_to_pages(const std::filesystem::path& program_folder) {
  served_folder() = program_folder;
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
