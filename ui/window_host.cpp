#include "ui/window_host.h"

#include <gtkmm/window.h>

// After the C++ bindings, whose headers must come before Xlib's.
#include <gdk/gdkx.h>

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

void present_to_user(Gtk::Window& window) {
    guint32 time = gtk_get_current_event_time();
    GdkWindow* shown = window.get_window() ? window.get_window()->gobj() : nullptr;
    if (time == GDK_CURRENT_TIME && shown && GDK_IS_X11_WINDOW(shown))
        time = gdk_x11_get_server_time(shown);
    window.present(time);
}

} // namespace zarnic
