// Zarnic! used from outside as a person uses it. The built program runs as a process of its own
// on a desktop with a real window manager (openbox); the test moves the pointer, clicks and types
// through the X server's test extension, and judges only what the desktop shows: which windows
// are up, their titles, places and window manager hints, and the pixels on the screen.
//
// The program's Home and Search pages are internet addresses fixed at build time. The program
// runs here with a proxy on 127.0.0.1 that refuses every connection, so those buttons end on the
// engine's error page and nothing leaves the machine; the test's own pages on 127.0.0.1 bypass it.
#include "support/page_server.h"
#include "support/program.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

namespace zarnic {
namespace {

using test::click_screen;
using test::Image;
using test::press_keys;
using test::Program;
using test::WindowGeometry;
using Titles = std::vector<std::string>;

constexpr int screen_width = 1280;
constexpr int screen_height = 1024;

const std::string product_title = "Zarnic! 1.0";
const std::string loading_title = "Loading URL Please Wait a Moment...";
const std::string start_title = "Welcome to Zarnic!";
const std::string help_title = "Zarnic! Help";
const std::string about_title = "About Zarnic!";

// Where a person finds things in a browser window, from the top-left corner of its own area.
// The menu bar is as tall as the theme makes it (25 px with GTK's default theme and fonts); the
// address strip below it is 45 px, then come the toolbar's 69 x 44 px buttons.
constexpr int menu_bar_height = 25;
constexpr int toolbar_top = menu_bar_height + 45;
constexpr int button_width = 69;
constexpr int button_height = 44;
enum toolbar_button { Back, Forward, Stop, Refresh, Home, Search, NewWindow, About };
// Menus of the menu bar (x of the middle of their captions) and their item counts.
struct MenuTitle {
    int x;
    int items;
};
constexpr MenuTitle file_menu{19, 3};
constexpr MenuTitle help_menu{60, 1};
enum FileItem { NewWindowItem, CloseItem, AboutItem };

// The Help window: four tabs, three to a row of 20 px across the 385 px tab control, the page
// below the two rows, the button along the bottom.
constexpr int help_tabs = 4;
constexpr int help_tab_row = 20;
constexpr int help_tab_control_width = 385;
constexpr int help_page_top = 2 * help_tab_row;
constexpr int help_page_bottom = 384;

bool has(const Titles& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

std::string join(const Titles& titles) {
    std::string text;
    for (const std::string& title : titles)
        text += (text.empty() ? "\"" : ", \"") + title + "\"";
    return "[" + text + "]";
}

// Polls the desktop every 20 ms while the test's loop (and with it the page server) runs.
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

// Processes named hardinfo that this program started: they carry its private HOME.
std::vector<pid_t> tools_started_by(const Program& program) {
    std::vector<pid_t> found;
    const std::string home = "HOME=" + program.home();
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string comm;
        std::getline(std::ifstream(entry.path() / "comm"), comm);
        if (comm != "hardinfo")
            continue;
        std::ifstream environ(entry.path() / "environ");
        for (std::string variable; std::getline(environ, variable, '\0');)
            if (variable == home)
                found.push_back(pid_t(std::stol(name)));
    }
    return found;
}

class Desktop : public testing::Test {
protected:
    static void SetUpTestSuite() {
        window_manager_ = new test::WindowManager;
        recorder_ = new test::TitleRecorder;
        server_ = new test::PageServer;
    }
    static void TearDownTestSuite() {
        delete server_;
        delete recorder_;
        delete window_manager_;
        server_ = nullptr;
        recorder_ = nullptr;
        window_manager_ = nullptr;
    }

    void TearDown() override {
        // A failed test leaves its windows behind for the next: end the program first.
        program_.reset();
        poll_until([] { return test::popup_menus().empty(); }, 2000);
    }

    // Starts the program; the proxy that refuses everything keeps its internet pages away.
    void start() {
        std::string proxy = test::PageServer::refused_url();
        proxy.pop_back(); // the trailing '/'
        program_ = std::make_unique<Program>(
            std::vector<std::string>{ZARNIC_BINARY},
            std::vector<std::string>{"http_proxy=" + proxy, "https_proxy=" + proxy,
                                     "no_proxy=127.0.0.1,localhost"});
    }

