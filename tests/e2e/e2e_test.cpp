// Zarnic! used from outside as a person uses it: the built program in a process of its own on a
// desktop with a real window manager (openbox, or the one ZARNIC_WINDOW_MANAGER names), clicked
// and typed at through the X server's test extension, and judged by what the desktop shows:
// which windows are up, their titles, places and hints, and the pixels on the screen.
//
// Home and Search open internet addresses fixed at build time; the program runs with a proxy on
// 127.0.0.1 that refuses every connection, so nothing leaves the machine, and the test's own
// pages on 127.0.0.1 bypass it.
#include "support/page_server.h"
#include "support/program.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <utility>

namespace zarnic {
namespace {

using titles = std::vector<std::string>;

const std::string product_title = "Zarnic! 1.0";
const std::string loading_title = "Loading URL Please Wait a Moment...";
const std::string start_title = "Welcome to Zarnic!";
const std::string about_title = "About Zarnic!";
const std::string help_title = "Zarnic! Help";

// Where a person finds things in a browser window, from the top-left corner of its own area:
// the menu bar (25 px with GTK's default theme), the 45 px address strip, the toolbar's
// 69 x 44 px buttons.
constexpr int menu_bar_height = 25;
constexpr int toolbar_top = menu_bar_height + 45;
constexpr int button_width = 69;
constexpr int button_height = 44;
enum toolbar_button { Back, Forward, Stop, Refresh, Home, Search, NewWindow, About };
constexpr int file_menu_x = 19, help_menu_x = 60;
enum file_item { NewWindowItem = 1, CloseItem, AboutItem };

bool poll_until(const std::function<bool()>& condition, int timeout_ms = 20000) {
    return test::run_until(
        [&] {
            if (condition())
                return true;
            test::run_for(20);
            return false;
        },
        timeout_ms);
}

std::string property(unsigned long window, const std::string& name) {
    return test::shell("xprop -id " + std::to_string(window) + " " + name);
}

class Desktop : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* manager = g_getenv("ZARNIC_WINDOW_MANAGER");
        window_manager_ = test::start_window_manager(manager ? manager : "Openbox").release();
        recorder_ = new test::title_recorder;
        server_ = new test::PageServer;
    }
    static void TearDownTestSuite() {
        delete server_;
        delete recorder_;
        delete window_manager_;
    }
    void TearDown() override { program_.reset(); }

    // Starts the program (or a build of it that reads the tests' store) and waits for its
    // first window, the splash.
    unsigned long start(const std::string& binary = ZARNIC_BINARY) {
        std::string proxy = test::PageServer::refused_url();
        proxy.pop_back();
        program_ = std::make_unique<test::program>(
            std::vector<std::string>{binary},
            std::vector<std::string>{"http_proxy=" + proxy, "https_proxy=" + proxy,
                                     "no_proxy=127.0.0.1,localhost"});
        unsigned long splash = 0;
        poll_until([&] {
            const std::vector<unsigned long> shown = windows();
            return (splash = shown.empty() ? 0 : shown.front()) != 0;
        });
        return splash;
    }
    unsigned long start_browser(const std::string& binary = ZARNIC_BINARY) {
        start(binary);
        return wait_new_window({}, start_title);
    }
    bool ended(int timeout_ms = 10000) {
        if (!poll_until([&] { return !program_->running(); }, timeout_ms))
            ADD_FAILURE() << "the program goes on";
        return !program_->running() && program_->exit_status() == 0;
    }

    // The program's windows; under strace, those of the traced program.
    std::vector<unsigned long> windows() const {
        pid_t pid = program_->pid();
        if (traced_)
            pid = pid_t(std::atol(test::shell("pgrep -P " + std::to_string(pid)).c_str()));
        return test::managed_windows(pid);
    }

    // A window of the program not among known, with the title, once the title recorder has
    // seen that title too; 0 if none comes.
    unsigned long wait_new_window(const std::set<unsigned long>& known, const std::string& title,
                                  int timeout_ms = 20000) {
        unsigned long found = 0;
        poll_until(
            [&] {
                for (unsigned long window : windows())
                    if (!known.count(window) && test::title_of(window) == title)
                        found = window;
                const titles seen = recorder_->titles(found);
                return found != 0 && std::count(seen.begin(), seen.end(), title) > 0;
            },
            timeout_ms);
        return found;
    }
    bool wait_title(unsigned long window, const std::string& title) {
        return poll_until([&] { return test::title_of(window) == title; });
    }
    bool wait_gone(unsigned long window) {
        return poll_until([&] { return !test::viewable(window); }, 10000);
    }
    titles titles_since(unsigned long window, size_t seen) const {
        titles all = recorder_->titles(window);
        return titles(all.begin() + std::ptrdiff_t(std::min(seen, all.size())), all.end());
    }

