#include "platform/engine_drawing.h"

#include <glib.h>

#include <system_error>

namespace kb::gtk {

bool has_render_node(const std::filesystem::path& dri_folder) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dri_folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().string().rfind("renderD", 0) == 0) return true;
  }
  return false;
}

void draw_with_cpu_without_gpu() {
  if (!has_render_node()) g_setenv("WEBKIT_SKIA_ENABLE_CPU_RENDERING", "1", FALSE);
}

}  // namespace kb::gtk
