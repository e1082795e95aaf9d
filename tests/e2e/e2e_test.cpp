// Zarnic! used from outside as a person uses it: the built program in a process of its own on a
// desktop with a real window manager (openbox, or the one ZARNIC_WINDOW_MANAGER names), clicked
// and typed at through the X server's test extension, and judged by what the desktop shows:
// which windows are up, their titles, places and hints, and the pixels on the screen.
//
// Home and Search open internet addresses fixed at build time; the program runs with a proxy on
// 127.0.0.1 that refuses every connection, so nothing leaves the machine, and the test's own
// pages on 127.0.0.1 bypass it.
#include "about/about_box.h"
#include "help/help_texts.h"
#include "support/accessible_tree.h"
#include "support/page_server.h"
#include "support/program.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <tuple>
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

// The colour of a pixel of the screen, "#RRGGBB".
std::string colour_at(int x, int y) {
    const std::string text =
        test::shell("import -silent -window root -crop 1x1+" + std::to_string(x) + "+" +
                    std::to_string(y) + " -depth 8 txt:-");
    // "# ImageMagick pixel enumeration: ...", then "0,0: (R,G,B)  #RRGGBB  srgb(...)".
    return text.substr(std::min(text.find('#', text.find('\n')), text.size()), 7);
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
    bool ended(int timeout_ms = 10000) {
        if (!poll_until([&] { return !program_->running(); }, timeout_ms))
            ADD_FAILURE() << "the program goes on";
        return !program_->running() && program_->exit_status() == 0;
    }

    std::vector<unsigned long> windows() const { return test::managed_windows(program_->pid()); }

    // A window of the program not among known, with the title, once the title recorder has
    // seen that title too; 0 if none comes.
    unsigned long wait_new_window(const std::set<unsigned long>& known, const std::string& title,
                                  int timeout_ms = 20000) {
        unsigned long found = 0;
        poll_until(
            [&] {
                for (unsigned long window : windows())
                    if (!known.count(window) && test::facts_of(window).title == title)
                        found = window;
                const titles seen = recorder_->titles(found);
                return found != 0 && std::count(seen.begin(), seen.end(), title) > 0;
            },
            timeout_ms);
        return found;
    }
    bool wait_title(unsigned long window, const std::string& title) {
        return poll_until([&] { return test::facts_of(window).title == title; });
    }
    bool wait_gone(unsigned long window) {
        return poll_until([&] { return !test::facts_of(window).viewable; }, 10000);
    }
    titles titles_since(unsigned long window, size_t seen) const {
        titles all = recorder_->titles(window);
        return titles(all.begin() + std::ptrdiff_t(std::min(seen, all.size())), all.end());
    }

    void click_in(unsigned long window, int x, int y) {
        test::window_geometry g = test::facts_of(window).geometry;
        test::click_screen(g.x + x, g.y + y);
    }
    void press(unsigned long window, toolbar_button button) {
        click_in(window, int(button) * button_width + button_width / 2,
                 toolbar_top + button_height / 2);
    }
    // Opens a menu, with a click at menu_x on the menu bar or with keys to the window that has the
    // focus, and waits until it shows.
    void open_menu(unsigned long window, int menu_x, const std::string& keys = "") {
        const int shown = recorder_->menus_shown();
        if (keys.empty()) {
            ASSERT_TRUE(test::activate(window));
            click_in(window, menu_x, menu_bar_height / 2);
        } else {
            test::press_keys(keys);
        }
        ASSERT_TRUE(poll_until([&] { return recorder_->menus_shown() > shown; }, 10000))
            << "no menu opened";
    }
    // Clicks a menu of the menu bar open, then picks its item-th entry with the arrow keys.
    void choose(unsigned long window, int menu_x, int item) {
        open_menu(window, menu_x);
        std::string keys;
        for (int i = 0; i < item; ++i)
            keys += "Down ";
        test::press_keys(keys + "Return");
    }
    // The address box's text as a person copies it: Alt+A selects it all, which the X selection
    // PRIMARY then holds. Read until it is the text expected (a load may still be ending); else
    // the last text read.
    std::string address_box(unsigned long window, const std::string& expected) {
        std::string text;
        if (test::activate(window))
            poll_until(
                [&] {
                    test::press_keys("alt+a");
                    return (text = test::shell("xclip -o -selection primary 2>&1")) == expected;
                },
                10000);
        return text;
    }
    void go(unsigned long window, const std::string& address) {
        ASSERT_TRUE(test::activate(window));
        test::press_keys("alt+a");
        test::type_keys(address);
        test::press_keys("Return");
    }

    // Centred on the screen (1280 x 1024), of the window type, in the taskbar or out of it; a
    // fixed window asks for move and close only, a border and a title bar, no window menu.
    static void expect_placed(const test::window_facts& f, const std::string& type, bool in_taskbar,
                              bool fixed = false) {
        const test::window_geometry& g = f.geometry;
        EXPECT_NEAR(g.x - g.left + (g.left + g.width + g.right) / 2.0, 640, g.left + g.right + 2)
            << type;
        EXPECT_NEAR(g.y - g.top + (g.top + g.height + g.bottom) / 2.0, 512, g.top + g.bottom + 2)
            << type;
        EXPECT_EQ(f.type, std::set<std::string>{"_NET_WM_WINDOW_TYPE_" + type});
        EXPECT_EQ(!f.state.count("_NET_WM_STATE_SKIP_TASKBAR"), in_taskbar) << type;
        const std::vector<uint32_t> move_and_close{0x3, 0x24, 0xa, 0x0, 0x0};
        EXPECT_TRUE(!fixed || f.motif_hints == move_and_close) << type;
    }
    void expect_opened_on_start_page(unsigned long window, const std::string& what) {
        EXPECT_EQ(recorder_->titles(window), (titles{product_title, loading_title, start_title}))
            << what;
        expect_placed(test::facts_of(window), "NORMAL", true);
    }

    static inline test::program* window_manager_ = nullptr;
    static inline test::title_recorder* recorder_ = nullptr;
    static inline test::PageServer* server_ = nullptr;
    std::unique_ptr<test::program> program_;
};