    void click_in(unsigned long window, int x, int y) {
        test::window_geometry g = test::geometry_of(window);
        test::click_screen(g.x + x, g.y + y);
    }
    void press(unsigned long window, toolbar_button button) {
        click_in(window, int(button) * button_width + button_width / 2,
                 toolbar_top + button_height / 2);
    }
    // Clicks a menu of the menu bar open, then picks its item-th entry with the arrow keys.
    void choose(unsigned long window, int menu_x, int item) {
        ASSERT_TRUE(test::activate(window));
        click_in(window, menu_x, menu_bar_height / 2);
        std::string keys;
        for (int i = 0; i < item; ++i)
            keys += "Down ";
        test::press_keys(keys + "Return");
    }
    void go(unsigned long window, const std::string& address) {
        ASSERT_TRUE(test::activate(window));
        test::press_keys("alt+a");
        test::type_keys(address);
        test::press_keys("Return");
    }

    // Centred on the screen (1280 x 1024), of the window type, in the taskbar or out of it; a
    // fixed window asks for move and close only, a border and a title bar, no window menu.
    static void expect_placed(unsigned long window, const std::string& type, bool in_taskbar,
                              bool fixed = false) {
        test::window_geometry g = test::geometry_of(window);
        EXPECT_NEAR(g.x - g.left + (g.left + g.width + g.right) / 2.0, 640, g.left + g.right + 2)
            << type;
        EXPECT_NEAR(g.y - g.top + (g.top + g.height + g.bottom) / 2.0, 512, g.top + g.bottom + 2)
            << type;
        EXPECT_EQ(property(window, "_NET_WM_WINDOW_TYPE"),
                  "_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_" + type);
        EXPECT_EQ(property(window, "_NET_WM_STATE").find("_SKIP_TASKBAR") == std::string::npos,
                  in_taskbar)
            << type;
        EXPECT_TRUE(!fixed || property(window, "_MOTIF_WM_HINTS") ==
                                  "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x24, 0xa, 0x0, 0x0")
            << type << ": " << property(window, "_MOTIF_WM_HINTS");
    }
    void expect_opened_on_start_page(unsigned long window, const std::string& what) {
        EXPECT_EQ(recorder_->titles(window), (titles{product_title, loading_title, start_title}))
            << what;
        expect_placed(window, "NORMAL", true);
    }

    static inline test::program* window_manager_ = nullptr;
    static inline test::title_recorder* recorder_ = nullptr;
    static inline test::PageServer* server_ = nullptr;
    std::unique_ptr<test::program> program_;
    bool traced_ = false;
};

// The cases whose outcome is the window manager's: they run under openbox with the others, and
// again under the window managers of the desktops (tests/e2e/CMakeLists.txt).
class WindowManager : public Desktop {};

TEST_F(WindowManager, ACharacterKeyOnTheSplashEndsTheProgram) {
    // Nothing forces the focus: once the splash is drawn, as a person sees it, a key is typed.
    unsigned long splash = start();
    ASSERT_NE(splash, 0u);
    poll_until([&] { return test::painted(splash) || !test::viewable(splash); }, 5000);
    test::press_keys("a");
    // Asked after the key, the X server answers after delivering it: a splash still up had it.
    const bool up_at_key = test::viewable(splash);
    unsigned long browser = 0;
    poll_until([&] {
        browser = wait_new_window({splash}, start_title, 0);
        return browser != 0 || !program_->running();
    });
    if (browser != 0 && !up_at_key)
        GTEST_SKIP() << "the splash had gone before the key could reach it";
    EXPECT_EQ(browser, 0u) << "the program went on after a key on its splash";
    EXPECT_TRUE(ended());
}

