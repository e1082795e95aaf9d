// The installed program as a desktop sees it: its desktop entry and its icon are found where
// desktops look for them, and the installed executable shows its splash window, then its
// browser window on the start page, and ends when that window is closed.
// Run by package_test.sh while the package is installed; not a test of its own.
#include "support/program.h"
#include "support/test_env.h"

#include <giomm/desktopappinfo.h>
#include <gtest/gtest.h>
#include <gtkmm/icontheme.h>

#include <cstdlib>
#include <sstream>

namespace zarnic {
namespace {

using test::Program;

const std::string home_title = "^Welcome to Zarnic!$";

std::string env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

const std::string binary = env("ZARNIC_INSTALLED_BINARY", "/usr/bin/zarnic");
const std::string app_id = env("ZARNIC_APP_ID", "org.example.Zarnic");

Glib::RefPtr<Gio::DesktopAppInfo> desktop_entry() {
    return Gio::DesktopAppInfo::create(app_id + ".desktop");
}

// Visible windows of the process that the window manager is told are splash screens.
unsigned long splash_window_of(pid_t pid) {
    std::istringstream ids(
        test::shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
    unsigned long id;
    while (ids >> id) {
        std::string type = test::shell("xprop -id " + std::to_string(id) + " _NET_WM_WINDOW_TYPE");
        if (type.find("_NET_WM_WINDOW_TYPE_SPLASH") != std::string::npos)
            return id;
    }
    return 0;
}

TEST(InstalledProgram, DesktopsFindItsEntryAndIcon) {
    auto entry = desktop_entry();
    ASSERT_TRUE(entry) << "no desktop entry " << app_id << ".desktop in the data folders";
    EXPECT_TRUE(entry->should_show());
    // The entry starts the installed executable through the search path.
    gchar* found = g_find_program_in_path(entry->get_executable().c_str());
    EXPECT_EQ(found ? std::string(found) : std::string(), binary);
    g_free(found);

    auto theme = Gtk::IconTheme::get_default();
    ASSERT_TRUE(theme->has_icon(app_id)) << "the icon theme has no " << app_id;
    for (int size : {16, 48, 256}) {
        Gtk::IconInfo icon = theme->lookup_icon(app_id, size, Gtk::ICON_LOOKUP_FORCE_SIZE);
        ASSERT_TRUE(icon) << size;
        EXPECT_EQ(icon.get_filename().rfind("/usr/share/icons/hicolor/", 0), 0u)
            << icon.get_filename();
        EXPECT_EQ(icon.load_icon()->get_width(), size);
    }
}

TEST(InstalledProgram, ShowsSplashThenBrowserWindowAndEndsWhenClosed) {
    auto entry = desktop_entry();
    ASSERT_TRUE(entry);
    Program program({binary});

    unsigned long splash = 0;
    test::run_until(
        [&] {
            g_usleep(50000); // ask the X server every 50 ms
            return (splash = splash_window_of(program.pid())) != 0;
        },
        20000);
    EXPECT_NE(splash, 0u) << "no splash window";

    unsigned long window = test::wait_window(home_title, 60000);
    ASSERT_NE(window, 0u) << "no browser window on the start page";
    EXPECT_EQ(test::shell("xdotool getwindowpid " + std::to_string(window)),
              std::to_string(program.pid()));

    // Desktops tie the window to the desktop entry by its class, and show the icon it carries.
    const std::string id = std::to_string(window);
    std::string quoted_class = "\"";
    quoted_class.append(entry->get_startup_wm_class()).append("\"");
    EXPECT_NE(test::shell("xprop -id " + id + " WM_CLASS").find(quoted_class), std::string::npos)
        << "the window's class is not the entry's StartupWMClass " << entry->get_startup_wm_class();
    std::string icons = test::shell("xprop -id " + id + " _NET_WM_ICON | grep 'Icon ('");
    EXPECT_NE(icons.find("Icon (48 x 48)"), std::string::npos) << icons;

    test::close_window(window);
    ASSERT_TRUE(program.wait_exit(15000)) << "the program went on after its window closed";
    EXPECT_EQ(program.exit_status(), 0);
}

} // namespace
} // namespace zarnic
