#include "webview/web_view.h"

#include "app/constants.h"
#include "resources/resources.h"
#include "webview/address.h"
#include "webview/test_hooks.h"
#include "webview/web_view_config.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <deque>

namespace zarnic {

WebViewPages& web_view_pages() {
    static WebViewPages pages{kWebViewHome, kWebViewSearch, kWebViewSearchQuery};
    return pages;
}

namespace {

// How long the view waits for a finished page to hand over its title, and for a typed host to
// answer in TLS, before it goes on with what it has.
constexpr guint kTitleWaitMs = 2000;
constexpr guint kTlsProbeMs = 4000;
// A page that stops answering is ended after this long, so it cannot hold a beginner hostage.
constexpr guint kUnresponsiveKillMs = 6000;
// Script dialogs: at most this many within the window below; a page raising more gets no more.
constexpr size_t kDialogLimit = 3;
constexpr gint64 kDialogWindowUs = 10 * G_USEC_PER_SEC;
// A load broken by the network process's death is tried this many times, this far apart.
constexpr int kNetworkRetries = 6;
constexpr guint kNetworkRetryMs = 500;

std::string html_escape(const std::string& text) {
    char* escaped = g_markup_escape_text(text.c_str(), -1);
    std::string out(escaped);
    g_free(escaped);
    return out;
}

std::string notice_page(const std::string& title, const std::string& message) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + html_escape(title) +
           "</title><style>body{font-family:'Liberation Sans',Arial,sans-serif;background:#f4f7fb;"
           "color:#1d2733;margin:48px}h1{font-size:22px;color:#17365d}p{font-size:15px;"
           "line-height:1.5;max-width:40em}</style></head><body><h1>" +
           html_escape(title) + "</h1><p>" + html_escape(message) + "</p></body></html>";
}

// Serves zarnic://app/NAME from the pages compiled into the program.
void serve_zarnic_scheme(WebKitURISchemeRequest* request, gpointer) {
    const char* host = nullptr;
    GUri* uri = g_uri_parse(webkit_uri_scheme_request_get_uri(request), G_URI_FLAGS_NONE, nullptr);
    if (uri)
        host = g_uri_get_host(uri);
    std::string path = webkit_uri_scheme_request_get_path(request);
    GError* error = nullptr;
    GBytes* bytes = nullptr;
    if (host && g_str_equal(host, "app") && path.find("..") == std::string::npos) {
        if (path.empty() || path == "/")
            path = "/start.html";
        bytes = g_resources_lookup_data(resources::path("pages" + path).c_str(),
                                        G_RESOURCE_LOOKUP_FLAGS_NONE, &error);
    } else {
        error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "No such page");
    }
    if (uri)
        g_uri_unref(uri);
    if (!bytes) {
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    gboolean uncertain = FALSE;
    char* content_type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    char* mime = g_content_type_get_mime_type(content_type);
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    webkit_uri_scheme_request_finish(request, stream, gint64(g_bytes_get_size(bytes)),
                                     mime ? mime : "application/octet-stream");
    g_object_unref(stream);
    g_bytes_unref(bytes);
    g_free(mime);
    g_free(content_type);
}

// Downloads are refused: nothing a page offers is ever saved.
void cancel_download(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

// One ephemeral context for every view: no cookie, cache, history or storage reaches the disk,
// and every web process runs in WebKit's sandbox.
WebKitWebContext* shared_context() {
    static WebKitWebContext* context = [] {
        // Mesa would keep compiled shaders under the user's cache folder; they hold no browsing
        // data, but nothing of a session is to be left behind, and compiling them again is cheap.
        // Set before the engine starts, so its processes inherit it too.
        g_setenv("MESA_SHADER_CACHE_DISABLE", "true", FALSE);
        WebKitWebContext* ctx = webkit_web_context_new_ephemeral();
        webkit_web_context_set_sandbox_enabled(ctx, TRUE);
        webkit_web_context_register_uri_scheme(ctx, "zarnic", serve_zarnic_scheme, nullptr,
                                               nullptr);
        g_signal_connect(ctx, "download-started", G_CALLBACK(cancel_download), nullptr);
        return ctx;
    }();
    return context;
}

// A view that is never shown, loading nothing but about:blank, so that the engine's network
// and web processes start before the first browser window needs them.
WebKitWebView* g_warm_view = nullptr;
bool g_warm_taken = false;

// Once the view that took over the warm process has committed its first page, that page keeps
// the process alive and the warm view can go.
void release_warm_view(WebKitWebView* view, WebKitLoadEvent event, gpointer) {
    if (event != WEBKIT_LOAD_COMMITTED)
        return;
    g_signal_handlers_disconnect_by_func(view, reinterpret_cast<gpointer>(release_warm_view), nullptr);
    if (g_warm_view) {
        gtk_widget_destroy(GTK_WIDGET(g_warm_view));
        g_object_unref(g_warm_view);
        g_warm_view = nullptr;
    }
}

WebKitWebView* new_view() {
    if (!g_warm_view || g_warm_taken)
        return WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(shared_context()));
    // The first real view shares the warm view's web process.
    g_warm_taken = true;
    auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(g_warm_view));
    g_signal_connect(view, "load-changed", G_CALLBACK(release_warm_view), nullptr);
    return view;
}

