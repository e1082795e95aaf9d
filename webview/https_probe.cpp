#include "webview/https_probe.h"

#include <string_view>

namespace zarnic {
namespace {

// How long the view waits for a typed host to answer in TLS before it loads the http address.
constexpr guint tls_probe_ms = 4000;

// Whether the way the connection failed says that nothing on the port speaks TLS. Other
// failures (an unknown host, no route) go to the https address, where the engine's error page
// names them.
bool lacks_tls(const GError* error) {
    return error && (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED) ||
                     g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT) ||
                     g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_CLOSED) ||
                     g_error_matches(error, G_IO_ERROR, G_IO_ERROR_BROKEN_PIPE) ||
                     error->domain == G_TLS_ERROR);
}

} // namespace

https_probe::https_probe(WebKitWebView* view)
    : view_(view) {}

https_probe::~https_probe() {
    abandon();
}

void https_probe::start(const address_plan& plan) {
    abandon();
    https_ = plan.uri;
    http_ = plan.fallback;
    cancellable_ = g_cancellable_new();
    std::string host_port = plan.uri.substr(std::string_view("https://").size());
    size_t end = host_port.find_first_of("/?#");
    if (end != std::string::npos)
        host_port.resize(end);
    // The socket client checks the cancellable only while it connects, not as it hands over its
    // result, so a connection made just before the probe is abandoned could still come back as
    // made. The result therefore goes through a task of the probe's own, which checks as it
    // hands over: once the probe is abandoned, on_answer sees G_IO_ERROR_CANCELLED whatever the
    // socket client found.
    GTask* task = g_task_new(nullptr, cancellable_, on_answer, this);
    g_autoptr(GSocketClient) client = g_socket_client_new();
    g_socket_client_set_tls(client, TRUE);
    g_signal_connect(client, "event", G_CALLBACK(on_event), nullptr);
    g_socket_client_connect_to_host_async(client, host_port.c_str(), 443, cancellable_,
                                          on_connected, task);
    timer_ = g_timeout_add(tls_probe_ms, on_timeout, this);
}

void https_probe::abandon() {
    g_clear_handle_id(&timer_, g_source_remove);
    if (cancellable_) {
        g_cancellable_cancel(cancellable_);
        g_clear_object(&cancellable_);
    }
}

void https_probe::finish(bool use_http) {
    std::string uri = use_http ? http_ : https_;
    abandon();
    webkit_web_view_load_uri(view_, uri.c_str());
}

// The probe only asks whether TLS is spoken there: the engine checks the certificate when it
// loads the page, and shows its error page when it is wrong.
void https_probe::on_event(GSocketClient*, GSocketClientEvent event, GSocketConnectable*,
                           GIOStream* connection, gpointer) {
    if (event == G_SOCKET_CLIENT_TLS_HANDSHAKING)
        g_signal_connect(connection, "accept-certificate", G_CALLBACK(accept_any_certificate),
                         nullptr);
}

gboolean https_probe::accept_any_certificate(GTlsConnection*, GTlsCertificate*,
                                             GTlsCertificateFlags, gpointer) {
    return TRUE;
}

// Passes the socket client's result on to the probe's task (data, whose reference it takes
// over). It never touches the probe itself, which may be gone by now.
void https_probe::on_connected(GObject* source, GAsyncResult* result, gpointer data) {
    g_autoptr(GTask) task = G_TASK(data);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GSocketConnection) connection =
        g_socket_client_connect_to_host_finish(G_SOCKET_CLIENT(source), result, &error);
    g_task_return_boolean(task, lacks_tls(error));
}

void https_probe::on_answer(GObject*, GAsyncResult* result, gpointer data) {
    g_autoptr(GError) error = nullptr;
    bool use_http = g_task_propagate_boolean(G_TASK(result), &error);
    // Abandoned: data may point to an https_probe that is gone.
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return;
    static_cast<https_probe*>(data)->finish(use_http);
}

gboolean https_probe::on_timeout(gpointer data) {
    auto* self = static_cast<https_probe*>(data);
    self->timer_ = 0;
    // Nothing answered in TLS in time: the connection attempt is abandoned, and its answer with
    // it, and the http address loads.
    self->finish(true);
    return G_SOURCE_REMOVE;
}

} // namespace zarnic
