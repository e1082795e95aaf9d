#include "webview/render_mode.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <unistd.h>
#include <utility>

namespace zarnic {
namespace {

// Kernel drivers of display devices without a 3D engine that Mesa can use: where they are all
// there is, Mesa's GL is its software renderer.
constexpr std::string_view software_drivers[] = {
    "vgem",       "vkms", "simpledrm", "ofdrm",   "bochs-drm", "bochs",    "cirrus", "qxl",
    "hyperv_drm", "udl",  "ast",       "mgag200", "vboxvideo", "gm12u320", "gud"};

// Mesa's own software renderers, as GALLIUM_DRIVER or MESA_LOADER_DRIVER_OVERRIDE name them.
constexpr std::string_view software_renderers[] = {"llvmpipe", "softpipe", "swr", "swrast",
                                                   "kms_swrast"};

template <std::size_t n> bool listed(const std::string_view (&list)[n], const std::string& name) {
    return std::ranges::find(list, name) != std::end(list);
}

// Mesa reads LIBGL_ALWAYS_SOFTWARE as a boolean: "1", "true", "yes", "y", "t" are true.
bool truthy(const std::string& value) {
    for (const char* yes : {"1", "true", "yes", "y", "t"})
        if (g_ascii_strcasecmp(value.c_str(), yes) == 0)
            return true;
    return false;
}

std::string environment(const char* name) {
    const char* value = g_getenv(name);
    return value ? value : "";
}

// What hide_gl() sets (nullptr: unsets), and the values it found, to put back.
constexpr std::pair<const char*, const char*> hiding[] = {
    {"GDK_GL", "disable"},
    {"__EGL_VENDOR_LIBRARY_DIRS", "/dev/null"},
    {"__EGL_VENDOR_LIBRARY_FILENAMES", nullptr},
};
std::vector<std::pair<const char*, std::optional<std::string>>> g_hidden;

} // namespace

render_mode choose_render_mode(const renderer& machine) {
    if (truthy(machine.always_software) || listed(software_renderers, machine.gallium_driver) ||
        listed(software_renderers, machine.loader_override))
        return render_mode::cpu;
    if (machine.nvidia)
        return render_mode::gpu;
    // One render node whose driver is not listed above is a GPU; so is one whose driver could
    // not be read, since render nodes come from drivers with a 3D engine but for those listed.
    const bool gpu = std::any_of(machine.drivers.begin(), machine.drivers.end(),
                                 [](const std::string& d) { return !listed(software_drivers, d); });
    return gpu ? render_mode::gpu : render_mode::cpu;
}

renderer read_renderer() {
    renderer machine;
    machine.always_software = environment("LIBGL_ALWAYS_SOFTWARE");
    machine.gallium_driver = environment("GALLIUM_DRIVER");
    machine.loader_override = environment("MESA_LOADER_DRIVER_OVERRIDE");
    machine.nvidia = g_file_test("/proc/driver/nvidia", G_FILE_TEST_IS_DIR);
    if (GDir* dir = g_dir_open("/dev/dri", 0, nullptr)) {
        while (const char* node = g_dir_read_name(dir)) {
            if (!g_str_has_prefix(node, "renderD"))
                continue;
            g_autofree char* device = g_build_filename("/dev/dri", node, nullptr);
            // Mesa cannot use a node this user may not open: it then renders in software.
            if (g_access(device, R_OK | W_OK) != 0)
                continue;
            g_autofree char* link =
                g_build_filename("/sys/class/drm", node, "device", "driver", nullptr);
            g_autofree char* target = g_file_read_link(link, nullptr);
            g_autofree char* driver = target ? g_path_get_basename(target) : nullptr;
            machine.drivers.emplace_back(driver ? driver : "");
        }
        g_dir_close(dir);
    }
    return machine;
}

render_mode machine_render_mode() {
    static const render_mode mode = choose_render_mode(read_renderer());
    return mode;
}

void hide_gl() {
    if (!g_hidden.empty() || machine_render_mode() != render_mode::cpu)
        return;
    for (const auto& [name, value] : hiding) {
        const char* old = g_getenv(name);
        g_hidden.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            g_setenv(name, value, TRUE);
        else
            g_unsetenv(name);
    }
}

void show_gl() {
    for (const auto& [name, old] : g_hidden) {
        if (old)
            g_setenv(name, old->c_str(), TRUE);
        else
            g_unsetenv(name);
    }
    g_hidden.clear();
}

} // namespace zarnic
