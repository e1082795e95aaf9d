// The browser window with the real engine: layout, the busy poll and its title, the address bar,
// new windows.
#include "browser/browser_window.h"

#include "app/shared_windows.h"
#include "resources/constants.h"
#include "support/page_server.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

namespace zarnic {
namespace {

using test::run_until;

class BrowserWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new test::PageServer; }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void TearDown() override {
        for (Gtk::Window* window : test::app()->get_windows())
            window->hide();
        test::flush_events();
        EXPECT_EQ(shared_windows().Webbro, nullptr);
    }

    // Opens a browser window the way the splash does, and waits until it has settled on the
    // home page.
    browser_window& open_window() {
        show_Webbro();
        browser_window* window = shared_windows().Webbro;
        EXPECT_TRUE(run_until([&] { return window->get_mapped() && !window->timer_enabled(); }));
        return *window;
    }

    // Types into the address box and presses Enter.
    static void go(browser_window& window, const std::string& address) {
        window.cboAddress.get_entry()->set_text(address);
        window.cboAddress.get_entry()->activate();
    }

    static bool settled(browser_window& window, const std::string& title) {
        return run_until([&] { return !window.timer_enabled() && window.get_title() == title; });
    }

    static Gdk::Rectangle box_of(Gtk::Widget& widget, browser_window& window) {
        int x = 0, y = 0;
        widget.translate_coordinates(window.client, 0, 0, x, y);
        return {x, y, widget.get_allocated_width(), widget.get_allocated_height()};
    }

    static test::PageServer* server_;
};

test::PageServer* BrowserWindowTest::server_ = nullptr;

void expect_box(const Gdk::Rectangle& box, int x, int y, int w, int h, const char* what) {
    EXPECT_EQ(box.get_x(), x) << what;
    EXPECT_EQ(box.get_y(), y) << what;
    EXPECT_EQ(box.get_width(), w) << what;
    EXPECT_EQ(box.get_height(), h) << what;
}

TEST_F(BrowserWindowTest, TitleGoesFromProductToLoadingToPageNameThenTheTimerStops) {
    show_Webbro();
    browser_window& window = *shared_windows().Webbro;
    // Until the first tick the title is the product's.
    EXPECT_EQ(window.get_title(), std::string(app_title));
    EXPECT_TRUE(window.timer_enabled());
    bool saw_loading = false;
    run_until([&] {
        saw_loading = saw_loading || window.get_title() == loading_title;
        return !window.timer_enabled();
    });
    EXPECT_TRUE(saw_loading);
    EXPECT_EQ(window.get_title(), "Welcome to Zarnic!");
    EXPECT_EQ(window.StartingAddress, std::string(HomeAddress));
    EXPECT_EQ(window.cboAddress.get_entry()->get_text(), std::string(HomeAddress));
}

TEST_F(BrowserWindowTest, LayoutFollowsTheTableAndTheResizeRule) {
    browser_window& window = open_window();
    EXPECT_EQ(window.client.get_allocated_width(), 893);
    EXPECT_EQ(window.client.get_allocated_height(), 750);
    expect_box(box_of(window.picAddress, window), 0, 0, 893, 45, "picAddress");
    expect_box(box_of(window.lblAddress, window), 8, 0, 205, 17, "lblAddress");
    // After the load step the box stands at 50, 270 twips and ends at the strip's right edge.
    expect_box(box_of(window.cboAddress, window), 3, 18, 890, 21, "cboAddress");
    expect_box(box_of(window.tbToolBar, window), 0, 45, 893, 50, "tbToolBar");
    expect_box(box_of(window.brwWebBrowser.widget(), window), 0, 96, 893, 654, "brwWebBrowser");
    for (picture_button& item : window.buttons) {
        EXPECT_EQ(item.button.get_allocated_width(), 69) << item.key();
        EXPECT_EQ(item.button.get_allocated_height(), 44) << item.key();
    }

    // A smaller window: the web view fills what is left below the toolbar, never less than 0.
    window.resize(600, 400);
    ASSERT_TRUE(run_until([&] { return window.client.get_allocated_width() == 600; }));
    int client_height = window.client.get_allocated_height();
    test::run_for(100);
    expect_box(box_of(window.brwWebBrowser.widget(), window), 0, 96, 600, client_height - 96,
               "brwWebBrowser after resize");
    expect_box(box_of(window.cboAddress, window), 3, 18, 597, 21, "cboAddress after resize");
    window.resize(300, 80);
    ASSERT_TRUE(run_until([&] { return window.client.get_allocated_width() == 300; }));
    EXPECT_GE(window.brwWebBrowser.Height(), 0);
}

