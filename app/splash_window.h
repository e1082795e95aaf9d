#pragma once
// The splash window shown at start.

#include <gtkmm/window.h>

namespace zarnic {

class SplashWindow : public Gtk::Window {
public:
    SplashWindow();
    SplashWindow(const SplashWindow&) = delete;
    SplashWindow& operator=(const SplashWindow&) = delete;
};

} // namespace zarnic