    // The program's windows on the desktop, in the order they appeared.
    std::vector<unsigned long> windows() const { return test::managed_windows(program_->pid()); }

    // Waits for a window of the program that is not among `known` and has the title; 0 if none.
    unsigned long wait_new_window(const std::set<unsigned long>& known, const std::string& title,
                                  int timeout_ms = 20000) {
        unsigned long found = 0;
        poll_until(
            [&] {
                for (unsigned long window : windows())
                    if (!known.count(window) && test::title_of(window) == title)
                        found = window;
                return found != 0;
            },
            timeout_ms);
        // The title recorder watches from a thread of its own: let it catch up with the title.
        if (found != 0)
            poll_until([&] {
                Titles seen = recorder_->titles(found);
                return !seen.empty() && seen.back() == title;
            });
        return found;
    }

    bool wait_title(unsigned long window, const std::string& title, int timeout_ms = 20000) {
        return poll_until([&] { return test::title_of(window) == title; }, timeout_ms);
    }

    bool wait_gone(unsigned long window, int timeout_ms = 10000) {
        return poll_until([&] { return !test::viewable(window); }, timeout_ms);
    }

    // Waits until the title has stopped saying the page is loading and has stayed the same for
    // 300 ms; returns it ("" if it never settles).
    std::string settled_title(unsigned long window, int timeout_ms = 20000) {
        std::string title;
        gint64 since = 0;
        bool settled = poll_until(
            [&] {
                std::string now = test::title_of(window);
                if (now != title || now == loading_title || now.empty()) {
                    title = now;
                    since = g_get_monotonic_time();
                    return false;
                }
                return g_get_monotonic_time() - since >= 300000;
            },
            timeout_ms);
        return settled ? title : "";
    }

    // The titles a window has had since it had `seen` of them.
    Titles titles_since(unsigned long window, size_t seen) const {
        Titles all = recorder_->titles(window);
        return Titles(all.begin() + std::ptrdiff_t(std::min(seen, all.size())), all.end());
    }
    size_t title_count(unsigned long window) const { return recorder_->titles(window).size(); }

    // A click at (x, y) of the window's own area.
    void click_in(unsigned long window, int x, int y) {
        WindowGeometry g = test::window_geometry(window);
        click_screen(g.x + x, g.y + y);
    }

    void press(unsigned long window, toolbar_button button) {
        click_in(window, int(button) * button_width + button_width / 2,
                 toolbar_top + button_height / 2);
    }

    // Clicks a menu of the menu bar open and then one of its items, as the mouse does.
    void choose(unsigned long window, MenuTitle menu, int item) {
        ASSERT_TRUE(test::activate(window)) << "the window could not be brought to the front";
        click_in(window, menu.x, menu_bar_height / 2);
        unsigned long popup = 0;
        ASSERT_TRUE(poll_until(
            [&] {
                auto menus = test::popup_menus();
                popup = menus.empty() ? 0 : menus.front();
                return popup != 0;
            },
            5000))
            << "the menu did not open";
        WindowGeometry g = test::window_geometry(popup);
        click_screen(g.x + g.width / 2, g.y + g.height * (2 * item + 1) / (2 * menu.items));
        ASSERT_TRUE(poll_until([] { return test::popup_menus().empty(); }, 5000))
            << "the menu stayed open";
    }

    // Types an address into the address box (reached with Alt+A) and presses Enter.
    void go(unsigned long window, const std::string& address) {
        ASSERT_TRUE(test::activate(window));
        press_keys("alt+a");
        test::type_keys(address);
        press_keys("Return");
    }

    // The address strip (address label and box) as the screen shows it.
    Image address_strip(unsigned long window) {
        WindowGeometry g = test::window_geometry(window);
        return test::grab_screen(g.x, g.y + menu_bar_height, g.width, 45);
    }

