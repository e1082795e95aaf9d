#include "webview/web_view.h"

#include "resources/constants.h"
#include "ui/layout.h"
#include "webview/address.h"
#include "webview/https_probe.h"
#include "webview/page_rules.h"
#include "webview/problem_page.h"
#include "webview/process_watch.h"
#include "webview/test_hooks.h"
#include "webview/title_query.h"
#include "webview/view_parts.h"
#include "webview/web_context.h"

#include <algorithm>
#include <utility>

namespace zarnic {

engine_pages& web_view_pages() {
    static engine_pages pages{web_view_home, web_view_search, web_view_search_query};
    return pages;
}

namespace {

bool is_web_address(const std::string& uri) {
    const char* scheme = g_uri_peek_scheme(uri.c_str());
    return scheme && (g_str_equal(scheme, "http") || g_str_equal(scheme, "https"));
}

// Destroys the engine's view and drops the reference the web view holds on it.
struct view_deleter {
    void operator()(WebKitWebView* view) const {
        gtk_widget_destroy(GTK_WIDGET(view));
        g_object_unref(view);
    }
};

} // namespace

// The view keeps its own busy flag and the name of the page shown; its parts (see view_parts.h)
// do the rest of the work and report to it through load_state.
struct web_view::impl final : load_state {
    web_view& owner;
    // The engine's view. Members are destroyed in reverse order, so the view goes last: every
    // part below has let go of its signals and timers by then.
    std::unique_ptr<WebKitWebView, view_deleter> held;
    WebKitWebView* const view;

    bool busy = false;
    std::string title;
    // While a problem page shows: the address it stands for, which the view reports and which
    // Refresh loads again (the address that failed, or the text typed for one it cannot open).
    std::string problem_address;
    // What the load under way has met: the address it is bound for (after any redirection),
    // redirections followed, a certificate not checked.
    std::string bound_for;
    int redirections = 0;
    // Ends of loads that are over already: a stopped load, and a failed one whose page the view
    // shows instead, still announce their end, late, and maybe after the next load has begun.
    // Those ends are not the end of the load under way, and are let pass.
    int stale_finishes = 0;
    bool stopping = false; // Stop has cancelled the load under way
    bool tls_failed = false;
    GTlsCertificateFlags tls_errors = GTlsCertificateFlags(0);
    int width_twips = 0;
    int height_twips = 0;

    title_query query;
    https_probe probe;
    process_watch watch;
    page_rules rules;

    explicit impl(web_view& o)
        : owner(o)
        , held(WEBKIT_WEB_VIEW(g_object_ref_sink(new_view())))
        , view(held.get())
        , query(view, *this)
        , probe(view)
        , watch(view, *this)
        , rules(view) {
        g_signal_connect(view, "notify::is-loading", G_CALLBACK(on_is_loading), this);
        g_signal_connect(view, "load-changed", G_CALLBACK(on_load_changed), this);
        g_signal_connect(view, "notify::title", G_CALLBACK(on_title), this);
        // After process_watch's handler, which takes the failures it tries again.
        g_signal_connect(view, "load-failed", G_CALLBACK(on_load_failed), this);
        g_signal_connect(view, "load-failed-with-tls-errors", G_CALLBACK(on_tls_errors), this);
    }

    ~impl() { g_signal_handlers_disconnect_by_data(view, this); }

    // Every load the view is asked for makes it busy at once, also when the engine is still
    // busy with an earlier one and so announces nothing new.
    void begin_load() {
        problem_address.clear();
        probe.abandon();
        watch.reset();
        set_busy();
    }

    void load(const std::string& uri) {
        begin_load();
        webkit_web_view_load_uri(view, uri.c_str());
    }

    void set_busy() override {
        busy = true;
        query.abandon();
    }

    void settle(std::string page_title) override {
        query.abandon();
        title = std::move(page_title);
        busy = false;
    }

    bool is_busy() const override { return busy; }

    void show_problem_page(problem kind, const std::string& uri, const std::string& address,
                           const std::string& detail) override {
        problem_address = address;
        // Shown under a data: address, the engine would show that address's own content.
        show_problem(view, kind, g_str_has_prefix(uri.c_str(), "data:") ? "about:blank" : uri,
                     address, detail);
    }

