#include "ui/window_host.h"

#include <gtkmm/window.h>

#include <stdexcept>

namespace zarnic {
namespace {
WindowHost* g_host = nullptr;
} // namespace

WindowHost& window_host() {
    if (!g_host)
        throw std::logic_error("no window host registered");
    return *g_host;
}

void set_window_host(WindowHost* host) { g_host = host; }

void unload(Gtk::Window& window) { window.hide(); }

} // namespace zarnic
