#include "page_server.h"

#include <gio/gio.h>
#include <libsoup/soup.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <stdexcept>
#include <vector>

namespace zarnic::test {
namespace {

constexpr const char* html = "text/html; charset=utf-8";

// Pages whose body never changes.
struct FixedPage {
    std::string_view path;
    std::string_view body;
};

constexpr std::array fixed_pages{
    FixedPage{"/title.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Hello Title</title></head>
<body><h1>Hello</h1><p>A page with a title.</p></body></html>
)"},
    FixedPage{"/notitle.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"></head>
<body><p>A page without a title.</p></body></html>
)"},
    FixedPage{"/other.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Other Page</title></head>
<body><p>Another page.</p></body></html>
)"},
    FixedPage{"/link.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Links</title></head>
<body>
<p><a id="next" href="/title.html">Next page</a></p>
<p><a id="tofrag" href="#frag">Down to the anchor</a></p>
<p><a id="blank" href="/other.html" target="_blank">Other page in a new window</a></p>
<div style="height: 3000px"></div>
<h2 id="frag">Anchor</h2>
</body></html>
)"},
    FixedPage{"/slow.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Slow Page</title></head>
<body><p>This page took its time.</p></body></html>
)"},
    FixedPage{"/slow-sub.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Slow Sub</title></head>
<body><p>The picture below arrives late.</p>
<img id="late" src="/slow-image.png?ms=1500" width="16" height="16" alt="late picture">
</body></html>
)"},
    FixedPage{"/storage.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Storage</title></head>
<body><p id="state">working</p>
<script>
function done(title) {
    document.getElementById("state").textContent =
        "cookie=" + document.cookie + " local=" + localStorage.getItem("zarnic");
    document.title = title;
}
try {
    document.cookie = "js=1; path=/";
    localStorage.setItem("zarnic", "v");
    var request = indexedDB.open("zarnic-test", 1);
    request.onupgradeneeded = function () { request.result.createObjectStore("things"); };
    request.onerror = function () { done("storage failed: " + request.error); };
    request.onsuccess = function () {
        var db = request.result;
        var tx = db.transaction("things", "readwrite");
        tx.objectStore("things").put("v", "k");
        tx.oncomplete = function () { db.close(); done("stored"); };
        tx.onerror = function () { done("storage failed: " + tx.error); };
    };
} catch (e) {
    done("storage failed: " + e);
}
</script>
</body></html>
)"},
    FixedPage{"/late-title.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Early</title></head>
<body><p>The title changes soon.</p>
<script>setTimeout(function () { document.title = "Late"; }, 300);</script>
</body></html>
)"},
    FixedPage{"/popup.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Popup</title></head>
<body><p>This page opens another window.</p>
<script>window.addEventListener("load", function () { window.open("/other.html"); });</script>
</body></html>
)"},
    FixedPage{"/dialogs.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Dialogs</title></head>
<body><p>This page raises many messages.</p>
<script>
window.addEventListener("load", function () {
    setTimeout(function () {
        for (var i = 1; i <= 20; i++) {
            document.title = "Alert " + i + " of 20";
            alert("Message " + i + " of 20");
        }
        document.title = "Alerts done";
    }, 0);
});
</script>
</body></html>
)"},
    FixedPage{"/video.html", R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Video</title></head>
<body>
<video id="clip" src="/clip.webm" width="160" height="120" autoplay muted playsinline></video>
<script>
var clip = document.getElementById("clip");
clip.addEventListener("playing", function () { document.title = "Playing"; });
clip.addEventListener("error", function () { document.title = "Video Error"; });
</script>
</body></html>
)"},
};

constexpr std::string_view not_found = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Not Found</title></head>
<body><h1>Not Found</h1><p>There is no such page on this server.</p></body></html>
)";

// A stored zip archive holding one small text file (readme.txt).
constexpr char zip[] =
    "\x50\x4b\x03\x04\x14\x00\x00\x00\x00\x00\x00\x00\x21\x58\x05\x24\xd9\xe5\x20\x00\x00\x00"
    "\x20\x00\x00\x00\x0a\x00\x00\x00\x72\x65\x61\x64\x6d\x65\x2e\x74\x78\x74\x41\x20\x73\x6d"
    "\x61\x6c\x6c\x20\x66\x69\x6c\x65\x20\x69\x6e\x20\x61\x20\x74\x65\x73\x74\x20\x61\x72\x63"
    "\x68\x69\x76\x65\x2e\x0a\x50\x4b\x01\x02\x14\x03\x14\x00\x00\x00\x00\x00\x00\x00\x21\x58"
    "\x05\x24\xd9\xe5\x20\x00\x00\x00\x20\x00\x00\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x80\x01\x00\x00\x00\x00\x72\x65\x61\x64\x6d\x65\x2e\x74\x78\x74\x50\x4b\x05\x06"
    "\x00\x00\x00\x00\x01\x00\x01\x00\x38\x00\x00\x00\x48\x00\x00\x00\x00\x00";

// A 1x1 PNG picture.
constexpr char png[] =
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00"
    "\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63"
    "\x50\x48\x38\x00\x00\x01\xe4\x01\x41\x9c\x16\xe1\xa0\x00\x00\x00\x00\x49\x45\x4e\x44\xae"
    "\x42\x60\x82";

constexpr std::string_view bytes_of(const char* data, std::size_t size_with_nul) {
    return {data, size_with_nul - 1};
}

void respond(SoupServerMessage* msg, guint status, const std::string& content_type,
             std::string_view body) {
    soup_server_message_set_status(msg, status, nullptr);
    soup_server_message_set_response(msg, content_type.c_str(), SOUP_MEMORY_COPY, body.data(),
                                     body.size());
}

void respond_not_found(SoupServerMessage* msg) {
    respond(msg, SOUP_STATUS_NOT_FOUND, html, not_found);
}

// A whole number from the query, clamped to [low, high]; fallback if absent or not a number.
long query_number(GHashTable* query, const char* name, long fallback, long low, long high) {
    const char* text = query ? static_cast<const char*>(g_hash_table_lookup(query, name)) : nullptr;
    if (!text)
        return fallback;
    long value = 0;
    const char* end = text + std::strlen(text);
    auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end)
        return fallback;
    return std::clamp(value, low, high);
}