// The cases whose outcome is the window manager's: they run under openbox with the others, and
// again under the window managers of the desktops (tests/e2e/CMakeLists.txt).
class WindowManager : public Desktop {};

// The splash is up for half a second from the moment it is drawn. Its rows read it in one round
// trip to the X server the moment it is on the screen, and press keys from this process the
// moment it holds the keyboard: no process is started while it shows. A key that finds it gone,
// or not holding the keyboard, is a failure.
//
// Here the keyboard is held elsewhere when the splash comes up, and let go once it is up: the
// splash takes it then, or keys reach it only where the window manager gives it the focus.
TEST_F(WindowManager, ACharacterKeyOnTheSplashEndsTheProgram) {
    ASSERT_TRUE(test::hold_keyboard());
    unsigned long splash = start();
    test::release_keyboard();
    ASSERT_NE(splash, 0u);
    ASSERT_TRUE(test::run_until([&] { return test::has_keyboard(splash); }, 5000))
        << "the splash never had the keyboard";
    const test::key_delivery sent = test::press_keys_on(splash, {"a"});
    EXPECT_TRUE(sent.still_viewable) << "the splash had gone before the key";
    EXPECT_TRUE(sent.had_keyboard) << "the splash did not have the keyboard";
    unsigned long browser = 0;
    poll_until([&] {
        browser = wait_new_window({splash}, start_title, 0);
        return browser != 0 || !program_->running();
    });
    EXPECT_EQ(browser, 0u) << "the program went on after a key on its splash";
    EXPECT_TRUE(ended());
}

