// Hostile pages, a failing engine and odd input: the window always keeps working, its title
// always settles, nothing hangs.
#include "app/shared_windows.h"
#include "browser/browser_window.h"
#include "browser_fixture.h"
#include "support/page_server.h"
#include "support/processes.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace zarnic {
namespace {

using test::run_until;

class BadInputTest : public test::BrowserFixture {
protected:
    void click(const std::string& key) { window_->tbToolBar_ButtonClick(key); }
};

TEST(TitleForDisplay, KeepsTextDropsControlsAndCutsAtAFixedLength) {
    EXPECT_EQ(title_for_display("Hello"), "Hello");
    EXPECT_EQ(title_for_display("a\nb\tc\x01"
                                "d"),
              "a b c d");
    EXPECT_EQ(title_for_display("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d"),
              "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d");
    EXPECT_EQ(title_for_display("bad \xff byte"), "bad \xef\xbf\xbd byte");
    std::string huge(1 << 20, 'x');
    std::string shown = title_for_display(huge);
    EXPECT_EQ(g_utf8_strlen(shown.c_str(), -1), 513);
    EXPECT_EQ(shown.substr(shown.size() - 3), "\xe2\x80\xa6");
    EXPECT_EQ(title_for_display(std::string(512, 'y')), std::string(512, 'y'));
}

TEST_F(BadInputTest, TitlesOfAnyLengthAndContentReachTheTitleBarTamed) {
    server_->add("/huge-title.html", "<title>" + std::string(1 << 20, 'T') + "</title>");
    go(server_->url("/huge-title.html"));
    ASSERT_TRUE(settles());
    EXPECT_LE(g_utf8_strlen(window_->get_title().c_str(), -1), 513);
    EXPECT_EQ(window_->get_title().substr(0, 10), "TTTTTTTTTT");

    server_->add("/rtl.html", "<title>\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d &#x202e;evil&#7;</title>");
    go(server_->url("/rtl.html"));
    ASSERT_TRUE(settles());
    EXPECT_EQ(window_->get_title().find('\x07'), std::string::npos);
    EXPECT_EQ(window_->get_title().rfind("\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d", 0), 0u);
}

TEST_F(BadInputTest, TheAddressBoxHoldsAtMostWhatAnEntryCan) {
    // A page whose address is longer than the box can hold: the box keeps its first 65,534
    // characters (GTK's limit for an entry) and the window goes on. (The fragment never reaches the
    // server, whose request line has a limit of its own.)
    std::string path = "/title.html#" + std::string(70000, 'q');
    go(server_->url(path));
    ASSERT_TRUE(settled("Hello Title"));
    EXPECT_EQ(window_->cboAddress.get_entry()->get_text_length(), 65534);

    // Pasting more than the box holds, then Enter: what the box holds is what is navigated to.
    window_->cboAddress.get_entry()->set_text(server_->url("/other.html#") +
                                              std::string(100000, 'p'));
    EXPECT_EQ(window_->cboAddress.get_entry()->get_text_length(), 65534) << "pasted";
    window_->cboAddress.get_entry()->activate();
    EXPECT_TRUE(settled("Other Page"));
}

TEST_F(BadInputTest, EveryKindOfTypedAddressSettles) {
    const std::string typed[] = {"javascript:alert(1)",
                                 "vbscript:msgbox(1)",
                                 "view-source:http://127.0.0.1/",
                                 "chrome://settings",
                                 "ftp://127.0.0.1/",
                                 "ws://127.0.0.1/",
                                 "blob:null/1",
                                 "file:///etc/hostname",
                                 "file:///no/such/file",
                                 "data:text/html,<title>Data</title>",
                                 "about:blank",
                                 "zarnic://app/missing.html",
                                 "zarnic://elsewhere/start.html",
                                 "http://",
                                 "https://[::1",
                                 "http://127.0.0.1:99999/",
                                 "\x01\x02\x03",
                                 "a\nb",
                                 "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d",
                                 "%00%ff",
                                 "localhost:0",
                                 "mailto:",
                                 "",
                                 std::string(3000, 'w'),
                                 server_->url("/\x7f\x1b[31m")};
    for (const std::string& text : typed) {
        go(text);
        EXPECT_TRUE(settles()) << "typed: " << text.substr(0, 60);
    }
    go(server_->url("/title.html"));
    EXPECT_TRUE(settled("Hello Title"));
}

TEST_F(BadInputTest, PagesThatStallResetLoopOrAreHugeEndWell) {
    go(server_->url("/title.html"));
    ASSERT_TRUE(settled("Hello Title"));

    // A page that never answers keeps the loading title until Stop.
    go(server_->url("/stall"));
    test::run_for(1500);
    EXPECT_EQ(window_->get_title(), loading_title);
    click("Stop");
    EXPECT_FALSE(window_->timer_enabled());
    EXPECT_EQ(window_->get_title(), "Hello Title");

    for (const char* path : {"/reset", "/loop", "/large?mb=30"}) {
        go(server_->url(path));
        EXPECT_TRUE(settles(60000)) << path;
    }
    EXPECT_EQ(window_->get_title(), "Large Page");
}

TEST_F(BadInputTest, PagesOpeningWindowsInALoopStayInOneWindow) {
    server_->add("/opener.html",
                 "<title>Opener</title><script>let n = 0; setInterval(() => "
                 "{ if (n++ < 200) window.open('/title.html?' + n); }, 5)</script>");
    go(server_->url("/opener.html"));
    test::run_for(2000);
    EXPECT_TRUE(settles());
    EXPECT_EQ(test::app()->get_windows().size(), 1u);
}

TEST_F(BadInputTest, KilledEngineProcessesLeaveAWorkingWindow) {
    go(server_->url("/title.html"));
    ASSERT_TRUE(settled("Hello Title"));
    for (pid_t pid : test::descendants_named(getpid(), "WebKitNetworkPr"))
        kill(pid, SIGKILL);
    go(server_->url("/other.html"));
    EXPECT_TRUE(settled("Other Page"));

    go(server_->url("/slow.html?ms=3000"));
    test::run_for(300);
    for (pid_t pid : test::descendants_named(getpid(), "WebKitNetworkPr"))
        kill(pid, SIGKILL);
    EXPECT_TRUE(settles());
    go(server_->url("/title.html"));
    EXPECT_TRUE(settled("Hello Title"));
}

TEST_F(BadInputTest, AThousandRapidToolbarClicksDuringALoad) {
    go(server_->url("/title.html"));
    ASSERT_TRUE(settled("Hello Title"));
    go(server_->url("/slow.html?ms=1000"));
    const char* keys[] = {"Back", "Forward", "Stop", "Refresh", "Home", "Search"};
    for (int i = 0; i < 1000; ++i) {
        click(keys[i % 6]);
        if (i % 50 == 0)
            test::flush_events();
    }
    click("Stop");
    EXPECT_FALSE(window_->timer_enabled());
    go(server_->url("/other.html"));
    EXPECT_TRUE(settled("Other Page"));
    EXPECT_EQ(test::app()->get_windows().size(), 1u);
}

} // namespace
} // namespace zarnic
