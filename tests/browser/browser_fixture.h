#pragma once
// A browser window opened as the splash opens it, settled on its home page, with pages served
// on 127.0.0.1; the web view's own Home, Search and typed words go to those pages too, so no
// test reaches past this machine. Every window is closed after each test.
#include "app/shared_windows.h"
#include "browser/browser_window.h"
#include "support/page_server.h"
#include "support/test_env.h"
#include "webview/test_hooks.h"

#include <gtest/gtest.h>

namespace zarnic::test {

class BrowserFixture : public testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new PageServer;
        web_view_pages() = {server_->url("/other.html"), server_->url("/title.html"),
                            server_->url("/find?q=%s")};
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        show_Webbro();
        window_ = shared_windows().Webbro;
        ASSERT_TRUE(run_until([&] { return window_->get_mapped() && !window_->timer_enabled(); }));
    }

    void TearDown() override {
        for (Gtk::Window* window : app()->get_windows())
            window->hide();
        flush_events();
    }

    // Types into the address box and presses Enter.
    void go(const std::string& address) {
        window_->cboAddress.get_entry()->set_text(address);
        window_->cboAddress.get_entry()->activate();
    }

    // The poll has stopped with this title; says what the title is when it has not.
    bool settled(const std::string& title, browser_window* window = nullptr) {
        window = window ? window : window_;
        bool ok =
            run_until([&] { return !window->timer_enabled() && window->get_title() == title; });
        if (!ok)
            ADD_FAILURE() << "title is \"" << window->get_title().substr(0, 100) << "\", timer "
                          << (window->timer_enabled() ? "on" : "off");
        return ok;
    }

    // The poll has stopped and the title names a page (not the loading text).
    bool settles(int timeout_ms = 20000) {
        return run_until([&] { return !window_->timer_enabled(); }, timeout_ms) &&
               window_->get_title() != loading_title;
    }

    static inline PageServer* server_ = nullptr;
    browser_window* window_ = nullptr;
};

} // namespace zarnic::test