TEST_F(WindowManager, SplashBrowserWindowHelpAndAboutBoxAsPlacedAndHinted) {
    unsigned long splash = start();
    ASSERT_NE(splash, 0u);
    const test::window_facts facts = test::facts_of(splash);
    EXPECT_TRUE(facts.viewable) << "the splash had gone before it was read";
    EXPECT_EQ(facts.title, "");
    expect_placed(facts, "SPLASH", false);
    const test::window_geometry& g = facts.geometry;
    EXPECT_EQ(g.left + g.right + g.top + g.bottom, 0) << "the splash has a frame";
    // Keys that type no character leave it up: Delete, Shift, Alt with a letter.
    ASSERT_TRUE(test::run_until([&] { return test::has_keyboard(splash); }, 5000))
        << "the splash never had the keyboard";
    const test::key_delivery sent = test::press_keys_on(splash, {"Delete", "Shift_L", "Alt_L+x"});
    EXPECT_TRUE(sent.still_viewable && sent.had_keyboard) << "the keys did not reach the splash";

    unsigned long window = wait_new_window({splash}, start_title);
    ASSERT_NE(window, 0u) << "no browser window on the start page";
    EXPECT_FALSE(test::facts_of(splash).viewable);
    expect_opened_on_start_page(window, "the browser window");
    EXPECT_EQ(windows(), std::vector<unsigned long>{window});

    // The Help window takes the keyboard focus when it opens, and again when chosen while open:
    // one window, centred, out of the taskbar, a fixed tool window of no owner.
    const size_t before_help = recorder_->mark();
    choose(window, help_menu_x, 1);
    unsigned long help = wait_new_window({window}, help_title);
    ASSERT_NE(help, 0u) << "Help > Zarnic! Help Libary showed no window";
    EXPECT_TRUE(poll_until([&] { return test::facts_of(help).focused; }, 5000))
        << "the Help window opened without the focus";
    expect_placed(test::facts_of(help), "UTILITY", false, true);
    EXPECT_EQ(test::facts_of(help).transient_for, 0u);
    choose(window, help_menu_x, 1);
    EXPECT_TRUE(poll_until([&] { return test::facts_of(help).focused; }, 5000))
        << "the open Help window was not brought forward";

    // File > About: modal over the window, out of the taskbar, centred, a fixed frame and no
    // icon, neither as _NET_WM_ICON nor as the icon pixmap of WM_HINTS; Esc closes it.
    choose(window, file_menu_x, AboutItem);
    unsigned long about = wait_new_window({window, help}, about_title);
    ASSERT_NE(about, 0u) << "File > About showed no box";
    // The program had made any second Help window before this box: its requests come in order.
    EXPECT_EQ(recorder_->windows_titled(help_title, before_help), 1) << "Help windows";
    const test::window_facts about_facts = test::facts_of(about);
    EXPECT_EQ(about_facts.transient_for, window);
    EXPECT_TRUE(about_facts.state.count("_NET_WM_STATE_MODAL"));
    expect_placed(about_facts, "DIALOG", false, true);
    EXPECT_FALSE(about_facts.icon);
    ASSERT_TRUE(test::activate(about));
    test::press_keys("Escape");
    EXPECT_TRUE(wait_gone(about)) << "Esc did not close the About box";

    // File > Close Zarnic! ends the program, the Help window with it.
    choose(window, file_menu_x, CloseItem);
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

TEST_F(Desktop, BrowserWindowAddressBoxAndToolbar) {
    // The recorder notes in the program's HOME that it ran; its name would be two commands and a
    // substitution to a shell.
    const std::string recorder =
        std::filesystem::path(store).parent_path() / "record; run $(exit 1).sh";
    std::ofstream(recorder) << "#!/bin/sh\necho ran > \"$HOME/recorded\"\n";
    std::filesystem::permissions(recorder, std::filesystem::perms::owner_all);
    write_store(recorder);
    start(ZARNIC_TEST_STORE_BINARY);
    unsigned long window = wait_new_window({}, start_title);
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
    const std::string slow = server_->url("/slow.html?ms=400");
    EXPECT_EQ(address_box(window, slow), slow);
    // A host typed without a scheme is tried with https first; nothing speaks TLS there.
    const std::string title_page = server_->url("/title.html");
    go(window, title_page.substr(7));
    ASSERT_TRUE(wait_title(window, "Hello Title"));
    EXPECT_EQ(address_box(window, title_page), title_page);

    // Back, Refresh (the page asked for again), Forward. A click on a toolbar button leaves the
    // keyboard focus where it was: typing after them still goes into the address box.
    click_in(window, 200, menu_bar_height + 28);
    press(window, Back);
    ASSERT_TRUE(wait_title(window, "Slow Page"));
    const int asked = server_->hits("/slow.html");
    press(window, Refresh);
    EXPECT_TRUE(poll_until([&] { return server_->hits("/slow.html") > asked; }));
    press(window, Forward);
    ASSERT_TRUE(wait_title(window, "Hello Title"));
    test::press_keys("ctrl+a");
    test::type_keys(server_->url("/other.html"));
    test::press_keys("Return");
    EXPECT_TRUE(wait_title(window, "Other Page"))
        << "typing after the toolbar's clicks went elsewhere";

    // The address box follows every load: Back and Forward, a link followed, a load that failed
    // and text the view refuses or cannot read, each of those named on a page of its own.
    press(window, Back);
    ASSERT_TRUE(wait_title(window, "Hello Title"));
    EXPECT_EQ(address_box(window, title_page), title_page) << "after Back";
    const std::string other = server_->url("/other.html");
    press(window, Forward);
    ASSERT_TRUE(wait_title(window, "Other Page"));
    EXPECT_EQ(address_box(window, other), other) << "after Forward";
    go(window, server_->url("/link.html"));
    ASSERT_TRUE(wait_title(window, "Links"));
    // A link followed leaves the title alone: it follows only what the person asks of the window.
    click_in(window, 300, toolbar_top + button_height + 100);
    EXPECT_EQ(address_box(window, other), other) << "after a link";
    EXPECT_EQ(test::facts_of(window).title, "Links");
    for (const auto& [text, title, address] :
         {std::tuple{server_->url("/reset"), "This site did not answer", server_->url("/reset")},
          std::tuple{std::string("127.0.0.1:25"), "This address cannot be opened",
                     std::string("http://127.0.0.1:25/")},
          std::tuple{std::string("http://a b/"), "This address is mistyped",
                     std::string("http://a b/")}}) {
        go(window, text);
        EXPECT_TRUE(wait_title(window, title)) << text;
        EXPECT_EQ(address_box(window, address), address) << text;
    }

    // The page follows the window's size: a page of one colour, to the new corner.
    go(window, server_->url("/colour.html"));
    ASSERT_TRUE(wait_title(window, "Colour"));
    test::shell("xdotool windowsize " + std::to_string(window) + " 1000 800");
    EXPECT_TRUE(poll_until([&] {
        const test::window_geometry g = test::facts_of(window).geometry;
        return g.width == 1000 && g.height == 800 && colour_at(g.x + 990, g.y + 790) == "#0080C0";
    })) << "the page did not fill the resized window";

    // Stop ends a load that would never end.
    go(window, server_->url("/stall"));
    ASSERT_TRUE(wait_title(window, loading_title));
    press(window, Stop);
    EXPECT_TRUE(wait_title(window, "Colour"));

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
    const std::string kept = test::facts_of(window).title;

    // New Window opens a second window on the start page; this one keeps its page. File > New
    // Window there opens a third; closing the second leaves the others.
    press(window, NewWindow);
    unsigned long second = wait_new_window({window}, start_title);
    ASSERT_NE(second, 0u) << "New Window opened no window";
    expect_opened_on_start_page(second, "the new window");
    EXPECT_EQ(test::facts_of(window).title, kept);
    choose(second, file_menu_x, NewWindowItem);
    unsigned long third = wait_new_window({window, second}, start_title);
    ASSERT_NE(third, 0u) << "File > New Window opened no window";
    test::close_window(second);
    ASSERT_TRUE(wait_gone(second));

    // About shows the box over the third window.
    press(third, About);
    unsigned long about = wait_new_window({window, third}, about_title);
    ASSERT_NE(about, 0u) << "About showed no box";
    EXPECT_EQ(test::facts_of(about).transient_for, third);

    // Alt+S starts the tool the store names; with none, a message says so. The box stays until
    // Enter closes it.
    ASSERT_TRUE(test::activate(about));
    test::press_keys("alt+s");
    EXPECT_TRUE(poll_until([&] { return std::filesystem::exists(program_->home() + "/recorded"); }))
        << "Alt+S did not start the tool";
    write_store("");
    ASSERT_TRUE(test::activate(about));
    test::press_keys("alt+s");
    unsigned long message = wait_new_window({window, third, about}, product_title);
    ASSERT_NE(message, 0u) << "no message that the tool is unavailable";
    EXPECT_EQ(test::facts_of(message).transient_for, about);
    expect_placed(test::facts_of(message), "DIALOG", false);
    ASSERT_TRUE(test::activate(message));
    test::press_keys("Return");
    EXPECT_TRUE(wait_gone(message));
    EXPECT_TRUE(test::facts_of(about).viewable) << "the About box closed with the message";
    ASSERT_TRUE(test::activate(about));
    test::press_keys("Return");
    EXPECT_TRUE(wait_gone(about)) << "Enter did not close the About box";
}

// The toolbar's buttons, by their captions, left to right.
const char* const button_captions[] = {"Back", "Forward", "Stop",       "Refresh",
                                       "Home", "Search",  "New Window", "About"};

// What a screen reader meets in each window, read through AT-SPI: rows of role and name that must
// come in this order in the window's tree, a label's text being its name and a picture's
// description its name.
using read_rows = std::vector<std::pair<std::string, std::string>>;

// The first row the window does not read, looked for after the row before it; "" if none.
std::string unread(const test::accessible_window& window, const read_rows& rows) {
    auto at = window.begin();
    for (const auto& [role, name] : rows) {
        at = std::find_if(at, window.end(), [&](const test::accessible& a) {
            return a.role == role && a.name == name && (role != "label" || a.text == name) &&
                   (role != "image" || a.description == name);
        });
        if (at == window.end())
            return role + " \"" + name + "\"";
        ++at;
    }
    return "";
}

TEST_F(Desktop, AScreenReaderReadsEveryWindowReachedByKeyboardAlone) {
    test::accessibility_bus bus;
    program_ =
        std::make_unique<test::program>(std::vector<std::string>{ZARNIC_BINARY}, bus.environment());
    // The window of that title, read until it holds the rows (it may still be filling in).
    auto reads = [&](const std::string& title, const read_rows& rows) {
        std::string missing = "no window \"" + title + "\"";
        poll_until([&] {
            for (const test::accessible_window& window : bus.windows(program_->pid()))
                if (window.front().name == title)
                    missing = unread(window, rows);
            return missing.empty();
        });
        return missing;
    };
    // The splash is not read: it shows for half a second, much of it while the web engine
    // starts and the program answers no one, so no reading of it could be sure to finish. Its
    // texts are labels like the About box's, and its logo the same picture.
    unsigned long browser = wait_new_window({}, start_title);
    ASSERT_NE(browser, 0u);
    read_rows window{{"menu", "File"},
                     {"menu item", "New Window"},
                     {"menu item", "Close Zarnic!"},
                     {"menu item", "About Zarnic! 1.0"},
                     {"menu", "Help"},
                     {"menu item", "Zarnic! Help Libary"},
                     {"label", "Address:"},
                     {"combo box", "Address"}};
    for (const char* caption : button_captions)
        window.emplace_back("push button", caption);
    EXPECT_EQ(reads(start_title, window), "") << "the browser window";
    EXPECT_EQ(bus.application_name(program_->pid()), "Zarnic!");

    // The focus starts on the toolbar's first button; arrows lead along it to About.
    ASSERT_TRUE(test::activate(browser));
    test::press_keys("Right Right Right Right Right Right Right space");
    read_rows about;
    for (const about_control& c : about_box_layout) {
        std::string text(c.text);
        std::erase(text, '_');
        if (c.kind != about_kind::line)
            about.emplace_back(c.kind == about_kind::label    ? "label"
                               : c.kind == about_kind::button ? "push button"
                                                              : "image",
                               c.kind == about_kind::image ? "Zarnic! logo" : text);
    }
    EXPECT_EQ(reads(about_title, about), "") << "the About box";
    test::press_keys("Escape");

    // F10 opens the menu bar; the Help window's pages turn with arrows and Ctrl+Page Down, and
    // only the page turned to is read.
    ASSERT_TRUE(poll_until([&] { return windows().size() == 1 && test::activate(browser); }));
    open_menu(browser, 0, "F10");
    open_menu(browser, 0, "Right");
    test::press_keys("Down Return");
    unsigned long help = wait_new_window({browser}, help_title);
    ASSERT_NE(help, 0u);
    ASSERT_TRUE(test::activate(help));
    auto help_rows = [](size_t page) {
        read_rows rows;
        for (const help_page& tab : help_pages())
            rows.emplace_back("radio button", tab.caption);
        std::vector<help_element> reading(help_pages()[page].elements.begin(),
                                          help_pages()[page].elements.end());
        std::stable_sort(reading.begin(), reading.end(),
                         [](const auto& a, const auto& b) { return a.box.top < b.box.top; });
        for (const help_element& e : reading)
            rows.emplace_back(e.style == help_style::picture ? "image" : "label",
                              e.style == help_style::picture ? "Zarnic! logo" : e.text);
        rows.emplace_back("push button", ":-)  Back to Zarnic!  :-)");
        return rows;
    };
    const char* turn[] = {"Right", "Right", "ctrl+Next"};
    for (size_t page = 0; page < help_pages().size(); ++page) {
        EXPECT_EQ(reads(help_title, help_rows(page)), "") << "Help page " << page + 1;
        if (page < 3)
            test::press_keys(turn[page]);
    }
    // Tab leads to the button, and Space presses it.
    test::press_keys("Tab space");
    EXPECT_TRUE(wait_gone(help)) << "Tab and Space did not close the Help window";

    // With the mouse: a click on a tab (three to a 20 px row across the 385 px tab control)
    // turns to its page, and a click on the button closes the window.
    choose(browser, help_menu_x, 1);
    help = wait_new_window({browser}, help_title);
    ASSERT_NE(help, 0u);
    click_in(help, 385 / 2, 10);
    EXPECT_EQ(reads(help_title, help_rows(1)), "") << "Help page 2, clicked";
    const test::window_geometry g = test::facts_of(help).geometry;
    click_in(help, g.width / 2, g.height - 15);
    EXPECT_TRUE(wait_gone(help)) << "a click on its button did not close the Help window";
    // F10 and the arrows reach Close Zarnic!.
    ASSERT_TRUE(test::activate(browser));
    open_menu(browser, 0, "F10");
    test::press_keys("Down Down Return");
    EXPECT_TRUE(ended());
}

// The contrast of two colours as the usual rule for text and graphics computes it, 1 to 21.
using rgb = std::array<int, 3>;
double contrast(const rgb& a, const rgb& b) {
    auto luminance = [](const rgb& c) {
        double sum = 0;
        for (int i = 0; i < 3; ++i) {
            const double v = c[size_t(i)] / 255.0;
            sum += std::array{0.2126, 0.7152, 0.0722}[size_t(i)] *
                   (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double x = luminance(a) + 0.05, y = luminance(b) + 0.05;
    return std::max(x, y) / std::min(x, y);
}

// How clearly a picture stands out from the ground around it, in a width x height part of the
// screen: its outline is every pixel that differs visibly from the ground (the commonest colour)
// and touches the ground outside it; each counts with its best contrast within one pixel inward,
// and nine in ten of them reach the contrast returned.
double outline_contrast(int x, int y, int width, int height) {
    std::istringstream in(test::shell("import -silent -window root -crop " + std::to_string(width) +
                                      "x" + std::to_string(height) + "+" + std::to_string(x) + "+" +
                                      std::to_string(y) + " -depth 8 -compress none ppm:-"));
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    std::vector<rgb> pixels(size_t(w * h));
    std::map<rgb, int> count;
    for (rgb& p : pixels)
        in >> p[0] >> p[1] >> p[2], ++count[p];
    const rgb ground = std::max_element(count.begin(), count.end(), [](auto& a, auto& b) {
                           return a.second < b.second;
                       })->first;
    // Each pixel's contrast with the ground, 0 beyond the part; drawn, those visibly apart.
    std::vector<double> apart(pixels.size());
    std::transform(pixels.begin(), pixels.end(), apart.begin(),
                   [&](const rgb& p) { return contrast(p, ground); });
    auto inside = [&](int i, int j) { return i >= 0 && j >= 0 && i < w && j < h; };
    auto at = [&](int i, int j) { return inside(i, j) ? apart[size_t(j * w + i)] : 0.0; };
    // The ground outside the picture, flooded in from the edges (with a list of pixels to visit,
    // not by recursion, which a large ground would take deeper than the stack goes).
    std::vector<bool> outside(pixels.size());
    std::vector<std::pair<int, int>> to_visit;
    for (int i = 0; i < w; ++i)
        to_visit.insert(to_visit.end(), {{i, 0}, {i, h - 1}});
    for (int j = 0; j < h; ++j)
        to_visit.insert(to_visit.end(), {{0, j}, {w - 1, j}});
    while (!to_visit.empty()) {
        const auto [i, j] = to_visit.back();
        to_visit.pop_back();
        if (inside(i, j) && at(i, j) < 1.25 && !outside[size_t(j * w + i)]) {
            outside[size_t(j * w + i)] = true;
            to_visit.insert(to_visit.end(), {{i + 1, j}, {i - 1, j}, {i, j + 1}, {i, j - 1}});
        }
    }
    auto out = [&](int i, int j) { return inside(i, j) && outside[size_t(j * w + i)]; };
    // A drawn pixel's best within one pixel is that of a drawn one: the others are below it.
    std::vector<double> outline;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (at(i, j) >= 1.25 &&
                (out(i + 1, j) || out(i - 1, j) || out(i, j + 1) || out(i, j - 1))) {
                double best = 0;
                for (int dj = -1; dj <= 1; ++dj)
                    for (int di = -1; di <= 1; ++di)
                        best = std::max(best, at(i + di, j + dj));
                outline.push_back(best);
            }
    if (outline.empty())
        return 0;
    std::sort(outline.begin(), outline.end());
    return outline[outline.size() / 10];
}

// Under the default, the dark and the high-contrast themes every toolbar picture stands out from
// the toolbar by at least 3:1, and the About box's texts from their ground by 4.5:1.
TEST_F(Desktop, PicturesAndTextsStandOutUnderEveryTheme) {
    for (const std::string theme : {"Adwaita", "Adwaita:dark", "HighContrast"}) {
        program_ = std::make_unique<test::program>(std::vector<std::string>{ZARNIC_BINARY},
                                                   std::vector<std::string>{"GTK_THEME=" + theme});
        unsigned long window = wait_new_window({}, start_title);
        ASSERT_NE(window, 0u) << theme;
        // The pointer away from the toolbar, whose buttons light up under it.
        test::shell("xdotool mousemove 0 0");
        test::window_geometry g = test::facts_of(window).geometry;
        for (int b = About; b >= Back; --b)
            EXPECT_GE(outline_contrast(g.x + b * button_width, g.y + toolbar_top, button_width, 30),
                      3.0)
                << button_captions[b] << " under " << theme;
        // The About box's texts, black on a light ground, stay readable on a dark one. The box
        // opens over a page of one colour, gone from under its texts once it is drawn.
        go(window, server_->url("/colour.html"));
        ASSERT_TRUE(wait_title(window, "Colour"));
        choose(window, file_menu_x, AboutItem);
        unsigned long about = wait_new_window({window}, about_title);
        ASSERT_NE(about, 0u) << theme;
        test::window_geometry a = test::facts_of(about).geometry;
        ASSERT_TRUE(poll_until([&] { return colour_at(a.x + 127, a.y + 13) != "#0080C0"; }))
            << "the About box was never drawn";
        EXPECT_GE(outline_contrast(a.x + 126, a.y + 12, 259, 145), 4.5) << "About, " << theme;
        program_.reset();
    }
}

// A browsing session leaves nothing behind in HOME, where the engine would keep its data, nor in
// the folders it names for data, settings and caches. GStreamer's plugin registry (which media
// plugins exist, no browsing data) is allowed: rebuilding it at every start would cost seconds.
TEST_F(Desktop, ASessionLeavesNothingBehind) {
    start();
    unsigned long window = wait_new_window({}, start_title);
    ASSERT_NE(window, 0u);
    go(window, server_->url("/storage.html"));
    // The page reports how its storing went.
    ASSERT_TRUE(poll_until([&] { return server_->hits("/stored") > 0; }));
    EXPECT_EQ(server_->hits("/stored?stored"), 1);
    go(window, server_->url("/title.html"));
    ASSERT_TRUE(wait_title(window, "Hello Title"));
    test::close_window(window);
    ASSERT_TRUE(ended());
    const std::string cache = program_->home() + "/.cache";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(program_->home()))
        EXPECT_TRUE(entry.path() == cache ||
                    entry.path().string().starts_with(cache + "/gstreamer-1.0"))
            << entry.path();
}

} // namespace
} // namespace zarnic
