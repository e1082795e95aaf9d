#include "test_env.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zarnic::test {
namespace {

Glib::RefPtr<Gtk::Application> g_app;
std::string g_home;
pid_t g_xvfb = -1;

// Starts Xvfb on a free display number (it picks one and tells us through -displayfd).
void start_xvfb() {
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    g_xvfb = fork();
    if (g_xvfb == 0) {
        close(fds[0]);
        // The server goes with the test process, also when that crashes, and keeps none of its
        // output pipes open (a runner would otherwise wait for them).
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        int null = open("/dev/null", O_RDWR);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string display;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        display += c;
    close(fds[0]);
    if (display.empty())
        throw std::runtime_error("Xvfb did not start");
    setenv("DISPLAY", (":" + display).c_str(), 1);
}

void stop_xvfb() {
    if (g_xvfb > 0) {
        kill(g_xvfb, SIGTERM);
        waitpid(g_xvfb, nullptr, 0);
        g_xvfb = -1;
    }
}

void make_private_environment() {
    char tmpl[] = "/tmp/zarnic-test-XXXXXX";
    if (!mkdtemp(tmpl))
        throw std::runtime_error("mkdtemp failed");
    g_home = tmpl;
    setenv("HOME", g_home.c_str(), 1);
    for (const char* var :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        std::string dir = g_home + "/" + var;
        mkdir(dir.c_str(), 0700);
        setenv(var, dir.c_str(), 1);
    }
    // No session bus: nothing is autolaunched and nothing outlives the test.
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("GDK_BACKEND", "x11", 1);
    unsetenv("WAYLAND_DISPLAY");
}

} // namespace

Glib::RefPtr<Gtk::Application> app() {
    return g_app;
}
const std::string& home_dir() {
    return g_home;
}

void flush_events() {
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

bool run_until(const std::function<bool()>& pred, int timeout_ms) {
    gint64 deadline = g_get_monotonic_time() + gint64(timeout_ms) * 1000;
    while (!pred()) {
        if (g_get_monotonic_time() > deadline)
            return pred();
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(1000);
    }
    return true;
}

void run_for(int ms) {
    gint64 deadline = g_get_monotonic_time() + gint64(ms) * 1000;
    while (g_get_monotonic_time() < deadline) {
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(1000);
    }
}

void show_and_wait(Gtk::Window& window) {
    window.show_all();
    run_until([&] {
        return window.get_mapped() && window.get_window() &&
               gdk_window_is_viewable(window.get_window()->gobj());
    });
    gdk_display_sync(gdk_display_get_default());
    flush_events();
}

} // namespace zarnic::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    zarnic::test::make_private_environment();
    zarnic::test::start_xvfb();
    int rc;
    {
        zarnic::test::g_app =
            Gtk::Application::create("org.example.Zarnic.Tests", Gio::APPLICATION_NON_UNIQUE);
        zarnic::test::g_app->register_application();
        // Tests iterate the main loop themselves; the hold keeps the application registered
        // between tests, whatever windows a test closes.
        zarnic::test::g_app->hold();
        rc = RUN_ALL_TESTS();
        zarnic::test::flush_events();
        zarnic::test::g_app.reset();
    }
    zarnic::test::stop_xvfb();
    std::filesystem::remove_all(zarnic::test::g_home);
    return rc;
}