// Runs a program (searched in PATH) in dir and waits for it; throws with its output on failure.
void run_tool(const std::vector<std::string>& args, const std::string& dir, char** envp) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = 0;
    GError* error = nullptr;
    bool ok = g_spawn_sync(dir.c_str(), argv.data(), envp, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                           &out, &err, &status, &error) &&
              g_spawn_check_wait_status(status, &error);
    std::string message =
        ok ? "" : args[0] + " failed: " + error->message + "\n" + (err ? err : "");
    g_clear_error(&error);
    g_free(out);
    g_free(err);
    if (!ok)
        throw std::runtime_error(message);
}

std::string make_private_dir() {
    GError* error = nullptr;
    gchar* dir = g_dir_make_tmp("zarnic-pages-XXXXXX", &error); // mode 0700
    if (!dir) {
        std::string message = std::string("cannot make a temporary folder: ") + error->message;
        g_error_free(error);
        throw std::runtime_error(message);
    }
    std::string result = dir;
    g_free(dir);
    return result;
}

// The video clip, made once per process (it is the same every time). gst-launch gets its own
// plugin registry in a throw-away folder so that nothing is written under HOME.
GBytes* make_clip() {
    std::string dir;
    GBytes* clip = nullptr;
    try {
        dir = make_private_dir();
        std::unique_ptr<char*, decltype(&g_strfreev)> envp(
            g_environ_setenv(g_get_environ(), "GST_REGISTRY", (dir + "/registry.bin").c_str(),
                             TRUE),
            &g_strfreev);
        std::string file = dir + "/clip.webm";
        run_tool({"gst-launch-1.0", "-q", "videotestsrc", "num-buffers=60", "!",
                  "video/x-raw,width=160,height=120,framerate=30/1", "!", "vp8enc", "!", "webmmux",
                  "!", "filesink", "location=" + file},
                 dir, envp.get());
        gchar* data = nullptr;
        gsize size = 0;
        if (!g_file_get_contents(file.c_str(), &data, &size, nullptr))
            throw std::runtime_error("gst-launch-1.0 wrote no clip");
        clip = g_bytes_new_take(data, size);
    } catch (const std::exception& e) {
        g_warning("the test video clip could not be made: %s", e.what());
    }
    if (!dir.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    return clip;
}

GBytes* clip_bytes() {
    static GBytes* clip = make_clip(); // kept for the life of the test process
    return clip;
}

// Streams /large: a page of an exact size, written a chunk at a time so that it never sits in
// memory whole. The state lives on the message and goes with it.
struct LargePage {
    static constexpr std::string_view head = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                                             "<title>Large Page</title></head><body><pre>\n";
    static constexpr std::string_view tail = "</pre></body></html>\n";
    static constexpr std::size_t chunk = 64 * 1024;

    std::size_t filler_left;
    bool tail_sent = false;
    std::string filler;

    explicit LargePage(std::size_t total)
        : filler_left(total - head.size() - tail.size()) {
        const std::string_view line = "Filler text of a large test page, line after line.\n";
        while (filler.size() + line.size() <= chunk)
            filler += line;
    }

    // Appends the next piece; the tail completes the body.
    void write_next(SoupMessageBody* body) {
        if (filler_left > 0) {
            std::size_t n = std::min(filler_left, filler.size());
            soup_message_body_append(body, SOUP_MEMORY_COPY, filler.data(), n);
            filler_left -= n;
        } else if (!tail_sent) {
            soup_message_body_append(body, SOUP_MEMORY_STATIC, tail.data(), tail.size());
            soup_message_body_complete(body);
            tail_sent = true;
        }
    }

    static void on_wrote_chunk(SoupServerMessage* msg, gpointer self) {
        static_cast<LargePage*>(self)->write_next(soup_server_message_get_response_body(msg));
    }
};

void serve_large(SoupServerMessage* msg, GHashTable* query) {
    constexpr std::size_t mib = 1024 * 1024;
    std::size_t total = std::size_t(query_number(query, "mb", 20, 1, 1024)) * mib;
    auto* state = new LargePage(total);
    g_object_set_data_full(G_OBJECT(msg), "zarnic-large-page", state,
                           [](gpointer p) { delete static_cast<LargePage*>(p); });

    SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
    soup_message_headers_set_content_length(headers, goffset(total));
    soup_message_headers_replace(headers, "Content-Type", html);
    SoupMessageBody* body = soup_server_message_get_response_body(msg);
    soup_message_body_set_accumulate(body, FALSE);
    soup_server_message_set_status(msg, SOUP_STATUS_OK, nullptr);
    soup_message_body_append(body, SOUP_MEMORY_STATIC, LargePage::head.data(),
                             LargePage::head.size());
    g_signal_connect(msg, "wrote-chunk", G_CALLBACK(LargePage::on_wrote_chunk), state);
}

// Closes the connection under the request, so the client gets no response at all.
void serve_reset(SoupServerMessage* msg) {
    GIOStream* stream = soup_server_message_steal_connection(msg);
    if (stream) {
        g_io_stream_close(stream, nullptr, nullptr);
        g_object_unref(stream);
    }
}

int listen_on_loopback(SoupServer* server, SoupServerListenOptions options) {
    GError* error = nullptr;
    GSocketAddress* address = g_inet_socket_address_new_from_string("127.0.0.1", 0);
    bool ok = soup_server_listen(server, address, options, &error);
    g_object_unref(address);
    if (!ok) {
        std::string message =
            std::string("cannot listen on 127.0.0.1: ") + (error ? error->message : "?");
        g_clear_error(&error);
        throw std::runtime_error(message);
    }
    GSList* uris = soup_server_get_uris(server);
    int port = uris ? g_uri_get_port(static_cast<GUri*>(uris->data)) : -1;
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    if (port <= 0)
        throw std::runtime_error("the server reports no port");
    return port;
}

} // namespace

