#pragma once
// The program's Gtk::Application and the ownership of its top-level windows.

#include <gtkmm/application.h>
#include <gtkmm/window.h>

#include <functional>
#include <string_view>

namespace zarnic {

// The running application (the one registered in this process).
Glib::RefPtr<Gtk::Application> application();

// Hands a heap-allocated top-level window to the application: the program keeps running while
// it is open, and once it is hidden (closed by its frame, or unloaded by a handler) it is
// deleted and on_gone runs first, so shared references never point at a dead window.
void adopt_window(Gtk::Window* window, std::function<void()> on_gone = {});

// Starts the program: shows the splash window and runs until the last window has closed.
int run(int argc, char** argv);

// The machine configuration store the About box reads. Defined in app/store_location.cpp, which
// each executable compiles itself, so that a test build of the program reads a store of its own.
std::string_view store_location();

} // namespace zarnic
