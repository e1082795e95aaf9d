#include "page_server.h"

#include <libsoup/soup.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <map>
#include <stdexcept>

namespace zarnic::test {
namespace {

constexpr char html[] = "text/html; charset=utf-8";

const std::map<std::string, std::string, std::less<>> fixed_pages{
    {"/title.html", "<title>Hello Title</title><p>A page with a title."},
    {"/other.html", "<title>Other Page</title><p>Another page."},
    {"/link.html", "<title>Links</title><a id=next href=/title.html>Next</a>"
                   "<a id=blank href=/other.html target=_blank>Other</a>"},
    {"/slow.html", "<title>Slow Page</title><p>This page took its time."},
    {"/slow-sub.html", "<title>Slow Sub</title><img src='/slow-image.png?ms=1500'>"},
    {"/late-title.html", "<title>Early</title><script>setTimeout(() => document.title = 'Late', "
                         "300)</script>"},
    {"/popup.html", "<title>Popup</title><script>onload = () => open('/other.html')</script>"},
    {"/dialogs.html", "<title>Dialogs</title><script>onload = () => setTimeout(() => { for (let i "
                      "= 1; i <= 20; i++) { document.title = `Alert ${i} of 20`; alert(i) } "
                      "document.title = 'Alerts done' })</script>"},
    // Cookies from the server and from script, local storage and IndexedDB; then it reports.
    {"/storage.html", R"(<title>Storage</title><script>
const done = (how) => fetch("/stored?" + encodeURIComponent(how));
document.cookie = "js=1; path=/";
localStorage.setItem("zarnic", "v");
const request = indexedDB.open("zarnic-test", 1);
request.onupgradeneeded = () => request.result.createObjectStore("things");
request.onerror = () => done("failed: " + request.error);
request.onsuccess = () => {
    const tx = request.result.transaction("things", "readwrite");
    tx.objectStore("things").put("v", "k");
    tx.oncomplete = () => done("stored");
};</script>)"},
};

// An empty zip archive, and bytes that stand for a picture.
constexpr std::string_view zip("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
constexpr std::string_view png("\x89PNG\r\n\x1a\n", 8);

void respond(SoupServerMessage* msg, const char* type, std::string_view body,
             guint status = SOUP_STATUS_OK) {
    soup_server_message_set_status(msg, status, nullptr);
    soup_server_message_set_response(msg, type, SOUP_MEMORY_COPY, body.data(), body.size());
}

long query_number(GHashTable* query, const char* name, long fallback) {
    const char* text = query ? static_cast<const char*>(g_hash_table_lookup(query, name)) : nullptr;
    return text ? std::clamp(std::atol(text), 0L, 60000L) : fallback;
}

std::string large_page(long mib) {
    std::string page = "<!DOCTYPE html><title>Large Page</title><pre>\n";
    while (page.size() < size_t(mib) << 20)
        page += "Filler text of a large test page, line after line.\n";
    return page + "</pre>";
}

int listen_on_loopback(SoupServer* server, SoupServerListenOptions options) {
    g_autoptr(GSocketAddress) address = g_inet_socket_address_new_from_string("127.0.0.1", 0);
    g_autoptr(GError) error = nullptr;
    if (!soup_server_listen(server, address, options, &error))
        throw std::runtime_error(std::string("cannot listen on 127.0.0.1: ") + error->message);
    GSList* uris = soup_server_get_uris(server);
    int port = g_uri_get_port(static_cast<GUri*>(uris->data));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    return port;
}

} // namespace

struct PageServer::impl {
    // A request answered later (or never): paused, and answered by a timer unless it ended.
    struct held {
        SoupServerMessage* msg;
        std::string type, body;
        guint timer = 0;
        bool ended = false;
    };

    std::string dir = g_dir_make_tmp("zarnic-pages-XXXXXX", nullptr);
    std::string cert_path;
    SoupServer* http = nullptr;
    SoupServer* https = nullptr;
    int http_port = 0, https_port = 0;
    std::map<std::string, int, std::less<>> hit_counts;
    std::map<std::string, std::pair<std::string, std::string>, std::less<>> added;
    std::list<held> held_requests; // a list, so each keeps its address

