#pragma once
// How a window asks for another window without knowing the program above it: the program
// registers one host, which keeps the shared window references, and windows ask it to open a
// new browser window, the Help window or the About box.

namespace Gtk {
class Window;
}

namespace zarnic {

class window_host {
public:
    virtual ~window_host() = default;
    // Points the shared browser-window reference at a new browser window and shows it.
    virtual void open_browser_window() = 0;
    // Shows the one Help window, non-modal: created if there is none, else brought forward.
    virtual void show_help() = 0;
    // Shows the About box modally above the caller; returns once the box has been closed.
    virtual void show_about(Gtk::Window& caller) = 0;
};

// The registered host (the program registers itself before it shows its first window).
window_host& registered_host();
void register_host(window_host* host);

// Unloads a window: hides it, which destroys it and its controls.
void unload(Gtk::Window& window);

// Brings a window forward with the keyboard focus, asked for with the time of the user's action
// (the event being handled), or the X server's time when there is none: window managers give
// the focus to splash screens and tool windows only on a request they take for the user's.
void present_to_user(Gtk::Window& window);

} // namespace zarnic
