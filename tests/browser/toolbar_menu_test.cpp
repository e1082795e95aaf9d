// The toolbar's eight commands and the File and Help menus, clicked and keyed as a user would,
// with the real engine on pages served on 127.0.0.1.
#include "about/about_box.h"
#include "app/shared_windows.h"
#include "browser/browser_window.h"
#include "browser_fixture.h"
#include "help/help_window.h"
#include "resources/constants.h"
#include "support/page_server.h"
#include "support/test_env.h"

#include <glibmm/main.h>
#include <gtest/gtest.h>

namespace zarnic {
namespace {

using test::run_until;

class ToolbarMenuTest : public test::BrowserFixture {
protected:
    // Clicks the toolbar button with this key, through its real input window.
    void press(const std::string& key) {
        for (picture_button& item : window_->buttons)
            if (item.key() == key)
                return test::click(item.button);
        FAIL() << "no button " << key;
    }

    // Clicks a menu of the menu bar open, then clicks one of its items, as the mouse does.
    void choose_menu(int menu, int item) {
        // The mouse reaches only the window on top.
        window_->get_window()->raise();
        test::run_for(100);
        Gtk::MenuItem& top = menu == 0 ? window_->file : window_->hlp;
        Gtk::Menu& popup = menu == 0 ? window_->file_menu : window_->help_menu;
        test::xclick(top, top.get_allocated_width() / 2, top.get_allocated_height() / 2);
        ASSERT_TRUE(run_until([&] { return popup.get_mapped(); }, 3000));
        test::run_for(100);
        Gtk::Widget* target = popup.get_children()[size_t(item)];
        test::xclick(*target, target->get_allocated_width() / 2,
                     target->get_allocated_height() / 2);
    }
};

TEST_F(ToolbarMenuTest, ButtonsSitInOrderWithTheirCaptionsAsTooltips) {
    const char* captions[] = {"Back", "Forward", "Stop",       "Refresh",
                              "Home", "Search",  "New Window", "About"};
    int last_x = -1;
    for (size_t i = 0; i < window_->buttons.size(); ++i) {
        picture_button& item = window_->buttons[i];
        EXPECT_EQ(item.button.get_tooltip_text(), captions[i]);
        EXPECT_GT(item.get_allocation().get_x(), last_x);
        last_x = item.get_allocation().get_x();
    }
}

TEST_F(ToolbarMenuTest, BackAndForwardWithNowhereToGoStayAndTheNextTickNamesThePage) {
    // The window has shown only its home page.
    window_->set_title("stale");
    press("Back");
    // The click turned the poll on: its next tick names the page and turns it off again.
    EXPECT_TRUE(settled("Welcome to Zarnic!"));
    go(server_->url("/title.html"));
    ASSERT_TRUE(settled("Hello Title"));
    press("Back");
    EXPECT_TRUE(settled("Welcome to Zarnic!"));
    press("Forward");
    EXPECT_TRUE(settled("Hello Title"));
    window_->set_title("stale");
    press("Forward");
    EXPECT_TRUE(settled("Hello Title"));
    EXPECT_EQ(window_->brwWebBrowser.LocationURL(), server_->url("/title.html"));
}

TEST_F(ToolbarMenuTest, StopDuringASlowLoadEndsTheBusyTitleAtOnce) {
    go(server_->url("/title.html"));
    ASSERT_TRUE(settled("Hello Title"));
    go(server_->url("/slow.html?ms=5000"));
    ASSERT_TRUE(run_until([&] { return window_->get_title() == loading_title; }));
    press("Stop");
    EXPECT_FALSE(window_->timer_enabled());
    EXPECT_EQ(window_->get_title(), "Hello Title");
    test::run_for(300);
    EXPECT_EQ(window_->get_title(), "Hello Title");
}

TEST_F(ToolbarMenuTest, RefreshHomeAndSearchLoadAndTheTitleFollows) {
    go(server_->url("/notitle.html"));
    ASSERT_TRUE(settled(server_->url("/notitle.html")));
    int before = server_->hits("/notitle.html");
    window_->set_title("stale");
    press("Refresh");
    EXPECT_TRUE(settled(server_->url("/notitle.html")));
    EXPECT_EQ(server_->hits("/notitle.html"), before + 1);
    press("Home");
    EXPECT_TRUE(settled("Other Page"));
    press("Search");
    EXPECT_TRUE(settled("Hello Title"));
}

TEST_F(ToolbarMenuTest, NewWindowButtonOpensOnTheHomeAddressAndRefreshesTheCallersTitle) {
    go(server_->url("/other.html"));
    ASSERT_TRUE(settled("Other Page"));
    browser_window* caller = window_;
    caller->set_title("stale");
    press("NewBro");
    browser_window* opened = shared_windows().Webbro;
    ASSERT_NE(opened, caller);
    EXPECT_TRUE(settled("Welcome to Zarnic!", opened));
    EXPECT_TRUE(settled("Other Page", caller));
}

TEST_F(ToolbarMenuTest, NewWindowFromTheMenuLeavesTheCallersTimerAndTitleAlone) {
    go(server_->url("/other.html"));
    ASSERT_TRUE(settled("Other Page"));
    window_->set_title("stale");
    choose_menu(0, 0);
    browser_window* opened = shared_windows().Webbro;
    ASSERT_NE(opened, window_);
    EXPECT_FALSE(window_->timer_enabled());
    EXPECT_TRUE(settled("Welcome to Zarnic!", opened));
    EXPECT_EQ(window_->get_title(), "stale");
}

TEST_F(ToolbarMenuTest, AboutIsModalAndTheWindowsTitleSettlesWhileItIsUp) {
    go(server_->url("/slow.html?ms=600"));
    bool seen_up = false;
    std::string title_while_up;
    // Inside the modal show, the box is closed from a timer once the page has loaded.
    auto closer = Glib::signal_timeout().connect(
        [&] {
            about_box* box = shared_windows().About;
            if (!box || !box->get_mapped())
                return true;
            seen_up = true;
            if (window_->timer_enabled())
                return true;
            title_while_up = window_->get_title();
            box->response(Gtk::RESPONSE_OK);
            return false;
        },
        20);
    press("About");
    // The click handler resumes only here, after the box has gone.
    closer.disconnect();
    EXPECT_TRUE(seen_up);
    EXPECT_EQ(title_while_up, "Slow Page");
    EXPECT_EQ(shared_windows().About, nullptr);

    // The menu's About shows the same modal box.
    seen_up = false;
    closer = Glib::signal_timeout().connect(
        [&] {
            about_box* box = shared_windows().About;
            if (!box || !box->get_mapped())
                return true;
            seen_up = true;
            box->response(Gtk::RESPONSE_OK);
            return false;
        },
        20);
    choose_menu(0, 2);
    closer.disconnect();
    EXPECT_TRUE(seen_up);
    EXPECT_EQ(shared_windows().About, nullptr);
}

TEST_F(ToolbarMenuTest, HelpFromTwoWindowsIsOneWindow) {
    browser_window* first = window_;
    browser_window::OpenNewWindow();
    window_ = shared_windows().Webbro;
    ASSERT_TRUE(settled("Welcome to Zarnic!"));
    choose_menu(1, 0);
    help_window* help = shared_windows().Help;
    ASSERT_NE(help, nullptr);
    window_ = first;
    choose_menu(1, 0);
    EXPECT_EQ(shared_windows().Help, help);
    EXPECT_EQ(test::app()->get_windows().size(), 3u);
}

TEST_F(ToolbarMenuTest, CloseEndsEverythingAtOnceEvenWhileLoading) {
    browser_window::OpenNewWindow();
    browser_window::OpenNewWindow();
    show_Help();
    ASSERT_EQ(test::app()->get_windows().size(), 4u);
    go(server_->url("/slow.html?ms=3000"));
    choose_menu(0, 1);
    test::flush_events();
    EXPECT_TRUE(test::app()->get_windows().empty());
    EXPECT_EQ(shared_windows().Webbro, nullptr);
    EXPECT_EQ(shared_windows().Help, nullptr);
}

} // namespace
} // namespace zarnic
