// The web view with the real engine, in a real window, against pages served on 127.0.0.1.
#include "webview/test_hooks.h"

#include "support/page_server.h"
#include "support/processes.h"
#include "support/test_env.h"

#include <gtest/gtest.h>
#include <gtkmm/window.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace zarnic {
namespace {

using test::run_until;

class WebViewTest : public testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new test::PageServer; }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        web_view_pages() = {server_->url("/home.html"), server_->url("/search.html"),
                            server_->url("/find?q=%s")};
        view_ = std::make_unique<web_view>();
        view_->Width(800 * 15);
        view_->Height(600 * 15);
        window_.add(view_->widget());
        test::show_and_wait(window_);
        completions_ = view_->DownloadComplete.connect([this] { ++downloads_; });
    }

    void TearDown() override {
        completions_.disconnect();
        window_.remove();
        view_.reset();
        test::flush_events();
    }

    // Runs the main loop one dispatch at a time and returns LocationName at the very first
    // moment Busy reads false after having been true: an adapter that reports the end of a load
    // before it knows the page's title is caught here, since nothing else runs in between.
    std::string name_at_first_idle(int timeout_ms = 15000) {
        bool seen_busy = view_->Busy();
        gint64 deadline = g_get_monotonic_time() + gint64(timeout_ms) * 1000;
        while (g_get_monotonic_time() < deadline) {
            if (!g_main_context_iteration(nullptr, FALSE))
                g_usleep(500);
            if (view_->Busy())
                seen_busy = true;
            else if (seen_busy)
                return view_->LocationName();
        }
        ADD_FAILURE() << "the view never went from busy to idle";
        return {};
    }

    std::string load(const std::string& uri) {
        view_->Navigate(uri);
        EXPECT_TRUE(view_->Busy()) << "Navigate must make the view busy at once: " << uri;
        return name_at_first_idle();
    }

    bool wait_idle(int timeout_ms = 15000) {
        return run_until([&] { return !view_->Busy(); }, timeout_ms);
    }

    static test::PageServer* server_;
    Gtk::Window window_;
    std::unique_ptr<web_view> view_;
    sigc::connection completions_;
    int downloads_ = 0;
};

test::PageServer* WebViewTest::server_ = nullptr;

TEST_F(WebViewTest, TitleIsKnownTheMomentTheLoadEnds) {
    EXPECT_EQ(load(server_->url("/title.html")), "Hello Title");
    EXPECT_EQ(view_->LocationURL(), server_->url("/title.html"));

    // A page without a title is named by its address.
    EXPECT_EQ(load(server_->url("/notitle.html")), server_->url("/notitle.html"));

    // Redirects end on the last page, with its title.
    EXPECT_EQ(load(server_->url("/redirect")), "Hello Title");
    EXPECT_EQ(view_->LocationURL(), server_->url("/title.html"));

    // A page whose pictures are slow: the title is in its head, the load ends with the picture.
    EXPECT_EQ(load(server_->url("/slow-sub.html")), "Slow Sub");
}

TEST_F(WebViewTest, BackAndForwardFromThePageCacheNameTheirPage) {
    load(server_->url("/title.html"));
    load(server_->url("/other.html"));
    ASSERT_TRUE(view_->GoBack());
    EXPECT_TRUE(view_->Busy());
    EXPECT_EQ(name_at_first_idle(), "Hello Title");
    ASSERT_TRUE(view_->GoForward());
    EXPECT_EQ(name_at_first_idle(), "Other Page");
    EXPECT_EQ(view_->LocationURL(), server_->url("/other.html"));
}

TEST_F(WebViewTest, BackOrForwardWithNowhereToGoReportsFailureAndStaysIdle) {
    load(server_->url("/title.html"));
    EXPECT_FALSE(view_->GoBack());
    EXPECT_FALSE(view_->GoForward());
    EXPECT_FALSE(view_->Busy());
    EXPECT_EQ(view_->LocationName(), "Hello Title");
}

