#pragma once
// Runs the built program as a separate process on the test's X server, and drives it from
// outside as a person would: synthetic keys and clicks (xdotool, through the XTest extension),
// window titles read from the X server.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <sys/types.h>

namespace zarnic::test {

class Program {
public:
    // Starts `command` (argv) with a fresh, empty HOME and runtime folder, no D-Bus session.
    explicit Program(std::vector<std::string> command);
    // The same, with more variables ("NAME=value") set in its environment after those.
    Program(std::vector<std::string> command, std::vector<std::string> environment);
    // Kills the program if it still runs, and removes its folders.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& home() const { return home_; }
    const std::string& runtime_dir() const { return runtime_; }

    // Whether the process is still running (reaps it once it has ended).
    bool running();
    // Exit status once ended (-1 while running, 128 + signal when killed).
    int exit_status() const { return status_; }
    // Waits (iterating the main loop) until the process has ended.
    bool wait_exit(int timeout_ms);

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string home_;
    std::string runtime_;
};

// Output of a shell command (stdout, trailing newline removed).
std::string shell(const std::string& command);

// X windows of the display whose title matches the regular expression (xdotool's syntax),
// visible ones only.
std::vector<unsigned long> find_windows(const std::string& title_regex);

// Iterates the main loop until a visible window's title matches; returns it, or 0.
unsigned long wait_window(const std::string& title_regex, int timeout_ms = 20000);

// The window's title as the window manager would show it.
std::string window_title(unsigned long window);

// Asks the window to close, as the close box of its frame does (WM_DELETE_WINDOW).
void close_window(unsigned long window);

// Gives the window the keyboard focus and types keys into it (xdotool key syntax, e.g.
// "alt+a", "Return") or text.
void send_keys(unsigned long window, const std::string& keys);
void type_text(unsigned long window, const std::string& text);

// ---------------------------------------------------------------------------------------------
// The desktop as a person sees it, read through an X connection of its own (XCB, so an error
// about a window that has just gone never reaches GDK's error handler).

// A real window manager (openbox) on the test's X server, with a small configuration of its
// own: a window that asks for no position goes where it finds room (the first one to the top-left
// corner), a click in a window focuses and raises it, and no key bindings take keys away.
class WindowManager {
public:
    // Starts it and waits until it manages the screen; throws std::runtime_error if it does not.
    WindowManager();
    // Stops it and removes its configuration folder.
    ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

private:
    pid_t pid_ = -1;
    std::string dir_;
};

// Where a top-level window is: its own area on the screen, and the frame the window manager
// draws around it (left, right, top, bottom: 0 for an undecorated window).
struct WindowGeometry {
    int x = 0, y = 0, width = 0, height = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
};
WindowGeometry window_geometry(unsigned long window);

// The window's title (_NET_WM_NAME, else WM_NAME); "" when it has none or is gone.
std::string title_of(unsigned long window);
// Atom names of _NET_WM_STATE (e.g. "_NET_WM_STATE_SKIP_TASKBAR") and _NET_WM_WINDOW_TYPE.
std::vector<std::string> window_state(unsigned long window);
std::vector<std::string> window_types(unsigned long window);
// WM_TRANSIENT_FOR, or 0.
unsigned long transient_for(unsigned long window);
// Whether the window exists and is mapped (its frame too).
bool viewable(unsigned long window);

// The windows the window manager manages for process pid (_NET_CLIENT_LIST, _NET_WM_PID) that
// are viewable, in the order they were first mapped.
std::vector<unsigned long> managed_windows(pid_t pid);
// Pop-up menus (override-redirect windows of type popup or drop-down menu) on screen now.
std::vector<unsigned long> popup_menus();

// Asks the window manager to activate the window and waits until it has the keyboard focus.
bool activate(unsigned long window);
// Moves the pointer to (x, y) on the screen and clicks button 1 (XTest).
void click_screen(int x, int y);
// Keys (xdotool key syntax) or text to whichever window has the focus, as a keyboard would.
void press_keys(const std::string& keys);
void type_keys(const std::string& text);

// Pixels of the screen as it shows them (0x00RRGGBB), row by row.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    // Writes the image as a PNG (for looking at a failure); false if that fails.
    bool save_png(const std::string& path) const;
};
Image grab_screen(int x, int y, int width, int height);
// The share of pixels (0 to 1) that differ between two images of one size; 1 if sizes differ.
double difference(const Image& a, const Image& b);

// Records every title each top-level window of the display has had since the recorder started,
// from a thread of its own that watches the X server's notifications: a title that lasts only
// a few milliseconds is still seen, however busy the test's own loop is.
class TitleRecorder {
public:
    TitleRecorder();
    ~TitleRecorder();
    TitleRecorder(const TitleRecorder&) = delete;
    TitleRecorder& operator=(const TitleRecorder&) = delete;

    // The titles the window had, in order, a repeated title written once.
    std::vector<std::string> titles(unsigned long window) const;

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

} // namespace zarnic::test
