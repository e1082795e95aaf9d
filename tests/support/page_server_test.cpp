// Checks the test page server with a plain HTTP client in the same main loop, the way the web
// view tests will use it: the server only works while the default main context is iterated.

#include "support/page_server.h"

#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace zarnic::test {
namespace {

struct Fetched {
    bool done = false;
    guint status = 0;
    std::string body;
    std::string final_path;
    std::string disposition;
    GError* error = nullptr;
    ~Fetched() { g_clear_error(&error); }
};

// Iterates the default main context until done() or timeout_ms passes.
bool iterate_until(const std::function<bool()>& done, int timeout_ms) {
    bool expired = false;
    guint timer = g_timeout_add(
        guint(timeout_ms),
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return gboolean(G_SOURCE_REMOVE);
        },
        &expired);
    while (!done() && !expired)
        g_main_context_iteration(nullptr, TRUE);
    if (!expired)
        g_source_remove(timer);
    return done();
}

class Client {
public:
    Client()
        : session_(soup_session_new()) {}
    ~Client() { g_object_unref(session_); }

    // Makes the session trust exactly the given certificate file.
    void trust(const std::string& pem) {
        GError* error = nullptr;
        GTlsDatabase* db = g_tls_file_database_new(pem.c_str(), &error);
        ASSERT_NE(db, nullptr) << error->message;
        soup_session_set_tls_database(session_, db);
        g_object_unref(db);
    }

    // Starts a GET; the result lands in *out when the exchange ends.
    void start(const std::string& uri, Fetched* out, const char* range = nullptr,
               GCancellable* cancellable = nullptr) {
        SoupMessage* msg = soup_message_new("GET", uri.c_str());
        ASSERT_NE(msg, nullptr) << uri;
        if (range)
            soup_message_headers_replace(soup_message_get_request_headers(msg), "Range", range);
        auto* pending = new Pending{msg, out};
        soup_session_send_and_read_async(session_, msg, G_PRIORITY_DEFAULT, cancellable,
                                         &Client::on_done, pending);
    }

    std::unique_ptr<Fetched> get(const std::string& uri, const char* range = nullptr) {
        auto out = std::make_unique<Fetched>();
        start(uri, out.get(), range);
        EXPECT_TRUE(iterate_until([&] { return out->done; }, 15000)) << uri << " never ended";
        return out;
    }

private:
    struct Pending {
        SoupMessage* msg;
        Fetched* out;
    };

    static void on_done(GObject* session, GAsyncResult* result, gpointer data) {
        auto* p = static_cast<Pending*>(data);
        GBytes* bytes =
            soup_session_send_and_read_finish(SOUP_SESSION(session), result, &p->out->error);
        if (bytes) {
            gsize size = 0;
            auto* raw = static_cast<const char*>(g_bytes_get_data(bytes, &size));
            p->out->body.assign(raw ? raw : "", size);
            g_bytes_unref(bytes);
        }
        p->out->status = soup_message_get_status(p->msg);
        p->out->final_path = g_uri_get_path(soup_message_get_uri(p->msg));
        const char* disposition = soup_message_headers_get_one(
            soup_message_get_response_headers(p->msg), "Content-Disposition");
        p->out->disposition = disposition ? disposition : "";
        p->out->done = true;
        g_object_unref(p->msg);
        delete p;
    }

    SoupSession* session_;
};

TEST(PageServer, ServesPagesAndCountsRequests) {
    PageServer server;
    Client client;
    EXPECT_EQ(server.url("/title.html"), "http://" + server.host_port() + "/title.html");
    EXPECT_NE(server.host_port(), server.https_host_port());

    auto title = client.get(server.url("/title.html"));
    EXPECT_EQ(title->status, 200u);
    EXPECT_NE(title->body.find("<title>Hello Title</title>"), std::string::npos);
    client.get(server.url("/title.html?x=1"));
    EXPECT_EQ(server.hits("/title.html"), 2);
    EXPECT_EQ(server.hits("/title.html?x=1"), 1);
    EXPECT_EQ(server.hits("/other.html"), 0);

    auto missing = client.get(server.url("/nothing-here.html"));
    EXPECT_EQ(missing->status, 404u);
    EXPECT_NE(missing->body.find("<title>Not Found</title>"), std::string::npos);

    server.add("/mine.txt", "my own words", "text/plain");
    server.add("/title.html", "<title>Replaced</title>");
    EXPECT_EQ(client.get(server.url("/mine.txt"))->body, "my own words");
    EXPECT_EQ(client.get(server.url("/title.html"))->body, "<title>Replaced</title>");

    client.get(server.url("/beacon?tag=a"));
    client.get(server.url("/beacon?tag=b"));
    EXPECT_EQ(server.hits("/beacon"), 2);
    EXPECT_EQ(server.hits("/beacon?tag=a"), 1);
}

