#include "program.h"

#include "test_env.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace zarnic::test {
namespace {

std::string make_temp_dir(const char* name) {
    std::string tmpl = std::string("/tmp/") + name + "-XXXXXX";
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

Display* display() {
    static Display* dpy = XOpenDisplay(nullptr);
    return dpy;
}

} // namespace

Program::Program(std::vector<std::string> command)
    : home_(make_temp_dir("zarnic-home")), runtime_(make_temp_dir("zarnic-run")) {
    pid_ = fork();
    if (pid_ == 0) {
        setenv("HOME", home_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            unsetenv(var);
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        if (chdir(home_.c_str()) != 0)
            _exit(126);
        std::vector<char*> argv;
        for (std::string& arg : command)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
}

Program::~Program() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
    std::filesystem::remove_all(runtime_, ignored);
}

bool Program::running() {
    if (status_ >= 0)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return true;
}

bool Program::wait_exit(int timeout_ms) {
    return run_until([&] { return !running(); }, timeout_ms);
}

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            out.append(buf, n);
        pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::vector<unsigned long> find_windows(const std::string& title_regex) {
    std::istringstream ids(shell("xdotool search --onlyvisible --name " + quote(title_regex) + " 2>/dev/null"));
    std::vector<unsigned long> windows;
    unsigned long id;
    while (ids >> id)
        windows.push_back(id);
    return windows;
}

unsigned long wait_window(const std::string& title_regex, int timeout_ms) {
    unsigned long found = 0;
    gint64 next = 0;
    run_until(
        [&] {
            // Ask the X server every 50 ms; between times the loop serves the test's pages.
            if (g_get_monotonic_time() < next)
                return false;
            next = g_get_monotonic_time() + 50000;
            auto windows = find_windows(title_regex);
            found = windows.empty() ? 0 : windows.front();
            return found != 0;
        },
        timeout_ms);
    return found;
}

std::string window_title(unsigned long window) {
    return shell("xdotool getwindowname " + std::to_string(window) + " 2>/dev/null");
}

void close_window(unsigned long window) {
    Display* dpy = display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &event);
    XFlush(dpy);
}

static void focus(unsigned long window) {
    shell("xdotool windowactivate --sync " + std::to_string(window) + " 2>/dev/null || xdotool windowfocus --sync " +
          std::to_string(window) + " 2>/dev/null");
}

void send_keys(unsigned long window, const std::string& keys) {
    focus(window);
    shell("xdotool key --clearmodifiers " + keys);
}

void type_text(unsigned long window, const std::string& text) {
    focus(window);
    shell("xdotool type --delay 2 -- " + quote(text));
}

} // namespace zarnic::test