    static std::string property(unsigned long window, const std::string& name) {
        return test::shell("xprop -id " + std::to_string(window) + " " + name);
    }
    static unsigned long focused() { return std::stoul(test::shell("xdotool getwindowfocus")); }
    // A fixed window's hints: move and close only; a border and a title bar, no window menu.
    static void expect_fixed_frame(unsigned long window, const std::string& what) {
        EXPECT_EQ(property(window, "_MOTIF_WM_HINTS"),
                  "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x24, 0xa, 0x0, 0x0")
            << what;
    }

    // Starts the program and waits for its splash; 0 if none came.
    unsigned long start_at_splash() {
        start();
        unsigned long splash = 0;
        poll_until([&] {
            auto list = windows();
            splash = list.empty() ? 0 : list.front();
            return splash != 0;
        });
        return splash;
    }

    static void expect_taskbar(unsigned long window, bool listed, const std::string& what) {
        auto state = test::window_state(window);
        EXPECT_EQ(has(state, "_NET_WM_STATE_SKIP_TASKBAR"), !listed)
            << what << (listed ? " is kept out of the taskbar" : " is listed in the taskbar");
    }

    // The program asks for the centre of the screen; the window manager then draws its frame
    // around that place, so the frame's middle lies within the frame's own size of the centre.
    static void expect_centred(unsigned long window, const std::string& what) {
        WindowGeometry g = test::window_geometry(window);
        const double middle_x = g.x - g.left + (g.left + g.width + g.right) / 2.0;
        const double middle_y = g.y - g.top + (g.top + g.height + g.bottom) / 2.0;
        EXPECT_NEAR(middle_x, screen_width / 2.0, g.left + g.right + 2)
            << what << " at " << g.x << "," << g.y << " size " << g.width << "x" << g.height;
        EXPECT_NEAR(middle_y, screen_height / 2.0, g.top + g.bottom + 2)
            << what << " at " << g.x << "," << g.y << " size " << g.width << "x" << g.height;
    }

    // Checks a browser window's way from its first title to the start page.
    void expect_opened_on_start_page(unsigned long window, const std::string& what) {
        ASSERT_TRUE(wait_title(window, start_title)) << what << " shows " << test::title_of(window);
        Titles titles = recorder_->titles(window);
        EXPECT_EQ(titles, (Titles{product_title, loading_title, start_title}))
            << what << ": " << join(titles);
        EXPECT_EQ(test::window_types(window), Titles{"_NET_WM_WINDOW_TYPE_NORMAL"}) << what;
        expect_taskbar(window, true, what);
        expect_centred(window, what);
    }

