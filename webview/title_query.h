#pragma once
// Asks a page for its title once its load has ended. WebKit may report the end of a load before
// it hands over the page's title, so the view asks the page itself and settles its busy state
// with the answer; a page that does not answer in time (its process hangs) settles it with what
// the engine knows. Internal to webview/.
//
// One question at a time. A question is abandoned (a new load, Stop, the view's end) by
// cancelling it: its answer then comes back cancelled and touches nothing, so the owner may be
// gone by the time it arrives.

#include "webview/view_parts.h"

namespace zarnic {

class title_query {
public:
    title_query(WebKitWebView* view, load_state& state);
    ~title_query();
    title_query(const title_query&) = delete;
    title_query& operator=(const title_query&) = delete;

    // Asks the page shown for its title, abandoning any earlier question.
    void ask();
    // Abandons the question in flight, if any.
    void abandon();

private:
    static void on_answer(GObject* source, GAsyncResult* result, gpointer data);
    static gboolean on_timeout(gpointer data);

    WebKitWebView* view_;
    load_state& state_;
    GCancellable* cancellable_ = nullptr;
    guint timer_ = 0;
};

} // namespace zarnic