bool is_attachment(WebKitURIResponse* response) {
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    if (!headers)
        return false;
    const char* disposition = soup_message_headers_get_one(headers, "Content-Disposition");
    return disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

// The error a load gets when the network process dies under it: the engine's own "internal
// error" (code 300 of its core domain), which is neither a network nor a policy error.
bool is_network_process_loss(const GError* error) {
    return error->code == 300 && g_strcmp0(g_quark_to_string(error->domain), "WebKitErrorDomain") == 0;
}

bool is_mailto(const char* uri) { return uri && g_ascii_strncasecmp(uri, "mailto:", 7) == 0; }

void open_mail_program(const std::string& uri) {
    g_app_info_launch_default_for_uri_async(uri.c_str(), nullptr, nullptr, nullptr, nullptr);
}

} // namespace

void web_view_warm_up() {
    if (g_warm_view)
        return;
    g_warm_view = WEBKIT_WEB_VIEW(g_object_ref_sink(webkit_web_view_new_with_context(shared_context())));
    webkit_web_view_load_uri(g_warm_view, "about:blank");
}

void web_view_trust_certificate(const std::string& pem_file, const std::string& host) {
    GError* error = nullptr;
    GTlsCertificate* cert = g_tls_certificate_new_from_file(pem_file.c_str(), &error);
    if (!cert) {
        g_warning("cannot read certificate %s: %s", pem_file.c_str(), error->message);
        g_error_free(error);
        return;
    }
    webkit_web_context_allow_tls_certificate_for_host(shared_context(), cert, host.c_str());
    g_object_unref(cert);
}

struct WebView::Impl {
    // A pending question to the engine (the page's title, or whether a host speaks TLS). It
    // outlives the view when the view goes first; `abandoned` then tells the answer to go away.
    struct Pending {
        explicit Pending(Impl* owner_impl, std::string https_uri = {}, std::string http_uri = {})
            : impl(owner_impl), https(std::move(https_uri)), http(std::move(http_uri)) {}
        Impl* impl;
        bool abandoned = false;
        bool timed_out = false;
        std::string https;
        std::string http;
    };

    WebView& owner;
    WebKitWebView* view;
    GCancellable* cancellable = g_cancellable_new();

    bool busy = false;
    std::string title;

    Pending* title_wait = nullptr;
    guint title_timer = 0;
    Pending* probe = nullptr;
    guint probe_timer = 0;
    GCancellable* probe_cancellable = nullptr;
    guint unresponsive_timer = 0;
    guint crash_idle = 0;
    // A load the network process's death broke, tried again a few times from a timer.
    std::string retry_uri;
    guint retry_idle = 0;
    int retries = 0;

    std::deque<gint64> dialog_times;
    int width_twips = 0;
    int height_twips = 0;

