#pragma once
// What every GUI test process runs in: its own virtual X server, a throw-away HOME and XDG
// folders, no D-Bus session, and a registered Gtk::Application like the real program's.

#include <gtkmm/application.h>
#include <gtkmm/button.h>
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

// A real button press and release, delivered through the button's own input window.
void click(Gtk::Button& button);

// A key press and release delivered to the window (to its focus widget), as the keyboard would.
void press_key(Gtk::Window& window, guint keyval, GdkModifierType state = GdkModifierType(0));

// A mouse click at (x, y) in window coordinates of the given widget's GdkWindow.
void click_at(Gtk::Widget& widget, double x, double y);

// A real mouse click from outside (the XTest extension, through xdotool) at (x, y) in the
// widget's own coordinates: what a person's click does, grabs and pop-ups included.
void xclick(Gtk::Widget& widget, int x, int y);

// Renders what the window shows on screen into an image, for checks of what is drawn.
Glib::RefPtr<Gdk::Pixbuf> snapshot(Gtk::Window& window);

} // namespace zarnic::test
