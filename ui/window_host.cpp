#include "ui/window_host.h"

#include <gtkmm/window.h>

#include <stdexcept>

namespace zarnic {
namespace {
window_host* g_host = nullptr;
} // namespace

window_host& registered_host() {
    if (!g_host)
        throw std::logic_error("no window host registered");
    return *g_host;
}

void register_host(window_host* host) {
    g_host = host;
}

void unload(Gtk::Window& window) {
    window.hide();
}

} // namespace zarnic