TEST_F(WindowManager, SplashBrowserWindowHelpAndAboutBoxAsPlacedAndHinted) {
    unsigned long splash = start();
    ASSERT_NE(splash, 0u);
    EXPECT_EQ(test::title_of(splash), "");
    expect_placed(splash, "SPLASH", false);
    test::window_geometry g = test::geometry_of(splash);
    EXPECT_EQ(g.left + g.right + g.top + g.bottom, 0) << "the splash has a frame";
    // Keys that type no character leave it up: Delete, Shift, Alt with a letter.
    poll_until([&] { return test::painted(splash) || !test::viewable(splash); }, 5000);
    test::press_keys("Delete shift alt+x");

    unsigned long window = wait_new_window({splash}, start_title);
    ASSERT_NE(window, 0u) << "no browser window on the start page";
    EXPECT_FALSE(test::viewable(splash));
    expect_opened_on_start_page(window, "the browser window");
    EXPECT_EQ(windows(), std::vector<unsigned long>{window});

    // The Help window takes the keyboard focus when it opens, and again when chosen while open:
    // one window, centred, out of the taskbar, a fixed tool window of no owner.
    choose(window, help_menu_x, 1);
    unsigned long help = wait_new_window({window}, help_title);
    ASSERT_NE(help, 0u) << "Help > Zarnic! Help Libary showed no window";
    EXPECT_TRUE(poll_until([&] { return test::focused_window() == help; }, 5000))
        << "the Help window opened without the focus";
    expect_placed(help, "UTILITY", false, true);
    EXPECT_EQ(test::transient_for(help), 0u);
    choose(window, help_menu_x, 1);
    EXPECT_TRUE(poll_until([&] { return test::focused_window() == help; }, 5000))
        << "the open Help window was not brought forward";
    EXPECT_EQ(windows().size(), 2u);

    // File > About: modal over the window, out of the taskbar, centred, a fixed frame and no
    // icon, neither as _NET_WM_ICON nor as the icon pixmap of WM_HINTS; Esc closes it.
    choose(window, file_menu_x, AboutItem);
    unsigned long about = wait_new_window({window, help}, about_title);
    ASSERT_NE(about, 0u) << "File > About showed no box";
    EXPECT_EQ(test::transient_for(about), window);
    EXPECT_NE(property(about, "_NET_WM_STATE").find("_NET_WM_STATE_MODAL"), std::string::npos);
    expect_placed(about, "DIALOG", false, true);
    EXPECT_EQ(property(about, "_NET_WM_ICON"), "_NET_WM_ICON:  not found.");
    EXPECT_EQ(property(about, "WM_HINTS").find("icon"), std::string::npos);
    ASSERT_TRUE(test::activate(about));
    test::press_keys("Escape");
    EXPECT_TRUE(wait_gone(about)) << "Esc did not close the About box";

    // File > Close Zarnic! ends the program, the Help window with it.
    choose(window, file_menu_x, CloseItem);
    EXPECT_TRUE(ended());
}

TEST_F(Desktop, BrowserWindowAddressBoxAndToolbar) {
    unsigned long window = start_browser();
    ASSERT_NE(window, 0u) << "no browser window on the start page";

    // The address box, then each toolbar button.
    size_t seen = recorder_->titles(window).size();
    go(window, server_->url("/slow.html?ms=400"));
    ASSERT_TRUE(wait_title(window, "Slow Page"));
    // The recorder reads titles from a thread of its own: it may be a moment behind.
    EXPECT_TRUE(poll_until(
        [&] {
            return titles_since(window, seen) == titles{loading_title, "Slow Page"};
        },
        5000))
        << titles_since(window, seen).size() << " titles";
    go(window, server_->url("/title.html"));
    ASSERT_TRUE(wait_title(window, "Hello Title"));

    // Back, Refresh (the page asked for again), Forward.
    press(window, Back);
    ASSERT_TRUE(wait_title(window, "Slow Page"));
    const int asked = server_->hits("/slow.html");
    press(window, Refresh);
    EXPECT_TRUE(poll_until([&] { return server_->hits("/slow.html") > asked; }));
    press(window, Forward);
    ASSERT_TRUE(wait_title(window, "Hello Title"));

    // A click on a toolbar button leaves the keyboard focus where it was: typing after Back
    // still goes into the address box.
    click_in(window, 200, menu_bar_height + 28);
    press(window, Back);
    ASSERT_TRUE(wait_title(window, "Slow Page"));
    test::press_keys("ctrl+a");
    test::type_keys(server_->url("/other.html"));
    test::press_keys("Return");
    EXPECT_TRUE(wait_title(window, "Other Page")) << "typing after a click on Back went elsewhere";

    // Stop ends a load that would never end.
    go(window, server_->url("/stall"));
    ASSERT_TRUE(wait_title(window, loading_title));
    press(window, Stop);
    EXPECT_TRUE(wait_title(window, "Other Page"));

    // Home and Search open the view's own pages (out of reach here, so a page says so): the
    // busy title, then that page's.
    for (toolbar_button button : {Home, Search}) {
        seen = recorder_->titles(window).size();
        press(window, button);
        EXPECT_TRUE(poll_until([&] {
            titles since = titles_since(window, seen);
            return since.size() == 2 && since[0] == loading_title;
        })) << "titles after the button: "
            << titles_since(window, seen).size();
    }
    const std::string kept = test::title_of(window);

    // New Window opens a second window on the start page; this one keeps its page.
    press(window, NewWindow);
    unsigned long second = wait_new_window({window}, start_title);
    ASSERT_NE(second, 0u) << "New Window opened no window";
    expect_opened_on_start_page(second, "the new window");
    EXPECT_EQ(test::title_of(window), kept);
    test::close_window(second);
    ASSERT_TRUE(wait_gone(second));

    // About shows the box over the window; Enter closes it.
    press(window, About);
    unsigned long about = wait_new_window({window}, about_title);
    ASSERT_NE(about, 0u) << "About showed no box";
    EXPECT_EQ(test::transient_for(about), window);
    ASSERT_TRUE(test::activate(about));
    test::press_keys("Return");
    EXPECT_TRUE(wait_gone(about)) << "Enter did not close the About box";
    test::close_window(window);
    EXPECT_TRUE(ended());
}