// A load that fails ends with a page of the view's own, named for the problem, at the first
// moment the view is idle; the view reports the address that failed, Refresh asks for it again,
// and Back goes to the page before.
TEST_F(WebViewTest, FailedLoadsShowAPageNamingTheProblem) {
    const std::string https_port = server_->https_host_port().substr(10); // after "127.0.0.1:"
    struct failure {
        std::string typed;
        std::string address; // what the view reports
        std::string title;
        std::string asked; // the server's path that a Refresh asks again, if any
    };
    const failure failures[] = {
        // A certificate nobody vouches for, typed with a scheme and without one.
        {"https://localhost:" + https_port + "/title.html",
         "https://localhost:" + https_port + "/title.html",
         "This site's identity could not be checked", ""},
        {"localhost:" + https_port + "/title.html",
         "https://localhost:" + https_port + "/title.html",
         "This site's identity could not be checked", ""},
        {test::PageServer::refused_url(), test::PageServer::refused_url(),
         "This site did not answer", ""},
        {server_->url("/reset"), server_->url("/reset"), "This site did not answer", "/reset"},
        {server_->url("/loop"), server_->url("/loop"), "This page keeps sending Zarnic! elsewhere",
         "/loop"},
        {"javascript:document.title='owned'", "javascript:document.title='owned'",
         "This address cannot be opened", ""},
    };
    for (const failure& f : failures) {
        SCOPED_TRACE(f.typed);
        ASSERT_EQ(load(server_->url("/title.html")), "Hello Title");
        downloads_ = 0;
        EXPECT_EQ(load(f.typed), f.title);
        EXPECT_EQ(view_->LocationURL(), f.address);
        EXPECT_GE(downloads_, 1);
        const int asked = f.asked.empty() ? 0 : server_->hits(f.asked);
        view_->Refresh();
        EXPECT_TRUE(view_->Busy());
        EXPECT_EQ(name_at_first_idle(), f.title);
        if (!f.asked.empty()) {
            EXPECT_GT(server_->hits(f.asked), asked) << "Refresh asked nothing";
        }
        ASSERT_TRUE(view_->GoBack());
        EXPECT_EQ(name_at_first_idle(), "Hello Title");
    }
}

TEST_F(WebViewTest, StopEndsTheLoadAtOnceAndKeepsThePreviousPage) {
    load(server_->url("/title.html"));
    view_->Navigate(server_->url("/slow.html?ms=4000"));
    test::run_for(200);
    ASSERT_TRUE(view_->Busy());
    view_->Stop();
    EXPECT_FALSE(view_->Busy());
    EXPECT_EQ(view_->LocationName(), "Hello Title");
    test::run_for(500);
    EXPECT_FALSE(view_->Busy());
    EXPECT_EQ(view_->LocationURL(), server_->url("/title.html"));
}

TEST_F(WebViewTest, DownloadCompleteFollowsLinksInsideThePage) {
    server_->add("/walks.html", "<title>Walks</title><script>addEventListener('load', () => "
                                "setTimeout(() => location.href = '/other.html', 50))</script>");
    load(server_->url("/walks.html"));
    downloads_ = 0;
    ASSERT_TRUE(run_until(
        [&] { return view_->LocationURL() == server_->url("/other.html") && downloads_ > 0; }));
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(view_->LocationName(), "Other Page");
}

TEST_F(WebViewTest, LateTitlesSetByScriptAreTakenOnceIdle) {
    load(server_->url("/late-title.html"));
    EXPECT_TRUE(run_until([&] { return view_->LocationName() == "Late"; }, 5000));
}

TEST_F(WebViewTest, TypedAddressesGoWhereTheyShould) {
    // A host without a scheme that only speaks http: https is tried, then http.
    load(server_->host_port() + "/title.html");
    EXPECT_EQ(view_->LocationURL(), server_->url("/title.html"));

    // A host that speaks TLS with a certificate nobody trusts: no fallback to http.
    EXPECT_EQ(load(server_->https_host_port() + "/title.html"),
              "This site's identity could not be checked");
    EXPECT_EQ(view_->LocationURL(), server_->https_url("/title.html"));

    // Once the certificate is trusted, the same typed address loads over https.
    web_view_trust_certificate(server_->certificate_pem(), "127.0.0.1");
    EXPECT_EQ(load(server_->https_host_port() + "/title.html"), "Hello Title");

    // Words go to the search page, escaped.
    load("cheap flights");
    EXPECT_EQ(view_->LocationURL(), server_->url("/find?q=cheap%20flights"));

    // Empty text leaves the view where it is, not busy.
    const std::string before = view_->LocationName();
    view_->Navigate("   ");
    EXPECT_FALSE(view_->Busy());
    EXPECT_EQ(view_->LocationName(), before);
}

TEST_F(WebViewTest, HomeAndSearchAreTheViewsOwnPages) {
    view_->GoHome();
    name_at_first_idle();
    EXPECT_EQ(view_->LocationURL(), server_->url("/home.html"));
    view_->GoSearch();
    name_at_first_idle();
    EXPECT_EQ(view_->LocationURL(), server_->url("/search.html"));
}

TEST_F(WebViewTest, DownloadsAreRefusedAndNothingIsWritten) {
    load(server_->url("/title.html"));
    view_->Navigate(server_->url("/download.zip"));
    test::run_for(300);
    ASSERT_TRUE(wait_idle());
    view_->Navigate(server_->url("/download.bin"));
    test::run_for(300);
    ASSERT_TRUE(wait_idle());
    test::run_for(500);
    EXPECT_EQ(view_->LocationURL(), server_->url("/title.html"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::home_dir())) {
        std::string name = entry.path().filename();
        EXPECT_EQ(name.find("file.zip"), std::string::npos) << entry.path();
        EXPECT_EQ(name.find("download"), std::string::npos) << entry.path();
    }
}

