#include "webview/view_impl.h"

#include <utility>

namespace zarnic {

// --- loads that fail ---------------------------------------------------------------------------

gboolean web_view::impl::on_load_failed(WebKitWebView*, WebKitLoadEvent, char* uri, GError* error,
                                        impl* self) {
    const std::string failed = uri ? uri : "";
    if (self->watch.network_lost(failed, error))
        return TRUE;
    // A certificate that could not be checked is the failure, whatever error the engine
    // ends the load with: for a host with more than one address (localhost: ::1, then
    // 127.0.0.1) it reports the attempt it gave up on last, "cancelled".
    if (self->tls_failed) {
        self->tls_failed = false;
        ++self->stale_finishes;
        self->show_problem_page(problem::identity, failed, failed,
                                identity_reason(self->tls_errors));
        return TRUE;
    }
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
    if (g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT))
        detail = port_reason(failed);
    if (!kind)
        return TRUE; // the view keeps the page it had, and shows no page of the engine's
    ++self->stale_finishes;
    self->show_problem_page(*kind, failed, failed, detail);
    return TRUE;
}

// The engine answers an address it will not contact with an empty page of its own, and
// no failure: the load it was bound for ends on about:blank.
bool web_view::impl::refused_silently() const {
    return !bound_for.empty() && bound_for != "about:blank" && current_uri(view) == "about:blank";
}

// No certificate error can be clicked past: the load fails, and its page says why.
gboolean web_view::impl::on_tls_errors(WebKitWebView*, char*, GTlsCertificate*,
                                       GTlsCertificateFlags errors, impl* self) {
    self->tls_failed = true;
    self->tls_errors = errors;
    return FALSE;
}

// --- the end of a load and its title -------------------------------------------------------

void web_view::impl::on_is_loading(WebKitWebView* v, GParamSpec*, impl* self) {
    if (webkit_web_view_is_loading(v)) {
        self->set_busy();
        return;
    }
    // A load has ended (successfully, failed, stopped, handed off, or its process died).
    self->owner.DownloadComplete.emit();
}

void web_view::impl::on_load_changed(WebKitWebView*, WebKitLoadEvent event, impl* self) {
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
        self->watch.committed();
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

void web_view::impl::on_title(WebKitWebView*, GParamSpec*, impl* self) {
    // Titles a page sets later, by script, once its load is over.
    if (!self->busy)
        self->title = engine_title(self->view);
}

} // namespace zarnic
