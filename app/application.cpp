#include "app/application.h"

#include "app/shared_windows.h"
#include "resources/constants.h"
#include "webview/render_mode.h"

#include <atk/atk.h>
#include <gdk/gdk.h>

#include <string>

namespace zarnic {
namespace {
Glib::RefPtr<Gtk::Application> g_application;

// Ends the program at once: every window closes (and is deleted, see adopt_window), whatever
// it shows or loads, and the main loop ends.
void quit() {
    for (Gtk::Window* window : g_application->get_windows())
        window->hide();
    g_application->quit();
}
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
    // Desktops match windows to the desktop entry by their X class (Wayland: the app id), taken
    // from the program's name, and list the application by its name: the entry's id and name
    // rather than the executable's file name. GTK's start capitalises the class; it is set
    // again once GTK has started.
    g_set_prgname(app_id.data());
    g_set_application_name(app_name.data());
    g_application = Gtk::Application::create(std::string(app_id), Gio::APPLICATION_NON_UNIQUE);
    g_application->signal_startup().connect([] { gdk_set_program_class(app_id.data()); });
    g_application->signal_activate().connect([] {
        // The name assistive technology gives the program. GTK's accessible for the application
        // answers with the executable's name whatever it is told, so its answer is replaced.
        ATK_OBJECT_GET_CLASS(atk_get_root())->get_name = [](AtkObject*) {
            return g_get_application_name();
        };
        show_frmSplash();
    });
    // Windows end the program through the application's "quit" action.
    g_application->add_action("quit", &quit);
    // The program takes no command line, so none is handed to GApplication either.
    int status = g_application->run();
    // A window still registered when the loop ended is closed before exit.
    quit();
    g_application.reset();
    return status;
}

} // namespace zarnic
