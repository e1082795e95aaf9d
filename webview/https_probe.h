#pragma once
// The https-first probe for a host typed without a scheme: the view loads the https address
// when something on the host's port speaks TLS, and the http one when nothing does (nothing
// listens, the connection breaks off, what answers is not TLS) or nothing answers in time.
// Internal to webview/.
//
// One probe at a time. A probe is abandoned (a new load, Stop, the view's end) by cancelling
// it: its answer then comes back cancelled and touches nothing, so the owner may be gone by the
// time it arrives.

#include "webview/address.h"

#include <webkit2/webkit2.h>

#include <string>

namespace zarnic {

class https_probe {
public:
    explicit https_probe(WebKitWebView* view);
    ~https_probe();
    https_probe(const https_probe&) = delete;
    https_probe& operator=(const https_probe&) = delete;

    // Probes the host of plan.uri (a secure plan), then loads plan.uri or plan.fallback. The
    // caller has made the view busy already.
    void start(const address_plan& plan);
    // Abandons the probe in flight, if any; nothing is loaded for it.
    void abandon();

private:
    // Loads one of the two addresses and ends the probe.
    void finish(bool use_http);

    static void on_event(GSocketClient* client, GSocketClientEvent event,
                         GSocketConnectable* connectable, GIOStream* connection, gpointer data);
    static gboolean accept_any_certificate(GTlsConnection* connection, GTlsCertificate* cert,
                                           GTlsCertificateFlags errors, gpointer data);
    static void on_connected(GObject* source, GAsyncResult* result, gpointer data);
    static void on_answer(GObject* source, GAsyncResult* result, gpointer data);
    static gboolean on_timeout(gpointer data);

    WebKitWebView* view_;
    std::string https_;
    std::string http_;
    GCancellable* cancellable_ = nullptr;
    guint timer_ = 0;
};

} // namespace zarnic