// The build of the program that reads its store from the test build folder: each case writes
// that store, pointing the system-information tool at a recorder, or at nothing.
const std::string store = ZARNIC_TEST_STORE;

void write_store(const std::string& tool_path) {
    std::ofstream(store)
        << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
        << (tool_path.empty() ? "" : "\"PATH\"=\"" + tool_path + "\"\n");
}

TEST_F(Desktop, FileMenuTheAboutBoxAndSystemInfo) {
    // The recorder, started without a shell, notes in the program's HOME that it ran.
    const std::string recorder = std::filesystem::path(store).parent_path() / "record run.sh";
    std::ofstream(recorder) << "#!/bin/sh\necho ran > \"$HOME/recorded\"\n";
    std::filesystem::permissions(recorder, std::filesystem::perms::owner_all);
    write_store(recorder);
    unsigned long first = start_browser(ZARNIC_TEST_STORE_BINARY);
    ASSERT_NE(first, 0u);

    choose(first, file_menu_x, NewWindowItem);
    unsigned long second = wait_new_window({first}, start_title);
    ASSERT_NE(second, 0u) << "File > New Window opened no window";
    EXPECT_EQ(test::title_of(first), start_title);

    // File > About over the second window; Esc closes it.
    choose(second, file_menu_x, AboutItem);
    unsigned long about = wait_new_window({first, second}, about_title);
    ASSERT_NE(about, 0u) << "File > About showed no box";
    EXPECT_EQ(test::transient_for(about), second);

    // Alt+S starts the tool the store names; with none, a message says so. The box stays.
    ASSERT_TRUE(test::activate(about));
    test::press_keys("alt+s");
    EXPECT_TRUE(poll_until([&] { return std::filesystem::exists(program_->home() + "/recorded"); }))
        << "Alt+S did not start the tool";
    write_store("");
    ASSERT_TRUE(test::activate(about));
    test::press_keys("alt+s");
    unsigned long message = wait_new_window({first, second, about}, product_title);
    ASSERT_NE(message, 0u) << "no message that the tool is unavailable";
    EXPECT_EQ(test::transient_for(message), about);
    expect_placed(message, "DIALOG", false);
    ASSERT_TRUE(test::activate(message));
    test::press_keys("Return");
    EXPECT_TRUE(wait_gone(message));
    EXPECT_TRUE(test::viewable(about)) << "the About box closed with the message";
    ASSERT_TRUE(test::activate(about));
    test::press_keys("Escape");
    EXPECT_TRUE(wait_gone(about)) << "Esc did not close the About box";
}