struct PageServer::impl {
    // A request whose answer is held back: paused until its timer fires, or (without a timer)
    // until the server goes away. Should the message finish first, the record goes with it,
    // so a timer never touches a finished message. (A client that leaves a paused request is
    // noticed only when the answer is written; that write simply fails.)
    struct Held {
        impl* owner;
        SoupServerMessage* msg;
        std::function<void(SoupServerMessage*)> answer;
        guint timer = 0;
        gulong finished_handler = 0;
    };

    std::string dir;
    std::string cert_path;
    SoupServer* http = nullptr;
    SoupServer* https = nullptr;
    int http_port = 0;
    int https_port = 0;
    std::map<std::string, int, std::less<>> hit_counts;
    struct Page {
        std::string body;
        std::string content_type;
    };
    std::map<std::string, Page, std::less<>> added;
    std::list<Held> held; // a list, so records keep their address

    impl() {
        dir = make_private_dir();
        try {
            start();
        } catch (...) {
            stop();
            throw;
        }
    }

    ~impl() { stop(); }

    void start() {
        cert_path = dir + "/cert.pem";
        std::string key_path = dir + "/key.pem";
        run_tool({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                  "ec_paramgen_curve:prime256v1", "-nodes", "-days", "30", "-subj", "/CN=127.0.0.1",
                  "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", key_path,
                  "-out", cert_path},
                 dir, nullptr);
        GError* error = nullptr;
        GTlsCertificate* cert =
            g_tls_certificate_new_from_files(cert_path.c_str(), key_path.c_str(), &error);
        if (!cert) {
            std::string message =
                std::string("cannot load the test certificate: ") + error->message;
            g_error_free(error);
            throw std::runtime_error(message);
        }

        http = soup_server_new("server-header", "zarnic-test ", nullptr);
        https = soup_server_new("server-header", "zarnic-test ", "tls-certificate", cert, nullptr);
        g_object_unref(cert);
        soup_server_add_handler(http, nullptr, &impl::on_request, this, nullptr);
        soup_server_add_handler(https, nullptr, &impl::on_request, this, nullptr);
        http_port = listen_on_loopback(http, SoupServerListenOptions(0));
        https_port = listen_on_loopback(https, SOUP_SERVER_LISTEN_HTTPS);
    }

