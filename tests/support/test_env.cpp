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

static void send_button_event(GdkWindow* target, GdkEventType type, double x, double y) {
    GdkEvent* ev = gdk_event_new(type);
    ev->button.window = GDK_WINDOW(g_object_ref(target));
    ev->button.send_event = TRUE;
    ev->button.time = GDK_CURRENT_TIME;
    ev->button.x = x;
    ev->button.y = y;
    ev->button.button = 1;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(target));
    gdk_event_set_device(ev, gdk_seat_get_pointer(seat));
    gtk_main_do_event(ev);
    gdk_event_free(ev);
}

static void press_and_release(GdkWindow* target, double x, double y) {
    send_button_event(target, GDK_BUTTON_PRESS, x, y);
    send_button_event(target, GDK_BUTTON_RELEASE, x, y);
    flush_events();
}

void click(Gtk::Button& button) {
    GdkWindow* target = gtk_button_get_event_window(button.gobj());
    ASSERT_NE(target, nullptr) << "button is not realized";
    press_and_release(target, gdk_window_get_width(target) / 2.0,
                      gdk_window_get_height(target) / 2.0);
}

void click_at(Gtk::Widget& widget, double x, double y) {
    press_and_release(widget.get_window()->gobj(), x, y);
}

static void send_key_event(GdkWindow* target, GdkEventType type, guint keyval,
                           GdkModifierType state) {
    GdkEvent* ev = gdk_event_new(type);
    ev->key.window = GDK_WINDOW(g_object_ref(target));
    ev->key.send_event = TRUE;
    ev->key.time = GDK_CURRENT_TIME;
    ev->key.keyval = keyval;
    ev->key.state = state;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(target));
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    if (gdk_keymap_get_entries_for_keyval(keymap, keyval, &keys, &n) && n > 0) {
        ev->key.hardware_keycode = guint16(keys[0].keycode);
        ev->key.group = guint8(keys[0].group);
    }
    g_free(keys);
    gunichar ch = gdk_keyval_to_unicode(keyval);
    char buf[8] = {};
    if (ch)
        g_unichar_to_utf8(ch, buf);
    ev->key.string = g_strdup(buf);
    ev->key.length = gint(strlen(buf));
    GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(target));
    gdk_event_set_device(ev, gdk_seat_get_keyboard(seat));
    gtk_main_do_event(ev);
    gdk_event_free(ev);
}

void press_key(Gtk::Window& window, guint keyval, GdkModifierType state) {
    GdkWindow* target = window.get_window()->gobj();
    send_key_event(target, GDK_KEY_PRESS, keyval, state);
    send_key_event(target, GDK_KEY_RELEASE, keyval, state);
    flush_events();
}

void xclick(Gtk::Widget& widget, int x, int y) {
    int origin_x = 0, origin_y = 0;
    Gtk::Widget* top = widget.get_toplevel();
    int in_top_x = 0, in_top_y = 0;
    widget.translate_coordinates(*top, x, y, in_top_x, in_top_y);
    top->get_window()->get_origin(origin_x, origin_y);
    std::string command = "xdotool mousemove --sync " + std::to_string(origin_x + in_top_x) + " " +
                          std::to_string(origin_y + in_top_y) + " click 1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    gdk_display_sync(gdk_display_get_default());
    run_for(50);
}

Glib::RefPtr<Gdk::Pixbuf> snapshot(Gtk::Window& window) {
    window.queue_draw();
    flush_events();
    gdk_display_sync(gdk_display_get_default());
    run_for(50);
    auto gdk_window = window.get_window();
    return Gdk::Pixbuf::create(gdk_window, 0, 0, gdk_window->get_width(), gdk_window->get_height());
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
