// The web view with the real engine, in a real window, against pages served on 127.0.0.1.
#include "webview/test_hooks.h"

#include "support/page_server.h"
#include "support/processes.h"
#include "support/test_env.h"

#include <gtest/gtest.h>
#include <gtkmm/window.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
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
        web_view_pages() = {server_->url("/title.html"), server_->url("/other.html"),
                            server_->url("/find?q=%s")};
        view_ = std::make_unique<web_view>();
        view_->Width(800 * 15);
        view_->Height(600 * 15);
        window_.add(view_->widget());
        test::show_and_wait(window_);
        view_->DownloadComplete.connect([this] { ++completed_; });
    }

    void TearDown() override {
        window_.remove();
        view_.reset();
        test::flush_events();
    }

    // Runs the main loop one dispatch at a time and returns LocationName at the very first
    // moment Busy reads false after having been true: a view that reports the end of a load
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

    std::string load(const std::string& uri, int timeout_ms = 15000) {
        SCOPED_TRACE(uri.substr(0, 80));
        view_->Navigate(uri);
        EXPECT_TRUE(view_->Busy()) << "Navigate must make the view busy at once";
        return name_at_first_idle(timeout_ms);
    }

    // Navigates to a path of the server and returns once the server has been asked for it.
    void start(const std::string& path) {
        const int asked = server_->hits(path);
        view_->Navigate(server_->url(path));
        ASSERT_TRUE(run_until([&] { return server_->hits(path) > asked; }));
    }

    static inline test::PageServer* server_ = nullptr;
    Gtk::Window window_;
    std::unique_ptr<web_view> view_;
    int completed_ = 0;
};

TEST_F(WebViewTest, LoadsEndWithTheTitleOfThePageTheyBrought) {
    server_->add("/untitled.html", "<p>No title here</p>");
    struct loaded {
        std::string path, title, ends_at;
        int timeout_ms = 15000;
    };
    const loaded loads[] = {
        {"/title.html", "Hello Title", "/title.html"},
        {"/redirect", "Hello Title", "/title.html"},
        // The title is in the head; the load ends only once the slow picture is in.
        {"/slow-sub.html", "Slow Sub", "/slow-sub.html"},
        // A page without a title is named by its address.
        {"/untitled.html", server_->url("/untitled.html"), "/untitled.html"},
        {"/large?mb=20", "Large Page", "/large?mb=20", 90000},
    };
    for (const loaded& l : loads) {
        SCOPED_TRACE(l.path);
        EXPECT_EQ(load(server_->url(l.path), l.timeout_ms), l.title);
        EXPECT_EQ(view_->LocationURL(), server_->url(l.ends_at));
    }
    // Titles a script sets once the load is over are taken too.
    EXPECT_EQ(load(server_->url("/late-title.html")), "Early");
    EXPECT_TRUE(run_until([&] { return view_->LocationName() == "Late"; }));
}

// Home and Search are pages of their own (here the test's), and each move through the history
// ends with its page named.
TEST_F(WebViewTest, HomeSearchBackAndForwardNameTheirPageTheMomentTheyEnd) {
    view_->GoHome();
    EXPECT_EQ(name_at_first_idle(), "Hello Title");
    EXPECT_FALSE(view_->GoBack());
    view_->GoSearch();
    EXPECT_EQ(name_at_first_idle(), "Other Page");
    EXPECT_FALSE(view_->GoForward());
    EXPECT_FALSE(view_->Busy());
    ASSERT_TRUE(view_->GoBack());
    EXPECT_TRUE(view_->Busy());
    EXPECT_EQ(name_at_first_idle(), "Hello Title");
    ASSERT_TRUE(view_->GoForward());
    EXPECT_EQ(name_at_first_idle(), "Other Page");
    EXPECT_EQ(view_->LocationURL(), server_->url("/other.html"));
}

