#pragma once
// The shared window references through which windows reach one another. Each window kind has
// one; showing a reference that holds no window creates the window first, showing one that is
// open brings it forward. A reference is emptied when its window is destroyed. The references
// are the program's window host: windows below ask them for other windows through it.

#include "ui/window_host.h"

namespace zarnic {

class splash_window;
class browser_window;
class help_window;
class about_box;

struct window_references : window_host {
    window_references();
    window_references(const window_references&) = delete;
    window_references& operator=(const window_references&) = delete;

    splash_window* frmSplash = nullptr;
    browser_window* Webbro = nullptr;
    help_window* Help = nullptr;
    about_box* About = nullptr;

    void open_browser_window() override;
    void show_help() override;
    void show_about(Gtk::Window& caller) override;
};

window_references& shared_windows();

// Loads and shows the splash window, the program's first window.
void show_frmSplash();

// Shows the current browser window, creating one first if the reference holds none.
void show_Webbro();

// Points Webbro at a new browser window (not yet shown).
void new_Webbro();

// Shows the one Help window, non-modal; creates it if there is none, else brings it forward.
void show_Help();

// Shows the About box modally and returns once it has been closed. The box is kept above the
// window that asked for it, so it cannot hide behind the window it blocks.
void show_About(Gtk::Window* caller);

} // namespace zarnic
