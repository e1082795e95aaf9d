// The web view with the real engine, in a real window, against pages served on 127.0.0.1.
#include "webview/web_view.h"

#include "resources/constants.h"

#include "support/page_server.h"
#include "support/program.h"
#include "support/test_env.h"

#include <gtest/gtest.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace zarnic {
namespace {

using test::run_until;

// The files downloads created, for as long as the test process runs.
std::vector<std::string> created_files;

// Every process below root (children, grandchildren, ...) whose command name starts with prefix:
// the engine's web and network processes.
std::vector<pid_t> descendants_named(pid_t root, const std::string& prefix) {
    std::vector<pid_t> found;
    std::istringstream children(test::shell("pgrep -P " + std::to_string(root)));
    for (pid_t child = 0; children >> child;) {
        if (test::shell("ps -o comm= -p " + std::to_string(child)).rfind(prefix, 0) == 0)
            found.push_back(child);
        for (pid_t below : descendants_named(child, prefix))
            found.push_back(below);
    }
    return found;
}

// Records the file each download of the engine creates, wherever it goes. A check of the folders
// afterwards would miss one: a second download to the same name fails and deletes the first file.
void record_created_files(WebKitWebContext*, WebKitDownload* download, gpointer) {
    static const auto record = +[](WebKitDownload*, const char* destination, gpointer) {
        created_files.push_back(destination);
    };
    g_signal_connect(download, "created-destination", G_CALLBACK(record), nullptr);
}

class WebViewTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new test::PageServer;
        // Home and Search are internet addresses fixed at build time: every connection but to
        // the test's own pages goes to a proxy that refuses it, so nothing leaves the machine.
        std::string proxy = test::PageServer::refused_url();
        proxy.pop_back();
        for (const char* name : {"http_proxy", "https_proxy"})
            g_setenv(name, proxy.c_str(), TRUE);
        g_setenv("no_proxy", "127.0.0.1,localhost", TRUE);
    }
    static void TearDownTestSuite() { delete server_; }
    // An address as typed: without its scheme.
    static std::string typed(const std::string& uri) { return uri.substr(uri.find("://") + 3); }
    static std::string url(std::string_view path, bool https = false) {
        return server_->url(path, https);
    }

    void SetUp() override {
        view_ = std::make_unique<web_view>();
        view_->Width(800 * 15);
        view_->Height(600 * 15);
        window_.add(view_->widget());
        window_.show_all();
        ASSERT_TRUE(run_until([&] { return window_.get_window()->is_viewable(); }));
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
        bool seen_busy = false, idle = false;
        std::string name;
        const auto first_idle = [&] {
            idle = seen_busy && !view_->Busy();
            if (idle)
                name = view_->LocationName();
            seen_busy = view_->Busy();
            return idle;
        };
        EXPECT_TRUE(run_until(first_idle, timeout_ms)) << "the view never went from busy to idle";
        return name;
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
        view_->Navigate(url(path));
        ASSERT_TRUE(run_until([&] { return server_->hits(path) > asked; }));
    }

    static inline test::PageServer* server_ = nullptr;
    Gtk::Window window_;
    std::unique_ptr<web_view> view_;
    int completed_ = 0;
};

TEST_F(WebViewTest, LoadsEndWithTheTitleOfThePageTheyBrought) {
    const struct {
        std::string path, title, ends_at;
    } loads[] = {
        {"/title.html", "Hello Title", "/title.html"},
        {"/redirect", "Hello Title", "/title.html"},
        // The title is in the head; the load ends only once the slow picture is in.
        {"/slow-sub.html", "Slow Sub", "/slow-sub.html"},
        // A page without a title is named by its address.
        {"/untitled.html", url("/untitled.html"), "/untitled.html"},
    };
    for (const auto& l : loads) {
        SCOPED_TRACE(l.path);
        EXPECT_EQ(load(url(l.path)), l.title);
        EXPECT_EQ(view_->LocationURL(), url(l.ends_at));
    }
    // A page taller than the view keeps its scroll bar beside it, not over it.
    EXPECT_EQ(load(url("/tall.html")), "Scroll bar in view");
    // Titles a script sets once the load is over are taken too.
    EXPECT_EQ(load(url("/late-title.html")), "Early");
    EXPECT_TRUE(run_until([&] { return view_->LocationName() == "Late"; }));
    // Home and Search open the view's own pages (out of reach here, so a page says so).
    view_->GoHome();
    EXPECT_EQ(name_at_first_idle(), "This site did not answer");
    EXPECT_EQ(view_->LocationURL(), web_view_home);
    view_->GoSearch();
    EXPECT_EQ(name_at_first_idle(), "This site did not answer");
    EXPECT_EQ(view_->LocationURL(), web_view_search);
}

