#include "test_env.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/application.h>

#include <filesystem>

namespace zarnic::test {

std::string home_dir() {
    return g_getenv("HOME");
}

void flush_events() {
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

bool run_until(const std::function<bool()>& pred, int timeout_ms) {
    const gint64 deadline = g_get_monotonic_time() + gint64(timeout_ms) * 1000;
    while (!pred()) {
        if (g_get_monotonic_time() > deadline)
            return pred();
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(1000);
    }
    return true;
}

void run_for(int ms) {
    const gint64 deadline = g_get_monotonic_time() + gint64(ms) * 1000;
    run_until([&] { return g_get_monotonic_time() >= deadline; }, ms + 1000);
}

} // namespace zarnic::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::string home = "/tmp/zarnic-test-XXXXXX";
    g_mkdtemp(home.data());
    g_setenv("HOME", home.c_str(), TRUE);
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        g_setenv(name, (home + "/" + name).c_str(), TRUE),
            std::filesystem::create_directory(g_getenv(name));
    g_setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", TRUE);
    g_setenv("NO_AT_BRIDGE", "1", TRUE);
    g_setenv("GDK_BACKEND", "x11", TRUE);
    gtk_init(&argc, &argv);
    // Creating an application sets up the C++ bindings; it is never registered.
    auto bindings =
        Gtk::Application::create("org.example.Zarnic.Tests", Gio::APPLICATION_NON_UNIQUE);
    const int status = RUN_ALL_TESTS();
    zarnic::test::flush_events();
    std::filesystem::remove_all(home);
    return status;
}
