#pragma once
// What pages may do in a view. Anything a page offers to save is refused, and so is every
// permission it asks for; links and scripts that ask for a new window open in this view, so a
// page cannot bury a beginner in windows; mailto: links go to the desktop's mail program; and a
// page raising script dialogs in a loop gets only a few. Internal to webview/.

#include <webkit2/webkit2.h>

#include <deque>
#include <string>

namespace zarnic {

class page_rules {
public:
    explicit page_rules(WebKitWebView* view);
    ~page_rules();
    page_rules(const page_rules&) = delete;
    page_rules& operator=(const page_rules&) = delete;

    // Whether the last page refused for being a file to save (not a page to show) came from
    // uri: its load then fails as if the engine had refused it.
    bool refused_file(const std::string& uri) const { return uri == refused_file_; }

private:
    static gboolean on_decide_policy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, page_rules* self);
    static GtkWidget* on_create(WebKitWebView* view, WebKitNavigationAction* action,
                                page_rules* self);
    static gboolean on_permission(WebKitWebView* view, WebKitPermissionRequest* request,
                                  page_rules* self);
    static gboolean on_script_dialog(WebKitWebView* view, WebKitScriptDialog* dialog,
                                     page_rules* self);

    WebKitWebView* view_;
    std::string refused_file_;
    // When the page's last script dialogs were shown, oldest first.
    std::deque<gint64> dialog_times_;
};

// Hands a mailto: address to the desktop's mail program and returns at once.
void open_mail_program(const std::string& uri);

} // namespace zarnic