TEST_F(BrowserWindowTest, AddressBoxStartsEmptyWithOneBlankEntry) {
    show_Webbro();
    browser_window& window = *shared_windows().Webbro;
    EXPECT_EQ(window.cboAddress.get_entry()->get_text(), "");
    auto model = window.cboAddress.get_model();
    ASSERT_EQ(model->children().size(), 1u);
    Glib::ustring entry;
    model->children().begin()->get_value(0, entry);
    EXPECT_EQ(entry, "");
    settled(window, "Welcome to Zarnic!");
}

TEST_F(BrowserWindowTest, EnterNavigatesAndTheBoxShowsTheAddressOfEachCompletedDownload) {
    browser_window& window = open_window();
    go(window, server_->url("/title.html"));
    EXPECT_TRUE(window.timer_enabled());
    EXPECT_TRUE(settled(window, "Hello Title"));
    EXPECT_EQ(window.cboAddress.get_entry()->get_text(), server_->url("/title.html"));

    // A typed host without a scheme: the box shows the address the view reports.
    go(window, server_->host_port() + "/other.html");
    EXPECT_TRUE(settled(window, "Other Page"));
    EXPECT_EQ(window.cboAddress.get_entry()->get_text(), server_->url("/other.html"));
}

TEST_F(BrowserWindowTest, PickingTheBlankEntryNavigatesToTheEmptyText) {
    browser_window& window = open_window();
    window.cboAddress.get_entry()->set_text("typed");
    window.cboAddress.set_active(0);
    EXPECT_EQ(window.cboAddress.get_entry()->get_text(), "");
    // The view stays on its page; the timer ran and turned itself off again.
    EXPECT_TRUE(settled(window, "Welcome to Zarnic!"));
    // Picking it a second time is a second pick.
    go(window, server_->url("/title.html"));
    settled(window, "Hello Title");
    window.cboAddress.set_active(0);
    EXPECT_TRUE(window.timer_enabled());
}

TEST_F(BrowserWindowTest, LinksFollowedInThePageLeaveTheTitleAndTheTimerAlone) {
    server_->add("/walks.html", "<title>Walks</title><script>addEventListener('load', () => "
                                "setTimeout(() => location.href = '/other.html', 300))</script>");
    browser_window& window = open_window();
    go(window, server_->url("/walks.html"));
    ASSERT_TRUE(settled(window, "Walks"));
    EXPECT_TRUE(run_until(
        [&] { return window.cboAddress.get_entry()->get_text() == server_->url("/other.html"); }));
    test::run_for(200);
    EXPECT_FALSE(window.timer_enabled());
    EXPECT_EQ(window.get_title(), "Walks");
}

TEST_F(BrowserWindowTest, TwoWindowsLoadingAtOnceKeepTheirOwnTitles) {
    browser_window& first = open_window();
    browser_window::OpenNewWindow();
    browser_window& second = *shared_windows().Webbro;
    ASSERT_NE(&first, &second);
    ASSERT_TRUE(settled(second, "Welcome to Zarnic!"));
    // Slow enough that the second window has long settled before the first page arrives.
    go(first, server_->url("/slow.html?ms=4000"));
    go(second, server_->url("/title.html"));
    EXPECT_TRUE(settled(second, "Hello Title"));
    EXPECT_EQ(first.get_title(), loading_title);
    EXPECT_TRUE(settled(first, "Slow Page"));
    EXPECT_EQ(second.get_title(), "Hello Title");
}

TEST_F(BrowserWindowTest, NewWindowOpensOnTheHomeAddressCentredAndTheFirstKeepsItsPage) {
    browser_window& first = open_window();
    go(first, server_->url("/other.html"));
    ASSERT_TRUE(settled(first, "Other Page"));
    first.move(10, 10);
    browser_window::OpenNewWindow();
    browser_window& second = *shared_windows().Webbro;
    ASSERT_NE(&first, &second);
    EXPECT_TRUE(settled(second, "Welcome to Zarnic!"));
    EXPECT_EQ(second.StartingAddress, std::string(HomeAddress));
    EXPECT_EQ(first.get_title(), "Other Page");
    EXPECT_EQ(first.brwWebBrowser.LocationURL(), server_->url("/other.html"));
    int x = 0, y = 0;
    second.get_position(x, y);
    EXPECT_NEAR(x, (1280 - second.get_width()) / 2, 1);
    EXPECT_NEAR(y, (1024 - second.get_height()) / 2, 1);
    EXPECT_EQ(second.client.get_allocated_width(), 893);
    EXPECT_EQ(second.client.get_allocated_height(), 750);
}

} // namespace
} // namespace zarnic
