#include "webview/process_watch.h"

namespace zarnic {
namespace {

// A page that stops answering is ended after this long, so it cannot hold a beginner hostage.
constexpr guint unresponsive_kill_ms = 6000;
// A load broken by the network process's death is tried this many times, this far apart.
constexpr int network_retries = 6;
constexpr guint network_retry_ms = 500;

// The error a load gets when the network process dies under it: the engine's own "internal
// error" (code 300 of its core domain), which is neither a network nor a policy error.
bool is_network_process_loss(const GError* error) {
    return error->code == 300 &&
           g_strcmp0(g_quark_to_string(error->domain), "WebKitErrorDomain") == 0;
}

} // namespace

process_watch::process_watch(WebKitWebView* view, load_state& state)
    : view_(view)
    , state_(state) {
    // The address is gone once the process is: keep the last one the view showed.
    g_signal_connect(view_, "notify::uri", G_CALLBACK(on_uri), this);
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(on_terminated), this);
    g_signal_connect(view_, "notify::is-web-process-responsive", G_CALLBACK(on_responsive), this);
}

process_watch::~process_watch() {
    g_signal_handlers_disconnect_by_data(view_, this);
    g_clear_handle_id(&retry_timer_, g_source_remove);
    g_clear_handle_id(&crash_idle_, g_source_remove);
    g_clear_handle_id(&unresponsive_timer_, g_source_remove);
}

bool process_watch::try_again(const std::string& uri) {
    if (retries_ >= network_retries)
        return false;
    schedule_retry(uri);
    return true;
}

void process_watch::reset() {
    retries_ = 0;
    g_clear_handle_id(&retry_timer_, g_source_remove);
}

// --- the network process ---------------------------------------------------------------------

void process_watch::committed() {
    if (retries_ == 0)
        return;
    // Right after the network process has died, the engine may answer a load with an empty
    // page of its own instead of asking the server: try again.
    if (is_synthetic_answer() && retries_ < network_retries)
        schedule_retry(current_uri(view_));
    else
        retries_ = 0;
}

bool process_watch::network_lost(const std::string& uri, const GError* error) {
    // The network process died under this load; the engine starts a new one on demand, so the
    // load is tried again instead of showing an error the user did not cause.
    if (!is_network_process_loss(error) || retries_ >= network_retries || uri.empty())
        return false;
    schedule_retry(uri);
    return true;
}

void process_watch::schedule_retry(const std::string& uri) {
    ++retries_;
    retry_uri_ = uri;
    if (!retry_timer_)
        retry_timer_ = g_timeout_add(network_retry_ms, on_retry, this);
}

gboolean process_watch::on_retry(gpointer data) {
    auto* self = static_cast<process_watch*>(data);
    self->retry_timer_ = 0;
    self->state_.set_busy();
    // The page shown is the one that broke (a reload): reloaded, it keeps its place in history.
    if (current_uri(self->view_) == self->retry_uri_)
        webkit_web_view_reload(self->view_);
    else
        webkit_web_view_load_uri(self->view_, self->retry_uri_.c_str());
    return G_SOURCE_REMOVE;
}

// A web page's answer that no server gave: no HTTP status.
bool process_watch::is_synthetic_answer() const {
    const std::string uri = current_uri(view_);
    if (!is_web_address(uri))
        return false;
    WebKitWebResource* resource = webkit_web_view_get_main_resource(view_);
    WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
    return !response || webkit_uri_response_get_status_code(response) == 0;
}

// --- the web process -------------------------------------------------------------------------

void process_watch::on_uri(WebKitWebView* view, GParamSpec*, process_watch* self) {
    std::string uri = current_uri(view);
    if (!uri.empty())
        self->last_uri_ = std::move(uri);
}

void process_watch::on_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                  process_watch* self) {
    // The view stays as busy as it was until the page saying what happened is up: a window
    // waiting for the end of a load then shows that page's title, never an empty one.
    // The view ends a process only when it stopped answering (see on_unresponsive_timeout).
    self->ended_ = reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? problem::too_much_memory
                   : reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API   ? problem::hung
                                                                      : problem::crashed;
    // The engine still reports the end of the interrupted load after this signal; the page
    // saying what happened is loaded once that is over.
    if (!self->crash_idle_)
        self->crash_idle_ = g_idle_add(on_show_ended_page, self);
}

gboolean process_watch::on_show_ended_page(gpointer data) {
    auto* self = static_cast<process_watch*>(data);
    self->crash_idle_ = 0;
    // Under the page's address, so that Refresh tries the page again.
    const std::string& uri = self->last_uri_;
    self->state_.show_problem_page(self->ended_, uri.empty() ? "about:blank" : uri, uri, {});
    return G_SOURCE_REMOVE;
}

void process_watch::on_responsive(WebKitWebView* view, GParamSpec*, process_watch* self) {
    if (webkit_web_view_get_is_web_process_responsive(view)) {
        g_clear_handle_id(&self->unresponsive_timer_, g_source_remove);
        return;
    }
    if (self->state_.is_busy())
        self->state_.settle(engine_title(view));
    if (!self->unresponsive_timer_)
        self->unresponsive_timer_ =
            g_timeout_add(unresponsive_kill_ms, on_unresponsive_timeout, self);
}

gboolean process_watch::on_unresponsive_timeout(gpointer data) {
    auto* self = static_cast<process_watch*>(data);
    self->unresponsive_timer_ = 0;
    if (!webkit_web_view_get_is_web_process_responsive(self->view_))
        webkit_web_view_terminate_web_process(self->view_);
    return G_SOURCE_REMOVE;
}

} // namespace zarnic
