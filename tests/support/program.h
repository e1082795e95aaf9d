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
#include <set>
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

// A window manager on the test's X server, by the name it announces, with the settings it comes
// with: "Openbox" (new windows get the focus, a click focuses and raises, Alt+F4 closes the active
// window), "KWin" (KDE's, kwin_x11), "Mutter" (GNOME's, in X11 mode). Throws if it is unknown or
// does not start.
std::unique_ptr<program> start_window_manager(const std::string& name = "Openbox");

// A top-level window's own area on the screen, and the frame drawn around it.
struct window_geometry {
    int x = 0, y = 0, width = 0, height = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
};
// What the X server knows of a top-level window at one moment, read in one round trip.
struct window_facts {
    bool viewable = false;
    std::string title; // "" when it has none or is gone
    window_geometry geometry;
    unsigned long transient_for = 0;   // 0 for none
    std::set<std::string> type, state; // _NET_WM_WINDOW_TYPE_..., _NET_WM_STATE_...
    std::vector<uint32_t> motif_hints; // _MOTIF_WM_HINTS
    bool icon = false;                 // _NET_WM_ICON, or an icon pixmap in WM_HINTS
    bool focused = false;              // it, or a window inside it, has the input focus
};
window_facts facts_of(unsigned long window);
// The viewable windows the window manager manages for the process, in the order they came.
std::vector<unsigned long> managed_windows(pid_t pid);
// Asks the window manager to activate the window; waits until it is the active one.
bool activate(unsigned long window);
// Closes the window as a person does from the keyboard: activated, then Alt+F4.
void close_window(unsigned long window);

// Keys pressed through the X server's test extension from this process itself, each a keysym
// name or names joined by "+" and held together ("a", "Delete", "Alt_L+x"): no process is
// started, and the answer comes in the same round trip. Whether the window had the keyboard
// when they were sent (the input focus in it, or the keyboard held by a program), and whether
// it was still viewable once the X server had delivered them.
struct key_delivery {
    bool had_keyboard = false, still_viewable = false;
};
key_delivery press_keys_on(unsigned long window, const std::vector<std::string>& keys);
// Whether the window has the keyboard, as press_keys_on tells it, without pressing any key.
bool has_keyboard(unsigned long window);
// Holds the keyboard from this process, as another program may hold it for a moment (a window
// manager while it frames a window), until release_keyboard(); false if it was held already.
bool hold_keyboard();
void release_keyboard();

// Keys (xdotool key syntax, "alt+a Return") and text to whichever window has the focus, and a
// click of button 1 at a point of the screen.
void press_keys(const std::string& keys);
void type_keys(const std::string& text);
void click_screen(int x, int y);

// What the program's clients ask of the X server, recorded as the server handles it (the RECORD
// extension, on connections of its own): every title each window is given, however short it
// lasts, and the menus that open.
class title_recorder {
public:
    title_recorder();
    ~title_recorder();
    title_recorder(const title_recorder&) = delete;
    title_recorder& operator=(const title_recorder&) = delete;

    // The titles of the window made last under that number, in the order set, each time set.
    std::vector<std::string> titles(unsigned long window) const;
    // A mark in the recording, and how many windows made since a mark have had the title.
    size_t mark() const;
    int windows_titled(const std::string& title, size_t since) const;
    int menus_shown() const { return menus_; } // menus mapped so far

private:
    void note_request(const uint8_t* request);

    xcb_connection_t *control_, *data_;
    uint32_t context_;
    xcb_atom_t name_atom_, type_atom_;
    std::set<xcb_atom_t> menu_types_;
    std::atomic<int> menus_{0};
    mutable std::mutex mutex_;
    std::vector<std::pair<xcb_window_t, std::vector<std::string>>> made_; // in order made
    std::set<xcb_window_t> menus_made_;
    std::thread thread_;
};

} // namespace zarnic::test