// A load that fails ends with a page of the view's own, named for the problem, at the first
// moment the view is idle; the view reports the address that failed, Refresh asks for it again,
// and Back goes to the page before.
TEST_F(WebViewTest, FailedLoadsShowAPageNamingTheProblem) {
    const std::string localhost = "localhost:" + server_->https_host_port().substr(10);
    const std::string identity = "This site's identity could not be checked";
    struct failure {
        std::string typed, title;
        std::string address = {}; // what the view reports, when not what was typed
        std::string asked = {};   // the server's path that Refresh asks for again, if any
    };
    const failure failures[] = {
        // A certificate nobody vouches for, typed with a scheme and without: no http instead.
        {"https://" + localhost + "/title.html", identity},
        {localhost + "/title.html", identity, "https://" + localhost + "/title.html"},
        {test::PageServer::refused_url(), "This site did not answer"},
        {server_->url("/reset"), "This site did not answer", "", "/reset"},
        {server_->url("/loop"), "This page keeps sending Zarnic! elsewhere", "", "/loop"},
        {"javascript:document.title='owned'", "This address cannot be opened"},
    };
    for (const failure& f : failures) {
        SCOPED_TRACE(f.typed);
        ASSERT_EQ(load(server_->url("/title.html")), "Hello Title");
        completed_ = 0;
        EXPECT_EQ(load(f.typed), f.title);
        EXPECT_EQ(view_->LocationURL(), f.address.empty() ? f.typed : f.address);
        EXPECT_GE(completed_, 1);
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

// Stop ends a load the server never answers at once; the load started next, while the engine
// still winds the stopped one down, ends with its own page named.
TEST_F(WebViewTest, StopEndsAStalledLoadAtOnceAndKeepsThePreviousPage) {
    load(server_->url("/title.html"));
    start("/stall");
    ASSERT_TRUE(view_->Busy());
    view_->Stop();
    EXPECT_FALSE(view_->Busy());
    EXPECT_EQ(view_->LocationName(), "Hello Title");
    EXPECT_EQ(load(server_->url("/other.html")), "Other Page");
}

// Kills every process of the engine whose name starts so; returns how many there were.
size_t kill_processes(const char* name) {
    const std::vector<pid_t> found = test::descendants_named(getpid(), name);
    for (pid_t pid : found)
        kill(pid, SIGKILL);
    return found.size();
}

TEST_F(WebViewTest, KilledEngineProcessesLeaveAWorkingView) {
    struct killing {
        const char* process;
        bool during_load;
        std::string settles_on;
    };
    const killing cases[] = {
        {"WebKitWebProces", false, "This page stopped working"},
        {"WebKitWebProces", true, "This page stopped working"},
        // The network process is started again and the load tried again, unseen.
        {"WebKitNetworkPr", false, "Hello Title"},
        {"WebKitNetworkPr", true, "Slow Page"},
    };
    for (const killing& k : cases) {
        SCOPED_TRACE(std::string(k.process) + (k.during_load ? " during a load" : " after one"));
        ASSERT_EQ(load(server_->url("/title.html")), "Hello Title");
        if (k.during_load)
            start("/slow.html?ms=2000");
        ASSERT_GT(kill_processes(k.process), 0u);
        EXPECT_TRUE(run_until(
            [&] { return !view_->Busy() && view_->LocationName() == k.settles_on; }, 20000))
            << view_->LocationName();
        EXPECT_EQ(load(server_->url("/other.html")), "Other Page");
    }
}

// A page whose script never ends before its load does: the view does not stay busy, ends the
// page's process itself and says so.
TEST_F(WebViewTest, AHungPageIsEndedByTheView) {
    ASSERT_EQ(load(server_->url("/title.html")), "Hello Title");
    // The page's process stops answering; the person, tired of waiting, clicks Refresh, and the
    // engine notices that nothing answers.
    for (pid_t pid : test::descendants_named(getpid(), "WebKitWebProces"))
        kill(pid, SIGSTOP);
    view_->Refresh();
    EXPECT_TRUE(run_until([&] { return !view_->Busy(); }, 20000));
    EXPECT_TRUE(
        run_until([&] { return view_->LocationName() == "This page stopped answering"; }, 20000))
        << view_->LocationName();
    EXPECT_EQ(load(server_->url("/other.html")), "Other Page");
}

TEST_F(WebViewTest, EveryKindOfTypedTextSettles) {
    ASSERT_EQ(load(server_->url("/title.html")), "Hello Title");
    // Blank text, or an address for another program, leaves the view idle where it was.
    for (const char* text : {"", " \t ", "mailto:"}) {
        view_->Navigate(text);
        EXPECT_FALSE(view_->Busy()) << text;
        EXPECT_EQ(view_->LocationURL(), server_->url("/title.html"));
    }
    // Hosts go to https first, to http only when nothing there speaks TLS; words to the search.
    const std::pair<std::string, std::string> ends_at[] = {
        {server_->https_host_port() + "/title.html", server_->https_url("/title.html")},
        {server_->host_port() + "/title.html", server_->url("/title.html")},
        {test::PageServer::refused_url().substr(7), test::PageServer::refused_url()},
        {"cheap flights", server_->url("/find?q=cheap%20flights")},
    };
    for (const auto& [text, address] : ends_at) {
        load(text);
        EXPECT_EQ(view_->LocationURL(), address) << text;
    }
    // Anything else starts a load that ends.
    for (const char* text :
         {"javascript:alert(1)", "ftp://127.0.0.1/", "ws://127.0.0.1/",
          "view-source:http://127.0.0.1/", "about:blank", "data:text/html,<title>Data</title>",
          "zarnic://app/missing.html", "zarnic://elsewhere/", "http://", "https://[::1",
          "http://127.0.0.1:99999/", "localhost:0", "\x01\x02\x03", "a\nb",
          "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d", "%00%ff"})
        load(text);
    load(std::string(100000, 'w'));
    load(server_->url("/\x7f\x1b[31m"));
    load(server_->url("/title.html?") + std::string(100000, 'q'));
    // Once the test's certificate is trusted, the typed host loads over https.
    web_view_trust_certificate(server_->certificate_pem(), "127.0.0.1");
    EXPECT_EQ(load(server_->https_host_port() + "/title.html"), "Hello Title");
    EXPECT_EQ(view_->LocationURL(), server_->https_url("/title.html"));
}

TEST_F(WebViewTest, DownloadsAreRefusedAndNothingIsWritten) {
    load(server_->url("/title.html"));
    completed_ = 0;
    start("/download.zip");
    ASSERT_TRUE(run_until([&] { return completed_ > 0 && !view_->Busy(); }));
    EXPECT_EQ(view_->LocationURL(), server_->url("/title.html"));
    EXPECT_EQ(load(server_->url("/other.html")), "Other Page");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::home_dir()))
        EXPECT_EQ(entry.path().filename().string().find("file.zip"), std::string::npos)
            << entry.path();
}