    static test::WindowManager* window_manager_;
    static test::TitleRecorder* recorder_;
    static test::PageServer* server_;
    std::unique_ptr<Program> program_;
};

test::WindowManager* Desktop::window_manager_ = nullptr;
test::TitleRecorder* Desktop::recorder_ = nullptr;
test::PageServer* Desktop::server_ = nullptr;

TEST_F(Desktop, ACharacterKeyOnTheSplashEndsTheProgram) {
    // Nothing forces the focus: the splash takes it as it appears, and the key is typed.
    unsigned long splash = start_at_splash();
    ASSERT_NE(splash, 0u);
    ASSERT_TRUE(poll_until([&] { return focused() == splash || !test::viewable(splash); }, 5000))
        << "the splash did not get the keyboard focus";
    press_keys("a");
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
    EXPECT_EQ(program_->exit_status(), 0);
}

TEST_F(Desktop, SplashGivesWayToACentredBrowserWindowOnTheStartPage) {
    // The splash: the program's first window, up for about half a second.
    unsigned long splash = start_at_splash();
    ASSERT_NE(splash, 0u);
    // Keys that type no character leave it up: Delete, Shift, Alt with a letter.
    if (focused() == splash)
        press_keys("Delete shift alt+x");
    WindowGeometry g = test::window_geometry(splash);
    EXPECT_EQ(test::title_of(splash), "");
    EXPECT_EQ(test::window_types(splash), Titles{"_NET_WM_WINDOW_TYPE_SPLASH"});
    expect_taskbar(splash, false, "the splash");
    expect_centred(splash, "the splash");
    // No title bar and no border: the window manager draws no frame, and the row of pixels just
    // above the splash is the bare desktop.
    EXPECT_EQ(g.left + g.right + g.top + g.bottom, 0);
    Image above = test::grab_screen(g.x, g.y - 1, g.width, 1);
    Image desktop = test::grab_screen(0, 0, 1, 1);
    ASSERT_FALSE(above.pixels.empty());
    EXPECT_EQ(std::count(above.pixels.begin(), above.pixels.end(), desktop.at(0, 0)), g.width)
        << "something is drawn above the splash";

    // Left alone, it goes, and the browser window takes its place.
    unsigned long browser = wait_new_window({splash}, start_title);
    ASSERT_NE(browser, 0u) << "no browser window on the start page";
    EXPECT_FALSE(test::viewable(splash)) << "the splash is still up beside the browser window";
    expect_opened_on_start_page(browser, "the browser window");
    EXPECT_GT(test::window_geometry(browser).top, 0) << "the browser window has no title bar";
    EXPECT_EQ(windows(), std::vector<unsigned long>{browser});

    // Its last window closed from the frame's close box, the program ends.
    test::close_window(browser);
    ASSERT_TRUE(poll_until([&] { return !program_->running(); }, 10000));
    EXPECT_EQ(program_->exit_status(), 0);
}

TEST_F(Desktop, AddressBoxAndEveryToolbarButton) {
    start();
    unsigned long window = wait_new_window({}, start_title);
    ASSERT_NE(window, 0u);

    // An address typed into the box and Enter: the busy title, then the page's.
    size_t seen = title_count(window);
    go(window, server_->url("/slow.html?ms=400"));
    ASSERT_TRUE(wait_title(window, "Slow Page")) << test::title_of(window);
    EXPECT_EQ(titles_since(window, seen), (Titles{loading_title, "Slow Page"}));
    EXPECT_EQ(server_->hits("/slow.html"), 1);
    go(window, server_->url("/title.html"));
    ASSERT_TRUE(wait_title(window, "Hello Title")) << test::title_of(window);

    // Back, then Refresh of that page (asked from the server again), then Forward.
    press(window, Back);
    ASSERT_TRUE(wait_title(window, "Slow Page")) << test::title_of(window);
    int slow_hits = server_->hits("/slow.html");
    seen = title_count(window);
    press(window, Refresh);
    ASSERT_TRUE(poll_until([&] { return server_->hits("/slow.html") > slow_hits; }))
        << "Refresh asked nothing";
    ASSERT_EQ(settled_title(window), "Slow Page");
    EXPECT_EQ(titles_since(window, seen), (Titles{loading_title, "Slow Page"}));
    press(window, Forward);
    ASSERT_TRUE(wait_title(window, "Hello Title")) << test::title_of(window);

    // A click on a toolbar button leaves the keyboard focus where it was: typing after Back
    // still goes into the address box.
    click_in(window, 200, menu_bar_height + 28);
    press(window, Back);
    ASSERT_TRUE(wait_title(window, "Slow Page")) << test::title_of(window);
    press_keys("ctrl+a");
    test::type_keys(server_->url("/title.html"));
    press_keys("Return");
    EXPECT_TRUE(wait_title(window, "Hello Title")) << "typing after a click on Back went elsewhere";

    // Stop ends a load that would never end.
    go(window, server_->url("/stall"));
    ASSERT_TRUE(poll_until([&] { return server_->hits("/stall") > 0; }));
    ASSERT_TRUE(wait_title(window, loading_title));
    test::run_for(300);
    EXPECT_EQ(test::title_of(window), loading_title);
    press(window, Stop);
    std::string stopped = settled_title(window, 5000);
    EXPECT_NE(stopped, "") << "the title still says " << test::title_of(window);

    // Home and Search open the program's own pages (out of reach here): each changes what the
    // address box and the title show, and the window goes on.
    for (toolbar_button button : {Home, Search}) {
        SCOPED_TRACE(button == Home ? "Home" : "Search");
        std::string before = test::title_of(window);
        Image strip = address_strip(window);
        press(window, button);
        ASSERT_TRUE(poll_until([&] { return test::title_of(window) != before; }));
        std::string after = settled_title(window);
        EXPECT_NE(after, "");
        EXPECT_NE(after, before);
        EXPECT_GT(test::difference(strip, address_strip(window)), 0.0)
            << "the address box did not change";
        EXPECT_TRUE(program_->running());
    }

    // New Window opens a second browser window on the start page; this one keeps its page.
    std::string kept = test::title_of(window);
    press(window, NewWindow);
    unsigned long second = wait_new_window({window}, start_title);
    ASSERT_NE(second, 0u) << "New Window opened no window";
    expect_opened_on_start_page(second, "the new window");
    EXPECT_EQ(settled_title(window), kept);
    test::close_window(second);
    ASSERT_TRUE(wait_gone(second));
    EXPECT_TRUE(program_->running());

    // About shows the About box over the window; Enter closes it.
    press(window, About);
    unsigned long about = wait_new_window({window}, about_title);
    ASSERT_NE(about, 0u) << "About showed no box";
    EXPECT_EQ(test::transient_for(about), window);
    ASSERT_TRUE(test::activate(about));
    press_keys("Return");
    EXPECT_TRUE(wait_gone(about)) << "Enter did not close the About box";
    EXPECT_EQ(windows(), std::vector<unsigned long>{window});

    test::close_window(window);
    ASSERT_TRUE(poll_until([&] { return !program_->running(); }, 10000));
    EXPECT_EQ(program_->exit_status(), 0);
}

TEST_F(Desktop, FileMenuAndTheAboutBoxThenCloseEndsEverything) {
    start();
    unsigned long first = wait_new_window({}, start_title);
    ASSERT_NE(first, 0u);

    // File > New Window: a second window on the start page.
    choose(first, file_menu, NewWindowItem);
    unsigned long second = wait_new_window({first}, start_title);
    ASSERT_NE(second, 0u) << "File > New Window opened no window";
    expect_opened_on_start_page(second, "the new window");
    EXPECT_EQ(test::title_of(first), start_title);

    // File > About Zarnic! 1.0 in the second window: a modal box over it, out of the taskbar,
    // centred; Esc closes it.
    choose(second, file_menu, AboutItem);
    unsigned long about = wait_new_window({first, second}, about_title);
    ASSERT_NE(about, 0u) << "File > About showed no box";
    EXPECT_EQ(test::transient_for(about), second);
    EXPECT_TRUE(has(test::window_state(about), "_NET_WM_STATE_MODAL"));
    expect_taskbar(about, false, "the About box");
    expect_centred(about, "the About box");
    expect_fixed_frame(about, "the About box");
    EXPECT_EQ(property(about, "_NET_WM_ICON"), "_NET_WM_ICON:  not found.");
    ASSERT_TRUE(test::activate(about));
    press_keys("Escape");
    EXPECT_TRUE(wait_gone(about)) << "Esc did not close the About box";

    // Alt+S on the box: the system-information tool starts, or a message says it cannot; either
    // way the box stays open.
    press(first, About);
    about = wait_new_window({first, second}, about_title);
    ASSERT_NE(about, 0u);
    ASSERT_TRUE(test::activate(about));
    press_keys("alt+s");
    unsigned long message = 0;
    std::vector<pid_t> tools;
    ASSERT_TRUE(poll_until(
        [&] {
            tools = tools_started_by(*program_);
            for (unsigned long window : windows())
                if (test::transient_for(window) == about && test::title_of(window) == product_title)
                    message = window;
            return message != 0 || !tools.empty();
        },
        10000))
        << "Alt+S neither started the tool nor said it is unavailable";
    for (pid_t tool : tools)
        kill(tool, SIGKILL);
    if (message != 0) {
        expect_taskbar(message, false, "the message box");
        EXPECT_TRUE(has(test::window_types(message), "_NET_WM_WINDOW_TYPE_DIALOG"));
        ASSERT_TRUE(test::activate(message));
        press_keys("Return");
        EXPECT_TRUE(wait_gone(message)) << "Enter did not close the message box";
    }
    EXPECT_TRUE(test::viewable(about)) << "the About box closed with the tool";
    ASSERT_TRUE(test::activate(about));
    press_keys("Escape");
    EXPECT_TRUE(wait_gone(about));

    // The Help window too, then File > Close Zarnic!: every window goes and the program ends well.
    choose(second, help_menu, 0);
    ASSERT_NE(wait_new_window({first, second}, help_title), 0u);
    EXPECT_EQ(windows().size(), 3u);
    choose(first, file_menu, CloseItem);
    ASSERT_TRUE(poll_until([&] { return !program_->running(); }, 10000)) << "the program goes on";
    EXPECT_EQ(program_->exit_status(), 0);
    EXPECT_FALSE(test::viewable(first) || test::viewable(second));
}

TEST_F(Desktop, HelpWindowTabsAndItsButton) {
    start();
    unsigned long browser = wait_new_window({}, start_title);
    ASSERT_NE(browser, 0u);

    choose(browser, help_menu, 0);
    unsigned long help = wait_new_window({browser}, help_title);
    ASSERT_NE(help, 0u) << "Help > Zarnic! Help Libary showed no window";
    expect_taskbar(help, false, "the Help window");
    expect_centred(help, "the Help window");
    expect_fixed_frame(help, "the Help window");
    EXPECT_EQ(test::transient_for(help), 0u);
    ASSERT_TRUE(test::activate(help));

    // Each tab clicked shows a page of its own; the first tab brings the first page back.
    auto page = [&] {
        WindowGeometry g = test::window_geometry(help);
        return test::grab_screen(g.x, g.y + help_page_top, help_tab_control_width,
                                 help_page_bottom - help_page_top);
    };
    auto click_tab = [&](int tab) {
        const int column = tab % 3, row = tab / 3;
        const int left = column * help_tab_control_width / 3,
                  right = (column + 1) * help_tab_control_width / 3;
        click_in(help, (left + right) / 2, row * help_tab_row + help_tab_row / 2);
    };
    // A page as it stands once drawing has finished (two grabs in a row agree).
    auto settled_page = [&] {
        Image last = page();
        poll_until(
            [&] {
                test::run_for(100);
                Image next = page();
                bool same = test::difference(next, last) < 0.0005;
                last = std::move(next);
                return same;
            },
            5000);
        return last;
    };
    // The first page's picture is taken the way it is seen again at the end: picked with the
    // pointer, so the window is active and drawn so (a window still catching up with the focus
    // draws its page in other colours), the pointer resting on that tab.
    click_tab(0);
    std::vector<Image> pages{settled_page()};
    for (int tab = 1; tab < help_tabs; ++tab) {
        click_tab(tab);
        const Image& previous = pages.back();
        EXPECT_TRUE(poll_until([&] { return test::difference(page(), previous) > 0.01; }, 5000))
            << "tab " << tab << " showed no page of its own";
        pages.push_back(settled_page());
    }
    for (int a = 0; a < help_tabs; ++a)
        for (int b = a + 1; b < help_tabs; ++b)
            EXPECT_GT(test::difference(pages[size_t(a)], pages[size_t(b)]), 0.01)
                << "tabs " << a << " and " << b << " show the same page";
    click_tab(0);
    EXPECT_TRUE(poll_until([&] { return test::difference(page(), pages[0]) < 0.001; }, 5000))
        << "the first tab did not bring its page back";
    if (HasFailure()) {
        for (size_t i = 0; i < pages.size(); ++i)
            pages[i].save_png("help-page-" + std::to_string(i) + ".png");
    }

    // The button along the bottom closes the window; the browser window goes on.
    WindowGeometry g = test::window_geometry(help);
    click_in(help, g.width / 2, help_page_bottom + (g.height - help_page_bottom) / 2);
    EXPECT_TRUE(wait_gone(help)) << "the button did not close the Help window";
    EXPECT_TRUE(program_->running());
    EXPECT_EQ(windows(), std::vector<unsigned long>{browser});
}

} // namespace
} // namespace zarnic