    impl() {
        cert_path = dir + "/cert.pem";
        const std::string key_path = dir + "/key.pem";
        const std::string openssl =
            "openssl req -x509 -newkey ec -pkeyopt "
            "ec_paramgen_curve:prime256v1 -nodes -days 30 -subj "
            "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost"
            " -keyout " +
            key_path + " -out " + cert_path + " 2>/dev/null";
        if (std::system(openssl.c_str()) != 0)
            throw std::runtime_error("openssl could not make the test certificate");
        g_autoptr(GError) error = nullptr;
        g_autoptr(GTlsCertificate) cert =
            g_tls_certificate_new_from_files(cert_path.c_str(), key_path.c_str(), &error);
        if (!cert)
            throw std::runtime_error(std::string("test certificate: ") + error->message);
        http = soup_server_new(nullptr, nullptr);
        https = soup_server_new("tls-certificate", cert, nullptr);
        for (SoupServer* server : {http, https})
            soup_server_add_handler(server, nullptr, &impl::on_request, this, nullptr);
        http_port = listen_on_loopback(http, SoupServerListenOptions(0));
        https_port = listen_on_loopback(https, SOUP_SERVER_LISTEN_HTTPS);
    }

    ~impl() {
        for (held& h : held_requests)
            g_clear_handle_id(&h.timer, g_source_remove);
        for (SoupServer* server : {http, https}) {
            soup_server_disconnect(server);
            g_object_unref(server);
        }
        for (held& h : held_requests)
            g_object_unref(h.msg);
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    void hold(SoupServerMessage* msg, long ms, const char* type = html, std::string body = {}) {
        held& h = held_requests.emplace_back(held{msg, type, std::move(body)});
        g_object_ref(msg);
        soup_server_message_pause(msg);
        g_signal_connect(msg, "finished", G_CALLBACK(+[](SoupServerMessage*, held* record) {
                             record->ended = true;
                             g_clear_handle_id(&record->timer, g_source_remove);
                         }),
                         &h);
        if (ms >= 0)
            h.timer = g_timeout_add(guint(ms), &impl::answer_held, &h);
    }

    static gboolean answer_held(gpointer data) {
        auto* h = static_cast<held*>(data);
        h->timer = 0;
        if (!h->ended) {
            respond(h->msg, h->type.c_str(), h->body);
            soup_server_message_unpause(h->msg);
        }
        return G_SOURCE_REMOVE;
    }

    static void on_request(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable* query,
                           gpointer data) {
        auto* self = static_cast<impl*>(data);
        ++self->hit_counts[path];
        if (const char* q = g_uri_get_query(soup_server_message_get_uri(msg)))
            ++self->hit_counts[std::string(path) + "?" + q];
        self->serve(msg, path, query);
    }

    void serve(SoupServerMessage* msg, std::string_view path, GHashTable* query) {
        auto fixed = fixed_pages.find(path);
        SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
        if (auto it = added.find(path); it != added.end()) {
            respond(msg, it->second.second.c_str(), it->second.first);
        } else if (path == "/slow.html") {
            hold(msg, query_number(query, "ms", 1500), html, fixed->second);
        } else if (path == "/slow-image.png") {
            hold(msg, query_number(query, "ms", 1500), "image/png", std::string(png));
        } else if (fixed != fixed_pages.end()) {
            respond(msg, html, fixed->second);
            if (path == "/storage.html")
                soup_message_headers_append(headers, "Set-Cookie", "srv=1; Path=/");
        } else if (path == "/redirect" || path == "/redirect2" || path == "/loop") {
            soup_server_message_set_redirect(
                msg, path == "/redirect" ? SOUP_STATUS_MOVED_PERMANENTLY : SOUP_STATUS_FOUND,
                path == "/redirect" ? "/redirect2"
                : path == "/loop"   ? "/loop"
                                    : "/title.html");
        } else if (path == "/download.zip") {
            respond(msg, "application/zip", zip);
            soup_message_headers_replace(headers, "Content-Disposition",
                                         "attachment; filename=\"file.zip\"");
        } else if (path == "/stall") {
            hold(msg, -1);
        } else if (path == "/reset") {
            g_autoptr(GIOStream) stream = soup_server_message_steal_connection(msg);
            if (stream)
                g_io_stream_close(stream, nullptr, nullptr);
        } else if (path == "/large") {
            respond(msg, html, large_page(query_number(query, "mb", 20)));
        } else {
            respond(msg, html, "<!DOCTYPE html><title>Not Found</title><h1>Not Found</h1>",
                    SOUP_STATUS_NOT_FOUND);
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
    impl_->added[std::move(path)] = {std::move(body), std::move(content_type)};
}

std::string PageServer::refused_url() {
    // A socket bound to a port but never listening: connections to it are refused, and no
    // other program can take the port while the test runs.
    static const int port = [] {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot reserve a port on 127.0.0.1");
        return int(ntohs(address.sin_port));
    }();
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

} // namespace zarnic::test
