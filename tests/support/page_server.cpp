#include "page_server.h"

#include <libsoup/soup.h>

#include <cstdio>
#include <list>
#include <map>
#include <stdexcept>

namespace zarnic::test {
namespace {

// How the server answers a path beyond serving its page (the file of that name in the pages
// folder): delay_ms late (never, when negative), with the status and one header if named;
// status 0 closes the connection without any answer.
struct route {
    guint status = SOUP_STATUS_OK;
    long delay_ms = 0;
    std::pair<const char*, const char*> header{};
};

// A path without a route (r null) is a page, or a 404 when there is none of that name.
void answer(SoupServerMessage* msg, const std::string& path, const route* r) {
    if (r && r->status == 0) {
        g_autoptr(GIOStream) stream = soup_server_message_steal_connection(msg);
        if (stream)
            g_io_stream_close(stream, nullptr, nullptr);
        return;
    }
    g_autofree gchar* body = nullptr;
    gsize size = 0;
    const bool page =
        g_file_get_contents((ZARNIC_TEST_SUPPORT "/pages" + path).c_str(), &body, &size, nullptr);
    if (!page && !r)
        g_file_get_contents(ZARNIC_TEST_SUPPORT "/pages/not-found.html", &body, &size, nullptr);
    soup_server_message_set_status(msg, r ? r->status : page ? 200 : 404, nullptr);
    soup_server_message_set_response(
        msg, path.ends_with(".zip") ? "application/zip" : "text/html; charset=utf-8",
        SOUP_MEMORY_COPY, body, size);
    if (r && r->header.first)
        soup_message_headers_append(soup_server_message_get_response_headers(msg), r->header.first,
                                    r->header.second);
}

} // namespace

struct PageServer::impl {
    // A request answered later (or never): paused, and answered by a timer, which goes when
    // the request ends first.
    struct held {
        SoupServerMessage* msg;
        std::string path;
        const route* answer;
        guint timer = 0;
    };

    // A certificate made for this server alone (127.0.0.1 and localhost), valid for a century:
    //   openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 36500
    //     -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost
    //     -keyout key.pem -out cert.pem
    std::string cert_path = ZARNIC_TEST_SUPPORT "/tls/cert.pem";
    SoupServer* server = nullptr;
    std::map<std::string, int> ports; // by scheme
    std::map<std::string, int, std::less<>> hit_counts;
    std::list<held> held_requests; // a list, so each keeps its address
    // The paths that are more than a page.
    std::map<std::string, route, std::less<>> routes{
        {"/slow.html", {.delay_ms = 1500}},
        {"/redirect", {.status = 301, .header = {"Location", "/redirect2"}}},
        {"/redirect2", {.status = 302, .header = {"Location", "/title.html"}}},
        {"/loop", {.status = 302, .header = {"Location", "/loop"}}},
        {"/to-port", {.status = 302, .header = {"Location", "http://127.0.0.1:25/"}}},
        {"/download.zip", {.header = {"Content-Disposition", "attachment; filename=\"file.zip\""}}},
        {"/storage.html", {.header = {"Set-Cookie", "srv=1; Path=/"}}},
        {"/stall", {.delay_ms = -1}},
        {"/reset", {.status = 0}},
    };

    impl() {
        g_autoptr(GError) error = nullptr;
        g_autoptr(GTlsCertificate) cert = g_tls_certificate_new_from_files(
            cert_path.c_str(), ZARNIC_TEST_SUPPORT "/tls/key.pem", &error);
        if (!cert)
            throw std::runtime_error(std::string("no test certificate: ") + error->message);
        // One server listens on both ports; only the one opened for https speaks TLS.
        server = soup_server_new("tls-certificate", cert, nullptr);
        soup_server_add_handler(server, nullptr, &impl::on_request, this, nullptr);
        g_autoptr(GSocketAddress) address = g_inet_socket_address_new_from_string("127.0.0.1", 0);
        for (auto options : {SoupServerListenOptions(0), SOUP_SERVER_LISTEN_HTTPS})
            if (!soup_server_listen(server, address, options, &error))
                throw std::runtime_error(std::string("cannot listen: ") + error->message);
        GSList* uris = soup_server_get_uris(server);
        for (GSList* uri = uris; uri; uri = uri->next)
            ports[g_uri_get_scheme(static_cast<GUri*>(uri->data))] =
                g_uri_get_port(static_cast<GUri*>(uri->data));
        g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    }

    ~impl() {
        for (held& h : held_requests)
            g_clear_handle_id(&h.timer, g_source_remove);
        soup_server_disconnect(server);
        g_object_unref(server);
        for (held& h : held_requests)
            g_object_unref(h.msg);
    }

    static void on_request(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                           gpointer data) {
        auto* self = static_cast<impl*>(data);
        const auto found = self->routes.find(path);
        const route* r = found == self->routes.end() ? nullptr : &found->second;
        long delay = r ? r->delay_ms : 0;
        ++self->hit_counts[path];
        if (const char* query = g_uri_get_query(soup_server_message_get_uri(msg))) {
            ++self->hit_counts[std::string(path) + "?" + query];
            std::sscanf(query, "ms=%ld", &delay);
        }
        if (delay == 0)
            return answer(msg, path, r);
        held& h = self->held_requests.emplace_back(held{msg, path, r});
        g_object_ref(msg);
        soup_server_message_pause(msg);
        g_signal_connect(msg, "finished", G_CALLBACK(+[](SoupServerMessage*, held* record) {
                             g_clear_handle_id(&record->timer, g_source_remove);
                         }),
                         &h);
        if (delay > 0)
            h.timer = g_timeout_add(guint(delay), &impl::answer_held, &h);
    }

    static gboolean answer_held(gpointer data) {
        auto* h = static_cast<held*>(data);
        h->timer = 0;
        answer(h->msg, h->path, h->answer);
        soup_server_message_unpause(h->msg);
        return G_SOURCE_REMOVE;
    }
};

PageServer::PageServer()
    : impl_(std::make_unique<impl>()) {}

PageServer::~PageServer() = default;

std::string PageServer::url(std::string_view path, bool https) const {
    const std::string scheme = https ? "https" : "http";
    return scheme + "://127.0.0.1:" + std::to_string(impl_->ports.at(scheme)) + std::string(path);
}

const std::string& PageServer::certificate_pem() const {
    return impl_->cert_path;
}

int PageServer::hits(std::string_view path) const {
    return impl_->hit_counts.count(path) ? impl_->hit_counts.find(path)->second : 0;
}

std::string PageServer::refused_url() {
    // A socket bound to a port but never listening: connections to it are refused, and no
    // other program can take the port while the test runs.
    static const int port = [] {
        GSocket* socket = g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM,
                                       G_SOCKET_PROTOCOL_TCP, nullptr);
        g_autoptr(GSocketAddress) any = g_inet_socket_address_new_from_string("127.0.0.1", 0);
        g_autoptr(GSocketAddress) bound = nullptr;
        if (!socket || !g_socket_bind(socket, any, FALSE, nullptr) ||
            !(bound = g_socket_get_local_address(socket, nullptr)))
            throw std::runtime_error("cannot reserve a port on 127.0.0.1");
        return int(g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound)));
    }();
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

} // namespace zarnic::test