TEST_F(Desktop, HelpWindowTabsAndItsButton) {
    unsigned long browser = start_browser();
    ASSERT_NE(browser, 0u);
    choose(browser, help_menu_x, 1);
    unsigned long help = wait_new_window({browser}, help_title);
    ASSERT_NE(help, 0u) << "Help > Zarnic! Help Libary showed no window";
    ASSERT_TRUE(test::activate(help));

    // Four tabs, three to a 20 px row across the 385 px tab control: each shows a page of its
    // own (the page below the two rows of tabs). A page is pictured once it has changed and its
    // drawing has settled (two grabs in a row agree).
    auto page = [&] {
        test::window_geometry g = test::geometry_of(help);
        return test::screen_digest(g.x, g.y + 40, 385, 344);
    };
    auto pick = [&](int tab) { click_in(help, (tab % 3 * 2 + 1) * 385 / 6, tab / 3 * 20 + 10); };
    auto settled = [&] {
        std::string last = page();
        poll_until([&] {
            std::string now = page();
            return std::exchange(last, now) == now;
        });
        return last;
    };
    std::string shown = settled();
    const std::string first = shown;
    auto show = [&](int tab) {
        pick(tab);
        EXPECT_TRUE(poll_until([&] { return page() != shown; })) << "tab " << tab;
        return shown = settled();
    };
    const std::set<std::string> pages{first, show(1), show(2), show(3)};
    EXPECT_EQ(pages.size(), 4u) << "two tabs show the same page";

    // Its button closes it; the browser window goes on.
    test::window_geometry g = test::geometry_of(help);
    click_in(help, g.width / 2, g.height - 15);
    EXPECT_TRUE(wait_gone(help)) << "the button did not close the Help window";
    EXPECT_EQ(windows(), std::vector<unsigned long>{browser});
}

// A browsing session creates nothing that lasts: traced over the whole process tree, every file
// made outside temporary folders is a failure. GStreamer's plugin registry (which media plugins
// exist, no browsing data) is allowed: rebuilding it at every start would cost seconds.
TEST_F(Desktop, ASessionWritesNothingThatLasts) {
    const std::string log = test::home_dir() + "/strace.log";
    program_ = std::make_unique<test::program>(std::vector<std::string>{
        "strace", "-f", "-qq", "-Y", "-o", log, "-e",
        "trace=creat,open,openat,mkdir,mkdirat,rename,renameat,renameat2,link,linkat,symlink",
        ZARNIC_BINARY});
    traced_ = true;
    unsigned long window = wait_new_window({}, start_title, 60000);
    ASSERT_NE(window, 0u);
    go(window, server_->url("/storage.html"));
    // The page reports how its storing went.
    ASSERT_TRUE(poll_until([&] { return server_->hits("/stored") > 0; }));
    EXPECT_EQ(server_->hits("/stored?stored"), 1);
    go(window, server_->url("/title.html"));
    ASSERT_TRUE(wait_title(window, "Hello Title"));
    test::close_window(window);
    ASSERT_TRUE(ended(60000)) << "exit status " << program_->exit_status();

    const std::string home = program_->home();
    auto allowed = [&](const std::string& path) {
        for (const char* temporary : {"/tmp/", "/dev/", "/proc/", "/sys/", "/run/", "/newroot/"})
            if (path.rfind(temporary, 0) == 0 && path.rfind(home, 0) != 0)
                return true;
        return path.rfind(home + "/.cache/gstreamer-1.0", 0) == 0 || path == home + "/.cache";
    };
    // pid<name> call(... "path" ..., flags) = result; the sandbox launcher builds the web
    // process's root in a private mount namespace of its own, which reaches no disk.
    static const std::regex made(R"re(^\d+<([^>]*)>\s+(\w+)\((.*"([^"]*)".*)\)\s+=\s+\d+)re");
    std::ifstream in(log);
    int lines = 0;
    for (std::string line; std::getline(in, line); ++lines) {
        std::smatch m;
        if (!std::regex_search(line, m, made) || m[1] == "bwrap" ||
            (m[2].str().rfind("open", 0) == 0 && m[3].str().find("O_CREAT") == std::string::npos))
            continue;
        std::string path = m[4].str()[0] == '/' ? m[4].str() : home + "/" + m[4].str();
        EXPECT_TRUE(allowed(path) || (m[2] == "mkdir" && path == home)) << line;
    }
    EXPECT_GT(lines, 100) << "strace saw nothing";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home))
        EXPECT_TRUE(allowed(entry.path().string())) << entry.path();
}

} // namespace
} // namespace zarnic
