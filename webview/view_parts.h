#pragma once
// What the parts of a web view share. The view itself (web_view.cpp) keeps the busy state and
// the name of the page shown; its parts (title_query, process_watch) change that state only
// through load_state, and read what the engine shows through the helpers below. Internal to
// webview/: nothing of WebKit shows outside it.

#include "webview/problem_page.h"

#include <webkit2/webkit2.h>

#include <string>

namespace zarnic {

// The busy state of one view, as its parts may change it.
class load_state {
public:
    // A load is under way: the view is busy, and a question about the last page's title is
    // abandoned, since its answer would name the wrong page.
    virtual void set_busy() = 0;
    // The load has ended and the page's title is known: the view is idle from here on.
    virtual void settle(std::string page_title) = 0;
    virtual bool is_busy() const = 0;
    // Shows the page for a problem in place of the one that failed at uri; address is the
    // address the view then reports (see problem_page.h).
    virtual void show_problem_page(problem kind, const std::string& uri, const std::string& address,
                                   const std::string& detail) = 0;

protected:
    // Parts never own the state; only the view it belongs to ends it.
    ~load_state() = default;
};

// The title of the page the engine shows, "" when it has none.
inline std::string engine_title(WebKitWebView* view) {
    const char* title = webkit_web_view_get_title(view);
    return title ? title : "";
}

// Whether uri is an http or https address, one a server answers.
inline bool is_web_address(const std::string& uri) {
    const char* scheme = g_uri_peek_scheme(uri.c_str());
    return scheme && (g_str_equal(scheme, "http") || g_str_equal(scheme, "https"));
}

// The address of the page the engine shows, "" before the first load.
inline std::string current_uri(WebKitWebView* view) {
    const char* uri = webkit_web_view_get_uri(view);
    return uri ? uri : "";
}

} // namespace zarnic