TEST_F(WebViewTest, StorageIsKeptInMemoryOnly) {
    load(server_->url("/storage.html"));
    ASSERT_TRUE(run_until([&] { return view_->LocationName() != "Storage"; }, 5000));
    ASSERT_EQ(view_->LocationName(), "stored");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::home_dir())) {
        std::string path = entry.path().string();
        // The runtime folder is temporary by definition; the only lasting file a page may
        // cause is the media library's plugin cache, which holds no browsing data.
        if (!entry.is_regular_file() || path.find("/XDG_RUNTIME_DIR/") != std::string::npos)
            continue;
        EXPECT_NE(path.find("/gstreamer-1.0/"), std::string::npos) << path;
    }
}

TEST_F(WebViewTest, RequestsForNewWindowsStayInThisView) {
    load(server_->url("/popup.html"));
    EXPECT_TRUE(
        run_until([&] { return view_->LocationURL() == server_->url("/other.html"); }, 5000));
    EXPECT_TRUE(wait_idle());
    EXPECT_EQ(view_->LocationName(), "Other Page");
}

TEST_F(WebViewTest, PermissionRequestsAreRefused) {
    server_->add("/where.html",
                 "<title>asking</title><script>navigator.geolocation.getCurrentPosition("
                 "() => document.title = 'granted', e => document.title = 'refused ' + e.code);"
                 "</script>");
    load(server_->url("/where.html"));
    EXPECT_TRUE(run_until([&] { return view_->LocationName().rfind("refused", 0) == 0; }, 5000))
        << view_->LocationName();
}

// Finds the buttons of the engine's own script dialog inside the view, if one is up.
void collect_buttons(GtkWidget* widget, std::vector<GtkWidget*>& out) {
    if (GTK_IS_BUTTON(widget) && gtk_widget_get_mapped(widget))
        out.push_back(widget);
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(
            GTK_CONTAINER(widget),
            [](GtkWidget* child, gpointer data) {
                collect_buttons(child, *static_cast<std::vector<GtkWidget*>*>(data));
            },
            &out);
}

TEST_F(WebViewTest, APageRaisingDialogsInALoopGetsOnlyThree) {
    view_->Navigate(server_->url("/dialogs.html"));
    int shown = 0;
    gint64 deadline = g_get_monotonic_time() + 20 * G_USEC_PER_SEC;
    while (view_->LocationName() != "Alerts done" && g_get_monotonic_time() < deadline) {
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(1000);
        std::vector<GtkWidget*> buttons;
        collect_buttons(view_->widget().gobj(), buttons);
        if (!buttons.empty()) {
            ++shown;
            gtk_button_clicked(GTK_BUTTON(buttons.front()));
            test::run_for(50);
        }
    }
    EXPECT_EQ(view_->LocationName(), "Alerts done");
    EXPECT_EQ(shown, 3);
}

TEST_F(WebViewTest, AKilledWebProcessLeavesAWorkingView) {
    load(server_->url("/title.html"));
    auto processes = test::descendants_named(getpid(), "WebKitWebProces");
    ASSERT_FALSE(processes.empty());
    for (pid_t pid : processes)
        kill(pid, SIGKILL);
    EXPECT_TRUE(run_until([&] { return view_->LocationName() == "This page stopped working"; }))
        << view_->LocationName();
    EXPECT_FALSE(view_->Busy());
    EXPECT_EQ(load(server_->url("/other.html")), "Other Page");

    // Killed in the middle of a load: the same notice, and the view goes on working.
    view_->Navigate(server_->url("/slow.html?ms=3000"));
    test::run_for(300);
    for (pid_t pid : test::descendants_named(getpid(), "WebKitWebProces"))
        kill(pid, SIGKILL);
    EXPECT_TRUE(run_until([&] { return view_->LocationName() == "This page stopped working"; }))
        << view_->LocationName();
    EXPECT_TRUE(wait_idle());
    EXPECT_EQ(load(server_->url("/title.html")), "Hello Title");
}

TEST_F(WebViewTest, AHungWebProcessDoesNotLeaveTheViewBusy) {
    load(server_->url("/title.html"));
    auto processes = test::descendants_named(getpid(), "WebKitWebProces");
    ASSERT_FALSE(processes.empty());
    for (pid_t pid : processes)
        kill(pid, SIGSTOP);
    view_->Refresh();
    bool idle = wait_idle(20000);
    for (pid_t pid : processes)
        kill(pid, SIGCONT);
    EXPECT_TRUE(idle);
    EXPECT_EQ(load(server_->url("/other.html")), "Other Page");
}

TEST_F(WebViewTest, MutedVideoPlays) {
    load(server_->url("/video.html"));
    EXPECT_TRUE(run_until([&] { return view_->LocationName() != "Video"; }, 15000));
    EXPECT_EQ(view_->LocationName(), "Playing");
}

} // namespace
} // namespace zarnic
