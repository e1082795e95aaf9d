#pragma once
// Keeps a view working when the engine's processes fail it. A web process that dies leaves a
// page saying so; one that stops answering no longer keeps the view busy, and is ended
// after a while, so a page cannot hold a beginner hostage. A load the network process's death
// broke is tried again, since the engine starts a new one on demand and the user did not cause
// the error. Internal to webview/.

#include "webview/view_parts.h"

#include <string>

namespace zarnic {

class process_watch {
public:
    process_watch(WebKitWebView* view, load_state& state);
    ~process_watch();
    process_watch(const process_watch&) = delete;
    process_watch& operator=(const process_watch&) = delete;

    // A new load is asked for: the retries of the last one are over.
    void reset();
    // The view's handlers of the engine's load signals call these first. A failure the network
    // process's death caused is tried again, and the answer is true: it is not the load's end.
    bool network_lost(const std::string& uri, const GError* error);
    // The load under way has committed its page.
    void committed();
    // Tries a broken load again, a few times, a little later; false once those tries are spent.
    bool try_again(const std::string& uri);
    // True while a broken load waits to be tried again; its end is not the end of the load.
    bool retrying() const { return retry_timer_ != 0; }

private:
    void schedule_retry(const std::string& uri);
    bool is_synthetic_answer() const;

    static gboolean on_retry(gpointer data);
    static void on_terminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason,
                              process_watch* self);
    static gboolean on_show_ended_page(gpointer data);
    static void on_uri(WebKitWebView* view, GParamSpec* property, process_watch* self);
    static void on_responsive(WebKitWebView* view, GParamSpec* property, process_watch* self);
    static gboolean on_unresponsive_timeout(gpointer data);

    WebKitWebView* view_;
    load_state& state_;
    // A load the network process's death broke, tried again a few times from a timer.
    std::string retry_uri_;
    guint retry_timer_ = 0;
    int retries_ = 0;
    guint crash_idle_ = 0;
    // Why the web process went: it crashed, took too much memory, or was ended for hanging.
    problem ended_ = problem::crashed;
    // The address of the page shown, for the page that says it went.
    std::string last_uri_;
    guint unresponsive_timer_ = 0;
};

} // namespace zarnic