// A load that fails ends with a page of the view's own, named for the problem, at the first
// moment the view is idle; the view reports the address that failed, Refresh asks for it again,
// and Back goes to the page before.
TEST_F(WebViewTest, FailedLoadsShowAPageNamingTheProblem) {
    const std::string localhost = "localhost" + typed(url("/title.html", true)).substr(9);
    // Each with what the view reports when not what was typed, and the server's path that
    // Refresh asks for again, if any.
    const struct {
        std::string text, title, address = {}, asked = {};
    } failures[] = {
        // A certificate nobody vouches for, typed with a scheme and without: no http instead.
        {"https://" + localhost, "This site's identity could not be checked"},
        {localhost, "This site's identity could not be checked", "https://" + localhost},
        {test::PageServer::refused_url(), "This site did not answer"},
        {url("/reset"), "This site did not answer", "", "/reset"},
        {url("/loop"), "This page keeps sending Zarnic! elsewhere", "", "/loop"},
        {"javascript:document.title='owned'", "This address cannot be opened"},
        // A port the engine keeps for other programs, typed with a scheme or without, or
        // reached by a redirection.
        {"http://127.0.0.1:25/", "This address cannot be opened"},
        {"127.0.0.1:25", "This address cannot be opened", "http://127.0.0.1:25/"},
        {url("/to-port"), "This address cannot be opened", "http://127.0.0.1:25/"},
        // Addresses the engine cannot read.
        {"http://999.1.1.1/", "This address is mistyped"},
        {"about:nothing", "This address is mistyped"},
        {"http://a b/", "This address is mistyped"},
        // A file to save, which is never saved.
        {url("/download.zip"), "This is a file, not a page", "", "/download.zip"},
    };
    WebKitWebContext* context =
        webkit_web_view_get_context(WEBKIT_WEB_VIEW(view_->widget().gobj()));
    g_signal_connect(context, "download-started", G_CALLBACK(record_created_files), nullptr);
    for (const auto& f : failures) {
        SCOPED_TRACE(f.text);
        ASSERT_EQ(load(url("/title.html")), "Hello Title");
        completed_ = 0;
        EXPECT_EQ(load(f.text), f.title);
        EXPECT_EQ(view_->LocationURL(), f.address.empty() ? f.text : f.address);
        EXPECT_GE(completed_, 1);
        const int asked = server_->hits(f.asked);
        view_->Refresh();
        EXPECT_TRUE(view_->Busy());
        EXPECT_EQ(name_at_first_idle(), f.title);
        EXPECT_TRUE(f.asked.empty() || server_->hits(f.asked) > asked) << "Refresh asked nothing";
        ASSERT_TRUE(view_->GoBack());
        EXPECT_EQ(name_at_first_idle(), "Hello Title");
    }
    g_signal_handlers_disconnect_by_func(context, gpointer(record_created_files), nullptr);
    // The file refused was never written anywhere.
    EXPECT_EQ(created_files, std::vector<std::string>{});
}