    explicit Impl(WebView& o)
        : owner(o)
        , view(WEBKIT_WEB_VIEW(g_object_ref_sink(new_view()))) {
        WebKitSettings* settings = webkit_web_view_get_settings(view);
        webkit_settings_set_enable_developer_extras(settings, FALSE);
        // Scripts may ask for windows: every such request opens in this view (see on_create),
        // so a page cannot bury a beginner in windows.
        webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
        webkit_settings_set_enable_write_console_messages_to_stdout(settings, FALSE);

        g_signal_connect(view, "notify::is-loading", G_CALLBACK(on_is_loading), this);
        g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), this);
        g_signal_connect(view, "notify::title", G_CALLBACK(on_title), this);
        g_signal_connect(view, "web-process-terminated", G_CALLBACK(on_terminated), this);
        g_signal_connect(view, "notify::is-web-process-responsive", G_CALLBACK(on_responsive), this);
        g_signal_connect(view, "decide-policy", G_CALLBACK(on_decide_policy), this);
        g_signal_connect(view, "create", G_CALLBACK(on_create), this);
        g_signal_connect(view, "permission-request", G_CALLBACK(on_permission), this);
        g_signal_connect(view, "script-dialog", G_CALLBACK(on_script_dialog), this);
        g_signal_connect(view, "load-failed", G_CALLBACK(on_load_failed), this);
    }

    ~Impl() {
        g_signal_handlers_disconnect_by_data(view, this);
        g_cancellable_cancel(cancellable);
        g_object_unref(cancellable);
        end_title_wait();
        end_probe();
        remove_source(unresponsive_timer);
        remove_source(crash_idle);
        remove_source(retry_idle);
        gtk_widget_destroy(GTK_WIDGET(view));
        g_object_unref(view);
    }

    std::string current_uri() const {
        const char* uri = webkit_web_view_get_uri(view);
        return uri ? uri : "";
    }

    // Every load the view is asked for makes it busy at once, also when the engine is still
    // busy with an earlier one and so announces nothing new.
    void begin_load() {
        end_probe();
        retries = 0;
        remove_source(retry_idle);
        set_busy();
    }

    void load(const std::string& uri) {
        begin_load();
        webkit_web_view_load_uri(view, uri.c_str());
    }

    void set_busy() {
        busy = true;
        end_title_wait();
    }

    // The load has ended and the page's title is known: the view is idle from here on.
    void settle(std::string page_title) {
        end_title_wait();
        title = std::move(page_title);
        busy = false;
    }

    std::string engine_title() const {
        const char* t = webkit_web_view_get_title(view);
        return t ? t : "";
    }

    // --- the end of a load and its title ---------------------------------------------------

    static void on_is_loading(WebKitWebView* v, GParamSpec*, Impl* self) {
        if (webkit_web_view_is_loading(v)) {
            self->set_busy();
            return;
        }
        // A load has ended (successfully, failed, stopped, handed off, or its process died).
        self->owner.DownloadComplete.emit();
    }

    static void on_load_changed(WebKitWebView*, WebKitLoadEvent event, Impl* self) {
        if (event == WEBKIT_LOAD_STARTED) {
            self->set_busy();
        } else if (event == WEBKIT_LOAD_COMMITTED && self->retries > 0) {
            // Right after the network process has died, the engine may answer a load with an
            // empty page of its own instead of asking the server: try again.
            if (self->is_synthetic_answer() && self->retries < kNetworkRetries)
                self->schedule_retry(self->current_uri());
            else
                self->retries = 0;
        } else if (event == WEBKIT_LOAD_FINISHED && !webkit_web_view_is_loading(self->view) &&
                   !self->retry_idle) {
            // The engine may report the end before it delivers the title; ask the page itself.
            // (When another load, such as an error page, is already under way, its own end
            // asks instead.)
            self->ask_title();
        }
    }

    void ask_title() {
        end_title_wait();
        title_wait = new Pending(this);
        title_timer = g_timeout_add(kTitleWaitMs, on_title_timeout, this);
        webkit_web_view_evaluate_javascript(view, "document.title", -1, "zarnic", nullptr,
                                            cancellable, on_title_answer, title_wait);
    }

    static void remove_source(guint& id) {
        if (id)
            g_source_remove(id);
        id = 0;
    }

    static void abandon(Pending*& pending) {
        if (pending)
            pending->abandoned = true;
        pending = nullptr;
    }

    void end_title_wait() {
        remove_source(title_timer);
        abandon(title_wait);
    }

    static void on_title_answer(GObject* source, GAsyncResult* result, gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        GError* error = nullptr;
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
        std::string answer;
        if (value) {
            char* text = jsc_value_to_string(value);
            answer = text ? text : "";
            g_free(text);
            g_object_unref(value);
        }
        bool answered = error == nullptr;
        if (error)
            g_error_free(error);
        // A new load, Stop or the view's end abandons the question; its answer is stale.
        if (pending->abandoned) {
            delete pending;
            return;
        }
        Impl* self = pending->impl;
        delete pending;
        self->title_wait = nullptr;
        if (webkit_web_view_is_loading(self->view)) {
            self->end_title_wait(); // a newer load has begun; its end settles the title
            return;
        }
        // A script error (no script world in this document) still leaves the engine's title.
        self->settle(answered ? answer : self->engine_title());
    }

    static gboolean on_title_timeout(gpointer data) {
        auto* self = static_cast<Impl*>(data);
        self->title_timer = 0;
        // The page did not answer in time (its process hangs): go on with what the engine knows.
        self->settle(self->engine_title());
        return G_SOURCE_REMOVE;
    }

    static void on_title(WebKitWebView*, GParamSpec*, Impl* self) {
        // Titles a page sets later, by script, once its load is over.
        if (!self->busy)
            self->title = self->engine_title();
    }

    // --- engine processes that die or stop answering ------------------------------------------

    static gboolean on_load_failed(WebKitWebView*, WebKitLoadEvent, char* uri, GError* error,
                                   Impl* self) {
        // The network process died under this load; the engine starts a new one on demand, so
        // the load is tried again instead of showing an error the user did not cause.
        if (is_network_process_loss(error) && self->retries < kNetworkRetries && uri && *uri) {
            self->schedule_retry(uri);
            return TRUE;
        }
        return FALSE;
    }

    void schedule_retry(const std::string& uri) {
        ++retries;
        retry_uri = uri;
        if (!retry_idle)
            retry_idle = g_timeout_add(kNetworkRetryMs, on_retry, this);
    }

    static gboolean on_retry(gpointer data) {
        auto* self = static_cast<Impl*>(data);
        self->retry_idle = 0;
        self->set_busy();
        webkit_web_view_load_uri(self->view, self->retry_uri.c_str());
        return G_SOURCE_REMOVE;
    }

    // A web page's answer that no server gave: no HTTP status.
    bool is_synthetic_answer() const {
        const std::string uri = current_uri();
        if (uri.rfind("http:", 0) != 0 && uri.rfind("https:", 0) != 0)
            return false;
        WebKitWebResource* resource = webkit_web_view_get_main_resource(view);
        WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
        return !response || webkit_uri_response_get_status_code(response) == 0;
    }

    static void on_terminated(WebKitWebView*, WebKitWebProcessTerminationReason, Impl* self) {
        self->settle("");
        // The engine still reports the end of the interrupted load after this signal; the
        // notice page is loaded once that is over.
        if (!self->crash_idle)
            self->crash_idle = g_idle_add(on_show_crash_notice, self);
    }

    static gboolean on_show_crash_notice(gpointer data) {
        auto* self = static_cast<Impl*>(data);
        self->crash_idle = 0;
        std::string uri = self->current_uri();
        std::string page = notice_page(
            "This page stopped working",
            "Zarnic! had to close this page because it stopped working. Click Refresh to try "
            "again, or type another address.");
        // Keep the page's address, so that Refresh tries the page again.
        webkit_web_view_load_alternate_html(self->view, page.c_str(),
                                            uri.empty() ? "about:blank" : uri.c_str(), nullptr);
        return G_SOURCE_REMOVE;
    }

    static void on_responsive(WebKitWebView* v, GParamSpec*, Impl* self) {
        if (webkit_web_view_get_is_web_process_responsive(v)) {
            remove_source(self->unresponsive_timer);
            return;
        }
        if (self->busy)
            self->settle(self->engine_title());
        if (!self->unresponsive_timer)
            self->unresponsive_timer = g_timeout_add(kUnresponsiveKillMs, on_unresponsive_timeout, self);
    }

    static gboolean on_unresponsive_timeout(gpointer data) {
        auto* self = static_cast<Impl*>(data);
        self->unresponsive_timer = 0;
        if (!webkit_web_view_get_is_web_process_responsive(self->view))
            webkit_web_view_terminate_web_process(self->view);
        return G_SOURCE_REMOVE;
    }

    // --- what pages may do -------------------------------------------------------------------

    static gboolean on_decide_policy(WebKitWebView* v, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, Impl*) {
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
            auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
            WebKitURIResponse* response = webkit_response_policy_decision_get_response(response_decision);
            bool main_frame = webkit_response_policy_decision_is_main_frame_main_resource(response_decision);
            if (main_frame && (!webkit_response_policy_decision_is_mime_type_supported(response_decision) ||
                               is_attachment(response))) {
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
            return FALSE;
        }
        auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        const char* uri = webkit_uri_request_get_uri(request);
        if (is_mailto(uri)) {
            open_mail_program(uri);
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
            // A link that asks for a new window opens in this one.
            webkit_policy_decision_ignore(decision);
            if (uri && *uri)
                webkit_web_view_load_request(v, request);
            return TRUE;
        }
        return FALSE;
    }

    static GtkWidget* on_create(WebKitWebView* v, WebKitNavigationAction* action, Impl*) {
        // Scripts that open windows get this view instead.
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        const char* uri = webkit_uri_request_get_uri(request);
        if (uri && *uri && !is_mailto(uri))
            webkit_web_view_load_request(v, request);
        return nullptr;
    }

    static gboolean on_permission(WebKitWebView*, WebKitPermissionRequest* request, Impl*) {
        webkit_permission_request_deny(request);
        return TRUE;
    }

    static gboolean on_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog, Impl* self) {
        gint64 now = g_get_monotonic_time();
        while (!self->dialog_times.empty() && now - self->dialog_times.front() > kDialogWindowUs)
            self->dialog_times.pop_front();
        if (self->dialog_times.size() < kDialogLimit) {
            self->dialog_times.push_back(now);
            return FALSE; // the engine shows its own dialog
        }
        // Answered without showing anything: "no" to questions, leaving a page is allowed.
        switch (webkit_script_dialog_get_dialog_type(dialog)) {
        case WEBKIT_SCRIPT_DIALOG_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
            break;
        case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
            break;
        default:
            break;
        }
        return TRUE;
    }

    // --- typed hosts: https first, http when nothing answers in TLS --------------------------

    void start_probe(const AddressPlan& plan) {
        begin_load();
        probe = new Pending(this, plan.uri, plan.fallback);
        probe_cancellable = g_cancellable_new();
        std::string host_port = plan.uri.substr(std::string_view("https://").size());
        size_t end = host_port.find_first_of("/?#");
        if (end != std::string::npos)
            host_port.resize(end);
        GSocketClient* client = g_socket_client_new();
        g_socket_client_set_tls(client, TRUE);
        g_signal_connect(client, "event", G_CALLBACK(on_probe_event), nullptr);
        g_socket_client_connect_to_host_async(client, host_port.c_str(), 443, probe_cancellable,
                                              on_probe_done, probe);
        g_object_unref(client);
        probe_timer = g_timeout_add(kTlsProbeMs, on_probe_timeout, this);
    }

    void end_probe() {
        remove_source(probe_timer);
        abandon(probe);
        if (probe_cancellable) {
            g_cancellable_cancel(probe_cancellable);
            g_object_unref(probe_cancellable);
            probe_cancellable = nullptr;
        }
    }

    // The probe only asks whether TLS is spoken there: the engine checks the certificate when
    // it loads the page, and shows its error page when it is wrong.
    static void on_probe_event(GSocketClient*, GSocketClientEvent event, GSocketConnectable*,
                               GIOStream* connection, gpointer) {
        if (event == G_SOCKET_CLIENT_TLS_HANDSHAKING)
            g_signal_connect(connection, "accept-certificate", G_CALLBACK(accept_any_certificate),
                             nullptr);
    }

    static gboolean accept_any_certificate(GTlsConnection*, GTlsCertificate*, GTlsCertificateFlags,
                                           gpointer) {
        return TRUE;
    }

    static gboolean on_probe_timeout(gpointer data) {
        auto* self = static_cast<Impl*>(data);
        self->probe_timer = 0;
        self->probe->timed_out = true;
        g_cancellable_cancel(self->probe_cancellable);
        return G_SOURCE_REMOVE;
    }

    static void on_probe_done(GObject* source, GAsyncResult* result, gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        GError* error = nullptr;
        GSocketConnection* connection =
            g_socket_client_connect_to_host_finish(G_SOCKET_CLIENT(source), result, &error);
        if (connection)
            g_object_unref(connection);
        bool use_http = pending->timed_out ||
                        (error && (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED) ||
                                   g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT) ||
                                   g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_CLOSED) ||
                                   g_error_matches(error, G_IO_ERROR, G_IO_ERROR_BROKEN_PIPE) ||
                                   error->domain == G_TLS_ERROR));
        if (error)
            g_error_free(error);
        if (pending->abandoned) {
            delete pending;
            return;
        }
        Impl* self = pending->impl;
        std::string uri = use_http ? pending->http : pending->https;
        self->probe = nullptr;
        delete pending;
        self->end_probe();
        webkit_web_view_load_uri(self->view, uri.c_str());
    }

    void show_notice(const std::string& heading, const std::string& message) {
        std::string page = notice_page(heading, message);
        webkit_web_view_load_alternate_html(view, page.c_str(), "about:blank", nullptr);
    }
};