    // --- loads that fail ---------------------------------------------------------------------

    static gboolean on_load_failed(WebKitWebView*, WebKitLoadEvent, char* uri, GError* error,
                                   impl* self) {
        // A certificate that could not be checked is the failure, whatever error the engine
        // ends the load with: for a host with more than one address (localhost: ::1, then
        // 127.0.0.1) it reports the attempt it gave up on last, "cancelled".
        if (self->tls_failed) {
            self->tls_failed = false;
            ++self->stale_finishes;
            self->show_problem_page(problem::identity, uri, uri, identity_reason(self->tls_errors));
            return TRUE;
        }
        const std::string failed = uri ? uri : "";
        std::optional<problem> kind = problem_of(error, self->redirections);
        std::string detail;
        const bool cancelled =
            g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
            g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
        if (cancelled && !self->stopping && !webkit_web_view_is_loading(self->view) &&
            !failed.empty()) {
            // A cancellation nobody asked for. For a web address the engine gave up on its
            // connection by itself, as it does at times for a host with two addresses
            // (localhost: ::1, where nothing listens, then 127.0.0.1) where the other attempt
            // met a certificate it refused: the same address is tried again, so that the
            // failure shows as what it is. Anything else is a redirection to where a site may
            // not send the view (a file on this computer, say), which is never loaded.
            if (!is_web_address(failed))
                kind = problem::cannot_open;
            else if (self->watch.try_again(failed))
                return TRUE;
            else
                kind = problem::failed;
        }
        if (cancelled)
            self->stopping = false;
        if (g_error_matches(error, WEBKIT_POLICY_ERROR,
                            WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) &&
            self->rules.refused_file(failed))
            kind = problem::file;
        if (g_error_matches(error, WEBKIT_POLICY_ERROR,
                            WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT))
            detail = port_reason(failed);
        if (!kind)
            return TRUE; // the view keeps the page it had, and shows no page of the engine's
        ++self->stale_finishes;
        self->show_problem_page(*kind, failed, failed, detail);
        return TRUE;
    }

    // The engine answers an address it will not contact with an empty page of its own, and
    // no failure: the load it was bound for ends on about:blank.
    bool refused_silently() const {
        return !bound_for.empty() && bound_for != "about:blank" &&
               current_uri(view) == "about:blank";
    }

    // No certificate error can be clicked past: the load fails, and its page says why.
    static gboolean on_tls_errors(WebKitWebView*, char*, GTlsCertificate*,
                                  GTlsCertificateFlags errors, impl* self) {
        self->tls_failed = true;
        self->tls_errors = errors;
        return FALSE;
    }

    // --- the end of a load and its title ---------------------------------------------------

    static void on_is_loading(WebKitWebView* v, GParamSpec*, impl* self) {
        if (webkit_web_view_is_loading(v)) {
            self->set_busy();
            return;
        }
        // A load has ended (successfully, failed, stopped, handed off, or its process died).
        self->owner.DownloadComplete.emit();
    }

    static void on_load_changed(WebKitWebView*, WebKitLoadEvent event, impl* self) {
        if (event == WEBKIT_LOAD_STARTED) {
            self->bound_for = current_uri(self->view);
            self->redirections = 0;
            self->tls_failed = false;
            self->set_busy();
        } else if (event == WEBKIT_LOAD_REDIRECTED) {
            self->bound_for = current_uri(self->view);
            ++self->redirections;
        } else if (event == WEBKIT_LOAD_COMMITTED) {
            self->stale_finishes = 0; // any late end came before the new page
        } else if (event == WEBKIT_LOAD_FINISHED && self->stale_finishes > 0) {
            --self->stale_finishes;
        } else if (event == WEBKIT_LOAD_FINISHED && self->tls_failed) {
            // The certificate failure is reported as the load's failure after this; its page
            // is the end of the load.
        } else if (event == WEBKIT_LOAD_FINISHED && self->refused_silently()) {
            const std::string refused = std::exchange(self->bound_for, {});
            self->show_problem_page(problem::cannot_open, refused, refused, port_reason(refused));
        } else if (event == WEBKIT_LOAD_FINISHED && !webkit_web_view_is_loading(self->view) &&
                   !self->watch.retrying()) {
            // The engine may report the end before it delivers the title; ask the page itself.
            // (When another load, such as an error page, is already under way, its own end
            // asks instead.)
            self->query.ask();
        }
    }