TEST_F(WebViewTest, KilledOrHungEngineProcessesLeaveAWorkingView) {
    const struct {
        const char* process;
        int signal;
        bool during_load;
        std::string settles_on;
    } cases[] = {
        {"WebKitWebProces", SIGKILL, false, "This page stopped working"},
        {"WebKitWebProces", SIGKILL, true, "This page stopped working"},
        // The network process is started again and the load tried again, unseen.
        {"WebKitNetworkPr", SIGKILL, false, "Hello Title"},
        {"WebKitNetworkPr", SIGKILL, true, "Slow Page"},
        // The page's process stops answering; the person, tired of waiting, clicks Refresh: the
        // view does not stay busy, ends the process itself and says so.
        {"WebKitWebProces", SIGSTOP, false, "This page stopped answering"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.settles_on + (k.during_load ? ", during a load" : ""));
        ASSERT_EQ(load(url("/title.html")), "Hello Title");
        if (k.during_load)
            start("/slow.html?ms=2000");
        const std::vector<pid_t> found = descendants_named(getpid(), k.process);
        ASSERT_FALSE(found.empty());
        for (pid_t pid : found)
            kill(pid, k.signal);
        if (k.signal == SIGSTOP)
            view_->Refresh();
        // A crashed page's process: the first moment the view is idle, its page is up.
        if (k.signal == SIGKILL && k.process[6] == 'W') {
            EXPECT_EQ(name_at_first_idle(30000), k.settles_on);
        }
        EXPECT_TRUE(run_until(
            [&] { return !view_->Busy() && view_->LocationName() == k.settles_on; }, 30000))
            << view_->LocationName();
        EXPECT_EQ(load(url("/other.html")), "Other Page");
    }
}

TEST_F(WebViewTest, EveryKindOfTypedTextSettles) {
    ASSERT_EQ(load(url("/title.html")), "Hello Title");
    // Blank text, or an address for another program, leaves the view idle where it was.
    for (const char* text : {"", " \t ", "mailto:"}) {
        view_->Navigate(text);
        EXPECT_FALSE(view_->Busy()) << text;
        EXPECT_EQ(view_->LocationURL(), url("/title.html"));
    }
    // Hosts go to https first, to http only when nothing there speaks TLS; words to the search.
    for (const std::string& address :
         {url("/title.html", true), url("/title.html"), test::PageServer::refused_url()}) {
        load(typed(address));
        EXPECT_EQ(view_->LocationURL(), address);
    }
    load("cheap flights");
    std::string search = web_view_search_query;
    EXPECT_EQ(view_->LocationURL(), search.replace(search.find("%s"), 2, "cheap%20flights"));
    // Anything else ends on a page, named, never on an empty one.
    // One of each kind: a refused scheme, a missing page of the program's own, a host on no
    // port, very long text, control characters in an address.
    for (const std::string& text :
         {std::string("ftp://127.0.0.1/"), std::string("zarnic://app/missing.html"),
          std::string("localhost:0"), std::string(100000, 'w'), url("/\x7f\x1b[31m")}) {
        EXPECT_NE(load(text), "");
        EXPECT_NE(view_->LocationURL(), "about:blank");
    }
    // Once the test's certificate is trusted, the typed host loads over https.
    g_autoptr(GTlsCertificate) certificate =
        g_tls_certificate_new_from_file(server_->certificate_pem().c_str(), nullptr);
    webkit_web_context_allow_tls_certificate_for_host(
        webkit_web_view_get_context(WEBKIT_WEB_VIEW(view_->widget().gobj())), certificate,
        "127.0.0.1");
    EXPECT_EQ(load(typed(url("/title.html", true))), "Hello Title");
    EXPECT_EQ(view_->LocationURL(), url("/title.html", true));
}

// What a page's scripts ask for stays in bounds: new windows open in this view, and a page
// raising dialogs in a loop gets only three.
TEST_F(WebViewTest, NewWindowsOpenInThisViewAndDialogsStopAtThree) {
    const auto on_other_page = [&] {
        return view_->LocationName() == "Other Page" && !view_->Busy() && completed_ > 0;
    };
    load(url("/popup.html"));
    EXPECT_TRUE(run_until(on_other_page));

    int shown = 0;
    // Counts the script dialogs the view lets the engine show, and answers each at once.
    const auto count = +[](GtkWidget*, gpointer, int* seen) {
        ++*seen;
        return TRUE;
    };
    g_signal_connect(view_->widget().gobj(), "script-dialog", G_CALLBACK(count), &shown);
    view_->Navigate(url("/dialogs.html"));
    EXPECT_TRUE(run_until([&] { return view_->LocationName() == "Alerts done"; }, 20000));
    EXPECT_EQ(shown, 3);
}

} // namespace
} // namespace zarnic
