#pragma once
// Runs the built program as a separate process on the test's X server, and drives it from
// outside as a person would: synthetic keys and clicks (xdotool, through the XTest extension),
// window titles read from the X server.

#include <string>
#include <vector>

#include <sys/types.h>

namespace zarnic::test {

class Program {
public:
    // Starts `command` (argv) with a fresh, empty HOME and runtime folder, no D-Bus session.
    explicit Program(std::vector<std::string> command);
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

} // namespace zarnic::test
