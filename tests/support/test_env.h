#pragma once
// What every GUI test process runs in: its own virtual X server, a throw-away HOME and XDG
// folders, no D-Bus session, and a registered Gtk::Application like the real program's.

#include <gtkmm/application.h>
#include <gtkmm/widget.h>
#include <gtkmm/window.h>

#include <functional>
#include <string>

namespace zarnic::test {

// The application the test process registered before running the tests.
Glib::RefPtr<Gtk::Application> app();

// The throw-away home folder of this test process.
const std::string& home_dir();

// Runs pending events of the main loop without waiting.
void flush_events();

// Iterates the main loop until pred() holds or timeout_ms passes; returns pred()'s last value.
bool run_until(const std::function<bool()>& pred, int timeout_ms = 10000);

// Iterates the main loop for ms milliseconds (for checks that something does NOT happen).
void run_for(int ms);

// Shows a window and waits until the X server has mapped it.
void show_and_wait(Gtk::Window& window);

} // namespace zarnic::test
