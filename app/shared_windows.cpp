#include "app/shared_windows.h"

#include "about/about_box.h"
#include "app/application.h"
#include "app/splash_window.h"
#include "browser/browser_window.h"
#include "help/help_window.h"

#include <string>
#include <utility>

namespace zarnic {

window_references::window_references() {
    register_host(this);
}

void window_references::open_browser_window() {
    new_Webbro();
    show_Webbro();
}

void window_references::show_help() {
    show_Help();
}

void window_references::show_about(Gtk::Window& caller) {
    show_About(&caller);
}

window_references& shared_windows() {
    static window_references windows;
    return windows;
}

namespace {

// Makes a window of kind W for the reference and hands it to the application; the reference
// lets go of it when it is destroyed, unless it already points at a newer one.
template <class W, class... Args> W* make_window(W*& reference, Args&&... args) {
    auto* window = new W(std::forward<Args>(args)...);
    adopt_window(window, [&reference, window] {
        if (reference == window)
            reference = nullptr;
    });
    return reference = window;
}

} // namespace

void show_frmSplash() {
    auto& s = shared_windows();
    if (!s.frmSplash)
        make_window(s.frmSplash);
    // The splash starts the web engine once it is on screen (see its map handler).
    s.frmSplash->show();
}

void new_Webbro() {
    make_window(shared_windows().Webbro);
}

void show_Webbro() {
    auto& s = shared_windows();
    if (!s.Webbro)
        new_Webbro();
    if (s.Webbro->is_loaded())
        s.Webbro->present();
    else
        s.Webbro->Load();
}

void show_Help() {
    auto& s = shared_windows();
    if (!s.Help) {
        make_window(s.Help);
        s.Help->show();
    }
    // Window managers give a tool window no focus of their own accord.
    present_to_user(*s.Help);
}

void show_About(Gtk::Window* caller) {
    auto& s = shared_windows();
    if (!s.About)
        make_window(s.About, std::string(store_location()));
    if (caller)
        s.About->set_transient_for(*caller);
    // run() is the modal show: a nested main loop that returns once the box answers or closes.
    // Timers and web views of every window keep running inside it.
    s.About->run();
    if (s.About)
        unload(*s.About);
}

} // namespace zarnic
