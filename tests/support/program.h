#pragma once
// The built program on a desktop, driven from outside as a person drives it: its own process,
// a real window manager (openbox), synthetic keys and clicks through the X server's test
// extension (xdotool), and what the desktop shows read back from the X server (XCB).

#include <gio/gio.h>
#include <xcb/xcb.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zarnic::test {

// Output of a shell command, without its trailing newlines.
std::string shell(const std::string& command);

// A program started with a fresh, empty HOME and runtime folder and no D-Bus session; more
// variables ("NAME=value") may follow. Killed, and its folders removed, at the end.
class program {
public:
    explicit program(const std::vector<std::string>& command,
                     std::vector<std::string> environment = {});
    ~program();
    program(const program&) = delete;
    program& operator=(const program&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& home() const { return home_; }
    bool running() const { return g_subprocess_get_identifier(process_) != nullptr; }
    int exit_status() const; // -1 while running, 128 + signal if killed

private:
    std::string home_, runtime_;
    GSubprocess* process_ = nullptr;
    pid_t pid_ = -1;
};

// A window manager on the test's X server, by the name it announces: "Openbox" (new windows
// get the focus, a click focuses and raises, and only its key for closing the active window,
// Alt+F4, takes keys away), or as the desktops run theirs: "KWin" (KDE's, kwin_x11), "Mutter"
// (GNOME's, in X11 mode). Throws if it is unknown or does not start.
std::unique_ptr<program> start_window_manager(const std::string& name = "Openbox");

// A top-level window's own area on the screen, and the frame drawn around it.
struct window_geometry {
    int x = 0, y = 0, width = 0, height = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
};
window_geometry geometry_of(unsigned long window);
std::string title_of(unsigned long window);        // "" when it has none or is gone
unsigned long transient_for(unsigned long window); // 0 for none
bool viewable(unsigned long window);
bool painted(unsigned long window); // shows more than a plain background
unsigned long focused_window();
// The viewable windows the window manager manages for the process, in the order they came.
std::vector<unsigned long> managed_windows(pid_t pid);
// Asks the window manager to activate the window; waits until it is the active one.
bool activate(unsigned long window);
// Closes the window as a person does from the keyboard: activated, then Alt+F4.
void close_window(unsigned long window);

// Keys (xdotool key syntax, "alt+a Return") and text to whichever window has the focus, and a
// click of button 1 at a point of the screen.
void press_keys(const std::string& keys);
void type_keys(const std::string& text);
void click_screen(int x, int y);

// Every title each top-level window has had since the recorder started, read by a thread of its
// own as the X server announces the change: a title that lasts a few milliseconds is still seen.
class title_recorder {
public:
    title_recorder();
    ~title_recorder();
    title_recorder(const title_recorder&) = delete;
    title_recorder& operator=(const title_recorder&) = delete;

    std::vector<std::string> titles(unsigned long window) const; // a repeat written once

private:
    void note(xcb_window_t window, bool created);
    void watch();

    xcb_connection_t* c_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::map<xcb_window_t, std::vector<std::string>> titles_;
    std::thread thread_;
};

} // namespace zarnic::test
