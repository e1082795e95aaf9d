#pragma once
// How web pages are drawn on this machine: composited through GL, as the engine decides, where
// there is a real GPU; drawn without GL where GL would be Mesa's software renderer (llvmpipe,
// softpipe, swrast) or is missing. Software GL composites every frame on the CPU: a page that
// animates anything, even the fading overlay scrollbar, then keeps a core busy, and the GL
// libraries cost memory in every process. Found without loading a GL driver into the program,
// from what the kernel and the environment say. Plain C++ and GLib, so the benchmark's baseline
// can share it.

#include <string>
#include <vector>

namespace zarnic {

// What the machine says about the GL the engine would get.
struct renderer {
    // The kernel driver of each DRM render node (/dev/dri/renderD*) this user may open; an empty
    // name where it could not be read.
    std::vector<std::string> drivers{};
    // NVIDIA's own kernel driver is loaded (/proc/driver/nvidia): its GL needs no render node.
    bool nvidia = false;
    // Mesa's overrides, as set in the environment ("" when unset): LIBGL_ALWAYS_SOFTWARE,
    // GALLIUM_DRIVER, MESA_LOADER_DRIVER_OVERRIDE.
    std::string always_software{};
    std::string gallium_driver{};
    std::string loader_override{};
};

enum class render_mode {
    gpu, // composited through GL as the engine decides (its default policy)
    cpu, // drawn without GL (hardware acceleration policy NEVER)
};

// The mode for a machine that says `machine`.
render_mode choose_render_mode(const renderer& machine);

// Reads what this machine says: a few sysfs links and environment variables; opens no device.
renderer read_renderer();

// The mode for this machine, read and chosen on first use.
render_mode machine_render_mode();

// Where pages are drawn without GL, the program's own process has no use for GL, yet GTK (to
// pick its visuals) and the engine (for its display) would each open it at start-up and load
// Mesa's software renderer and LLVM into the process, about 15 MB. Called before GTK opens the
// display, hide_gl() keeps both away in that mode: GTK is told to leave GL alone (GDK_GL) and
// libglvnd finds no EGL driver to load. show_gl(), called once the engine has made its context,
// puts the environment back, so that the web processes started from then on find GL: they need
// it to start, and WebGL draws with it.
void hide_gl();
void show_gl();

} // namespace zarnic
