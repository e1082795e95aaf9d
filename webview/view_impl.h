#pragma once
// The inside of a web view: its busy flag, the name of the page shown and its parts, and the one
// handler of each engine signal about loads (webview/load_events.cpp), which calls the parts in
// the order its code gives. Internal to webview/.

#include "webview/https_probe.h"
#include "webview/page_rules.h"
#include "webview/process_watch.h"
#include "webview/title_query.h"
#include "webview/view_parts.h"
#include "webview/web_context.h"
#include "webview/web_view.h"

#include <memory>
#include <string>

namespace zarnic {

// Destroys the engine's view and drops the reference the web view holds on it.
struct view_deleter {
    void operator()(WebKitWebView* view) const {
        gtk_widget_destroy(GTK_WIDGET(view));
        g_object_unref(view);
    }
};

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

    // The engine's signals about loads; each has this one handler.
    static gboolean on_load_failed(WebKitWebView*, WebKitLoadEvent, char* uri, GError* error,
                                   impl* self);
    static gboolean on_tls_errors(WebKitWebView*, char*, GTlsCertificate*,
                                  GTlsCertificateFlags errors, impl* self);
    static void on_is_loading(WebKitWebView* view, GParamSpec*, impl* self);
    static void on_load_changed(WebKitWebView*, WebKitLoadEvent event, impl* self);
    static void on_title(WebKitWebView*, GParamSpec*, impl* self);

    // The engine answers an address it will not contact with an empty page of its own, and
    // no failure: the load it was bound for ends on about:blank.
    bool refused_silently() const;
};

} // namespace zarnic