WebView::WebView() : impl_(std::make_unique<Impl>(*this)) {}
WebView::~WebView() = default;

Gtk::Widget& WebView::widget() { return *Glib::wrap(GTK_WIDGET(impl_->view)); }

void WebView::Navigate(const std::string& address) {
    AddressPlan plan = plan_address(address, web_view_pages().search_query);
    switch (plan.kind) {
    case AddressPlan::Kind::Nothing:
        break;
    case AddressPlan::Kind::Load:
    case AddressPlan::Kind::Search:
        impl_->load(plan.uri);
        break;
    case AddressPlan::Kind::Secure:
        impl_->start_probe(plan);
        break;
    case AddressPlan::Kind::Mail:
        open_mail_program(plan.uri);
        break;
    case AddressPlan::Kind::Refused:
        impl_->begin_load();
        impl_->show_notice("This address cannot be opened",
                           "Zarnic! does not open \"" + plan.scheme +
                               ":\" addresses. Check the address and try again, or type the "
                               "name of a website, for example www.debian.org.");
        break;
    }
}

bool WebView::GoBack() {
    if (!webkit_web_view_can_go_back(impl_->view))
        return false;
    impl_->begin_load();
    webkit_web_view_go_back(impl_->view);
    return true;
}

bool WebView::GoForward() {
    if (!webkit_web_view_can_go_forward(impl_->view))
        return false;
    impl_->begin_load();
    webkit_web_view_go_forward(impl_->view);
    return true;
}

