#include "app/application.h"

#include "app/shared_windows.h"
#include "resources/constants.h"
#include "webview/render_mode.h"

#include <atk/atk.h>
#include <gdk/gdk.h>

#include <string>
#include <vector>

namespace zarnic {
namespace {
Glib::RefPtr<Gtk::Application> g_application;
} // namespace

Glib::RefPtr<Gtk::Application> application() {
    if (!g_application)
        g_application =
            Glib::RefPtr<Gtk::Application>::cast_dynamic(Gio::Application::get_default());
    return g_application;
}

void adopt_window(Gtk::Window* window, std::function<void()> on_gone) {
    application()->add_window(*window);
    // Gtk::Application removes the window on hide before this runs; deleting it here, inside its
    // own hide signal, is the gtkmm way of letting the application own its windows.
    window->signal_hide().connect([window, on_gone = std::move(on_gone)] {
        if (on_gone)
            on_gone();
        delete window;
    });
}

int run(int, char**) {
    // Prefer X11 (XWayland on Wayland desktops): centring and taskbar hints hold there.
    gdk_set_allowed_backends("x11,*");
    // Before GTK opens the display: where pages are drawn without GL, this process loads none.
    hide_gl();
    g_set_application_name("Zarnic!");
    g_application = Gtk::Application::create(std::string(app_id), Gio::APPLICATION_NON_UNIQUE);
    g_application->signal_activate().connect([] {
        // The name assistive technology gives the program. GTK's accessible for the application
        // answers with the executable's name whatever it is told, so its answer is replaced.
        ATK_OBJECT_GET_CLASS(atk_get_root())->get_name = [](AtkObject*) {
            return g_get_application_name();
        };
        show_frmSplash();
    });
    // The program takes no command line, so none is handed to GApplication either.
    int status = g_application->run();
    // Closing everything "at once" can leave windows registered; destroy them before exit.
    std::vector<Gtk::Window*> left = g_application->get_windows();
    for (Gtk::Window* w : left)
        w->hide();
    g_application.reset();
    return status;
}

} // namespace zarnic
