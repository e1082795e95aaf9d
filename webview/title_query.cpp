#include "webview/title_query.h"

namespace zarnic {
namespace {

// How long the view waits for a finished page to hand over its title before it goes on with
// what the engine knows.
constexpr guint title_wait_ms = 2000;

} // namespace

title_query::title_query(WebKitWebView* view, load_state& state)
    : view_(view)
    , state_(state) {}

title_query::~title_query() {
    abandon();
}

void title_query::ask() {
    abandon();
    cancellable_ = g_cancellable_new();
    timer_ = g_timeout_add(title_wait_ms, on_timeout, this);
    // The question runs in a script world of its own, out of reach of the page's scripts.
    webkit_web_view_evaluate_javascript(view_, "document.title", -1, "zarnic", nullptr,
                                        cancellable_, on_answer, this);
}

void title_query::abandon() {
    g_clear_handle_id(&timer_, g_source_remove);
    if (cancellable_) {
        g_cancellable_cancel(cancellable_);
        g_clear_object(&cancellable_);
    }
}

void title_query::on_answer(GObject* source, GAsyncResult* result, gpointer data) {
    g_autoptr(GError) error = nullptr;
    g_autoptr(JSCValue) value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    // An abandoned question: its answer is stale, and data may point to a title_query that is
    // gone. WebKit checks the cancellable as it hands over the answer, so this is reliable.
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED))
        return;
    auto* self = static_cast<title_query*>(data);
    self->abandon(); // answered: the timer goes
    if (webkit_web_view_is_loading(self->view_))
        return; // a newer load has begun; its end settles the title
    std::string answer;
    if (value) {
        g_autofree char* text = jsc_value_to_string(value);
        answer = text ? text : "";
    }
    // A script error (no script world in this document) still leaves the engine's title.
    self->state_.settle(error ? engine_title(self->view_) : answer);
}

gboolean title_query::on_timeout(gpointer data) {
    auto* self = static_cast<title_query*>(data);
    self->timer_ = 0;
    // The page did not answer in time (its process hangs): go on with what the engine knows.
    // Settling abandons the question, so a late answer changes nothing.
    self->state_.settle(engine_title(self->view_));
    return G_SOURCE_REMOVE;
}

} // namespace zarnic