void WebView::GoHome() { impl_->load(web_view_pages().home); }

void WebView::GoSearch() { impl_->load(web_view_pages().search); }

void WebView::Refresh() {
    impl_->begin_load();
    webkit_web_view_reload(impl_->view);
}

void WebView::Stop() {
    impl_->end_probe();
    bool was_loading = webkit_web_view_is_loading(impl_->view);
    webkit_web_view_stop_loading(impl_->view);
    if (impl_->busy || was_loading) {
        // The view keeps the page it had; its name is what the engine shows now.
        std::string shown = impl_->engine_title();
        impl_->set_busy();
        impl_->settle(shown.empty() ? impl_->title : shown);
    }
}

bool WebView::Busy() const { return impl_->busy; }

std::string WebView::LocationName() const {
    return impl_->title.empty() ? impl_->current_uri() : impl_->title;
}

std::string WebView::LocationURL() const { return impl_->current_uri(); }

void WebView::Width(int twips) {
    impl_->width_twips = std::max(0, twips);
    gtk_widget_set_size_request(GTK_WIDGET(impl_->view), impl_->width_twips / 15,
                                impl_->height_twips / 15);
}

void WebView::Height(int twips) {
    impl_->height_twips = std::max(0, twips);
    gtk_widget_set_size_request(GTK_WIDGET(impl_->view), impl_->width_twips / 15,
                                impl_->height_twips / 15);
}

int WebView::Width() const { return impl_->width_twips; }
int WebView::Height() const { return impl_->height_twips; }

} // namespace zarnic
