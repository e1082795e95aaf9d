#pragma once
// The shared window references through which windows reach one another. Each window kind has
// one; showing a reference that holds no window creates the window first, showing one that is
// open brings it forward. A reference is emptied when its window is destroyed.

namespace Gtk {
class Window;
}

namespace zarnic {

class SplashWindow;
class BrowserWindow;
class HelpWindow;
class AboutBox;

struct SharedWindows {
    SplashWindow* frmSplash = nullptr;
    BrowserWindow* Webbro = nullptr;
    HelpWindow* Help = nullptr;
    AboutBox* About = nullptr;
};

SharedWindows& shared_windows();

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
