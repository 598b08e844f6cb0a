#pragma once

#include <filesystem>

namespace kb::gtk {

// Whether the machine has a graphics processor the engine can draw with: a
// render node in the kernel's DRM folder.
bool has_render_node(const std::filesystem::path& dri_folder = "/dev/dri");

// Without a graphics processor the engine would draw through software GL,
// which takes about 150 ms longer to put the first page on the screen than
// drawing with the CPU; so such a machine draws with the CPU. A choice already
// made in the environment stands. Must run before any thread or web process
// starts: it sets an environment variable the web processes inherit.
void draw_with_cpu_without_gpu();

}  // namespace kb::gtk