TEST(PageServer, HttpsNeedsTheTestCertificate) {
    PageServer server;
    Client stranger;
    auto refused = stranger.get(server.https_url("/title.html"));
    ASSERT_NE(refused->error, nullptr);
    EXPECT_EQ(refused->error->domain, G_TLS_ERROR);

    Client trusting;
    trusting.trust(server.certificate_pem());
    auto page = trusting.get(server.https_url("/other.html"));
    ASSERT_EQ(page->error, nullptr) << page->error->message;
    EXPECT_EQ(page->status, 200u);
    EXPECT_NE(page->body.find("<title>Other Page</title>"), std::string::npos);
    // The certificate names both 127.0.0.1 and localhost.
    auto by_name = trusting.get(
        "https://localhost:" +
        server.https_host_port().substr(server.https_host_port().find(':') + 1) + "/title.html");
    ASSERT_EQ(by_name->error, nullptr) << by_name->error->message;
    EXPECT_EQ(by_name->status, 200u);
}

TEST(PageServer, RedirectsAndBrokenAnswers) {
    PageServer server;
    Client client;
    auto redirected = client.get(server.url("/redirect"));
    EXPECT_EQ(redirected->status, 200u);
    EXPECT_EQ(redirected->final_path, "/title.html");
    EXPECT_EQ(server.hits("/redirect2"), 1);

    auto loop = client.get(server.url("/loop"));
    EXPECT_NE(loop->error, nullptr);
    EXPECT_GT(server.hits("/loop"), 1);

    auto reset = client.get(server.url("/reset"));
    EXPECT_NE(reset->error, nullptr);
    EXPECT_EQ(reset->status, 0u);

    auto refused = client.get(PageServer::refused_url());
    ASSERT_NE(refused->error, nullptr);
    EXPECT_TRUE(g_error_matches(refused->error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED))
        << refused->error->message;
}

TEST(PageServer, DelaysAndStalls) {
    auto server = std::make_unique<PageServer>();
    Client client;
    gint64 start = g_get_monotonic_time();
    auto slow = client.get(server->url("/slow.html?ms=400"));
    gint64 elapsed_ms = (g_get_monotonic_time() - start) / 1000;
    EXPECT_GE(elapsed_ms, 400);
    EXPECT_NE(slow->body.find("<title>Slow Page</title>"), std::string::npos);

    // A client that gives up on a slow answer must not leave a timer behind that touches the
    // finished request.
    Fetched lost;
    GCancellable* give_up = g_cancellable_new();
    client.start(server->url("/slow.html?ms=300"), &lost, nullptr, give_up);
    iterate_until([&] { return server->hits("/slow.html") == 2; }, 5000);
    g_cancellable_cancel(give_up);
    g_object_unref(give_up);
    iterate_until([] { return false; }, 600);
    EXPECT_TRUE(lost.done);

    Fetched stalled;
    client.start(server->url("/stall"), &stalled);
    iterate_until([&] { return stalled.done; }, 500);
    EXPECT_FALSE(stalled.done);
    EXPECT_EQ(server->hits("/stall"), 1);
    std::string folder = std::filesystem::path(server->certificate_pem()).parent_path();
    server.reset();
    EXPECT_TRUE(iterate_until([&] { return stalled.done; }, 5000));
    EXPECT_NE(stalled.error, nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(PageServer, DownloadsLargePagesAndVideo) {
    PageServer server;
    Client client;
    auto zip = client.get(server.url("/download.zip"));
    EXPECT_EQ(zip->disposition, "attachment; filename=\"file.zip\"");
    EXPECT_EQ(zip->body.substr(0, 4), std::string("PK\x03\x04"));

    auto large = client.get(server.url("/large?mb=3"));
    EXPECT_EQ(large->status, 200u);
    EXPECT_EQ(large->body.size(), 3u * 1024 * 1024);
    EXPECT_EQ(large->body.find("<title>Large Page</title>"), large->body.find("<title>"));
    EXPECT_TRUE(large->body.ends_with("</html>\n"));

    auto clip = client.get(server.url("/clip.webm"));
    EXPECT_EQ(clip->status, 200u) << clip->body;
    EXPECT_EQ(clip->body.substr(0, 4), std::string("\x1a\x45\xdf\xa3")); // EBML (WebM) header
    auto part = client.get(server.url("/clip.webm"), "bytes=4-9");
    EXPECT_EQ(part->status, 206u);
    EXPECT_EQ(part->body, clip->body.substr(4, 6));
}

} // namespace
} // namespace zarnic::test