    void stop() {
        // Timers and finish handlers first, so nothing calls back into this object.
        for (Held& h : held) {
            if (h.timer)
                g_source_remove(h.timer);
            g_signal_handler_disconnect(h.msg, h.finished_handler);
        }
        for (SoupServer** server : {&http, &https}) {
            if (*server) {
                soup_server_disconnect(*server);
                g_clear_object(server);
            }
        }
        for (Held& h : held)
            g_object_unref(h.msg);
        held.clear();
        if (!dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        }
    }

    void count(const char* path, SoupServerMessage* msg) {
        ++hit_counts[path];
        const char* query = g_uri_get_query(soup_server_message_get_uri(msg));
        if (query && *query)
            ++hit_counts[std::string(path) + "?" + query];
    }

    // Pauses msg; answer (if any) fills in the response after ms milliseconds.
    void hold(SoupServerMessage* msg, long ms, std::function<void(SoupServerMessage*)> answer) {
        soup_server_message_pause(msg);
        Held& h = held.emplace_back(Held{this, msg, std::move(answer)});
        g_object_ref(msg);
        h.finished_handler =
            g_signal_connect(msg, "finished", G_CALLBACK(&impl::on_held_finished), &h);
        if (h.answer)
            h.timer = g_timeout_add(guint(ms), &impl::on_held_timer, &h);
    }

    void drop(Held* h) {
        if (h->timer)
            g_source_remove(h->timer);
        g_signal_handler_disconnect(h->msg, h->finished_handler);
        g_object_unref(h->msg);
        held.remove_if([h](const Held& x) { return &x == h; });
    }

    static void on_held_finished(SoupServerMessage*, gpointer data) {
        auto* h = static_cast<Held*>(data);
        h->owner->drop(h);
    }

    static gboolean on_held_timer(gpointer data) {
        auto* h = static_cast<Held*>(data);
        h->timer = 0;
        SoupServerMessage* msg = h->msg;
        h->answer(msg);
        // The record goes before the message resumes: resuming may finish it at once.
        g_object_ref(msg);
        h->owner->drop(h);
        soup_server_message_unpause(msg);
        g_object_unref(msg);
        return G_SOURCE_REMOVE;
    }

    static void on_request(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable* query,
                           gpointer data) {
        auto* self = static_cast<impl*>(data);
        self->count(path, msg);
        self->serve(msg, path, query);
    }