    static void on_title(WebKitWebView*, GParamSpec*, impl* self) {
        // Titles a page sets later, by script, once its load is over.
        if (!self->busy)
            self->title = engine_title(self->view);
    }
};

web_view::web_view()
    : impl_(std::make_unique<impl>(*this)) {}
web_view::~web_view() = default;

Gtk::Widget& web_view::widget() {
    return *Glib::wrap(GTK_WIDGET(impl_->view));
}

void web_view::Navigate(const std::string& address) {
    address_plan plan = plan_address(address, web_view_pages().search_query);
    switch (plan.kind) {
    case address_plan::plan_kind::nothing:
        break;
    case address_plan::plan_kind::load:
    case address_plan::plan_kind::search:
        impl_->load(plan.uri);
        break;
    case address_plan::plan_kind::secure:
        impl_->begin_load();
        impl_->probe.start(plan);
        break;
    case address_plan::plan_kind::mail:
        open_mail_program(plan.uri);
        break;
    case address_plan::plan_kind::refused:
        impl_->begin_load();
        impl_->show_problem_page(problem::cannot_open, "about:blank", address, {});
        break;
    }
}

bool web_view::GoBack() {
    if (!webkit_web_view_can_go_back(impl_->view))
        return false;
    impl_->begin_load();
    webkit_web_view_go_back(impl_->view);
    return true;
}

bool web_view::GoForward() {
    if (!webkit_web_view_can_go_forward(impl_->view))
        return false;
    impl_->begin_load();
    webkit_web_view_go_forward(impl_->view);
    return true;
}

void web_view::GoHome() {
    impl_->load(web_view_pages().home);
}

void web_view::GoSearch() {
    impl_->load(web_view_pages().search);
}

void web_view::Refresh() {
    // A problem page stands for the address that failed, and reloading it asks for that address
    // again. One for an address that was never loaded (one this browser does not open) stands
    // under about:blank: the address is given again instead.
    if (!impl_->problem_address.empty() && impl_->problem_address != current_uri(impl_->view)) {
        const std::string again = impl_->problem_address;
        Navigate(again);
        return;
    }
    impl_->begin_load();
    webkit_web_view_reload(impl_->view);
}

void web_view::Stop() {
    impl_->probe.abandon();
    bool was_loading = webkit_web_view_is_loading(impl_->view);
    if (was_loading) {
        ++impl_->stale_finishes;
        impl_->stopping = true;
    }
    webkit_web_view_stop_loading(impl_->view);
    if (impl_->busy || was_loading) {
        // The view keeps the page it had; its name is what the engine shows now.
        std::string shown = engine_title(impl_->view);
        impl_->set_busy();
        impl_->settle(shown.empty() ? impl_->title : shown);
    }
}

bool web_view::Busy() const {
    return impl_->busy;
}

std::string web_view::LocationName() const {
    return impl_->title.empty() ? LocationURL() : impl_->title;
}

std::string web_view::LocationURL() const {
    return impl_->problem_address.empty() ? current_uri(impl_->view) : impl_->problem_address;
}

void web_view::Width(int twips) {
    impl_->width_twips = std::max(0, twips);
    gtk_widget_set_size_request(GTK_WIDGET(impl_->view), px(impl_->width_twips),
                                px(impl_->height_twips));
}

void web_view::Height(int twips) {
    impl_->height_twips = std::max(0, twips);
    gtk_widget_set_size_request(GTK_WIDGET(impl_->view), px(impl_->width_twips),
                                px(impl_->height_twips));
}

int web_view::Width() const {
    return impl_->width_twips;
}
int web_view::Height() const {
    return impl_->height_twips;
}

} // namespace zarnic