TEST_F(WebViewTest, RequestsForNewWindowsOpenInThisView) {
    const auto on_other_page = [&] {
        return view_->LocationName() == "Other Page" && !view_->Busy() && completed_ > 0;
    };
    load(server_->url("/popup.html"));
    EXPECT_TRUE(run_until(on_other_page));
    // A link to a new window, clicked: the load it starts ends as any other.
    server_->add("/blank.html", "<title>Blank</title><a target=_blank href=/other.html "
                                "style='display:block;height:100vh'>Other</a>");
    ASSERT_EQ(load(server_->url("/blank.html")), "Blank");
    completed_ = 0;
    int x = 0, y = 0;
    view_->widget().get_window()->get_origin(x, y);
    std::system(("xdotool mousemove " + std::to_string(x + 100) + " " + std::to_string(y + 100) +
                 " click 1")
                    .c_str());
    EXPECT_TRUE(run_until(on_other_page));
}

// Counts the script dialogs the view lets the engine show, and answers each at once.
gboolean count_dialog(GtkWidget*, gpointer, int* shown) {
    ++*shown;
    return TRUE;
}

TEST_F(WebViewTest, APageRaisingDialogsInALoopGetsOnlyThree) {
    int shown = 0;
    g_signal_connect(view_->widget().gobj(), "script-dialog", G_CALLBACK(count_dialog), &shown);
    view_->Navigate(server_->url("/dialogs.html"));
    EXPECT_TRUE(run_until([&] { return view_->LocationName() == "Alerts done"; }, 20000));
    EXPECT_EQ(shown, 3);
}

} // namespace
} // namespace zarnic