    void serve(SoupServerMessage* msg, std::string_view path, GHashTable* query) {
        if (auto it = added.find(path); it != added.end()) {
            respond(msg, SOUP_STATUS_OK, it->second.content_type, it->second.body);
            return;
        }
        auto fixed = std::find_if(fixed_pages.begin(), fixed_pages.end(),
                                  [&](const FixedPage& p) { return p.path == path; });
        if (path == "/slow.html") {
            hold(msg, query_number(query, "ms", 1500, 0, 60000),
                 [fixed](SoupServerMessage* m) { respond(m, SOUP_STATUS_OK, html, fixed->body); });
        } else if (fixed != fixed_pages.end()) {
            respond(msg, SOUP_STATUS_OK, html, fixed->body);
        } else if (path == "/slow-image.png") {
            hold(msg, query_number(query, "ms", 1500, 0, 60000), [](SoupServerMessage* m) {
                respond(m, SOUP_STATUS_OK, "image/png", bytes_of(png, sizeof png));
            });
        } else if (path == "/redirect") {
            soup_server_message_set_redirect(msg, SOUP_STATUS_MOVED_PERMANENTLY, "/redirect2");
        } else if (path == "/redirect2") {
            soup_server_message_set_redirect(msg, SOUP_STATUS_FOUND, "/title.html");
        } else if (path == "/loop") {
            soup_server_message_set_redirect(msg, SOUP_STATUS_FOUND, "/loop");
        } else if (path == "/download.zip") {
            respond(msg, SOUP_STATUS_OK, "application/zip", bytes_of(zip, sizeof zip));
            soup_message_headers_replace(soup_server_message_get_response_headers(msg),
                                         "Content-Disposition",
                                         "attachment; filename=\"file.zip\"");
        } else if (path == "/download.bin") {
            respond(msg, SOUP_STATUS_OK, "application/octet-stream",
                    std::string_view("\x00\x01\x02\x03\xfe\xff binary test data", 23));
        } else if (path == "/stall") {
            hold(msg, 0, nullptr);
        } else if (path == "/reset") {
            serve_reset(msg);
        } else if (path == "/large") {
            serve_large(msg, query);
        } else if (path == "/beacon") {
            soup_server_message_set_status(msg, SOUP_STATUS_NO_CONTENT, nullptr);
        } else if (path == "/clip.webm") {
            serve_clip(msg);
        } else {
            respond_not_found(msg);
        }
        if (path == "/storage.html")
            soup_message_headers_append(soup_server_message_get_response_headers(msg), "Set-Cookie",
                                        "srv=1; Path=/");
    }

    static void serve_clip(SoupServerMessage* msg) {
        if (GBytes* clip = clip_bytes()) {
            gsize size = 0;
            const void* data = g_bytes_get_data(clip, &size);
            respond(msg, SOUP_STATUS_OK, "video/webm",
                    std::string_view(static_cast<const char*>(data), size));
            // Players ask for byte ranges; the server answers them from the complete body.
            soup_message_headers_replace(soup_server_message_get_response_headers(msg),
                                         "Accept-Ranges", "bytes");
        } else {
            respond(msg, SOUP_STATUS_INTERNAL_SERVER_ERROR, "text/plain",
                    "the test video clip could not be made (is gst-launch-1.0 installed?)\n");
        }
    }
};

PageServer::PageServer()
    : impl_(std::make_unique<impl>()) {}

PageServer::~PageServer() = default;

std::string PageServer::url(std::string_view path) const {
    return "http://" + host_port() + std::string(path);
}

std::string PageServer::https_url(std::string_view path) const {
    return "https://" + https_host_port() + std::string(path);
}

std::string PageServer::host_port() const {
    return "127.0.0.1:" + std::to_string(impl_->http_port);
}

std::string PageServer::https_host_port() const {
    return "127.0.0.1:" + std::to_string(impl_->https_port);
}

const std::string& PageServer::certificate_pem() const {
    return impl_->cert_path;
}

int PageServer::hits(std::string_view path) const {
    auto it = impl_->hit_counts.find(path);
    return it == impl_->hit_counts.end() ? 0 : it->second;
}

void PageServer::add(std::string path, std::string body, std::string content_type) {
    impl_->added[std::move(path)] = impl::Page{std::move(body), std::move(content_type)};
}

std::string PageServer::refused_url() {
    // A socket bound to a port but not listening: connections to it are refused, and no other
    // program can take the port while the test process lives.
    static const int port = [] {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot reserve a port on 127.0.0.1");
        return int(ntohs(address.sin_port));
    }();
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

} // namespace zarnic::test
