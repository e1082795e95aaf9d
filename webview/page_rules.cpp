#include "webview/page_rules.h"

namespace zarnic {
namespace {

// Script dialogs: at most this many within the window below; a page raising more gets no more.
constexpr size_t dialog_limit = 3;
constexpr gint64 dialog_window_us = 10 * G_USEC_PER_SEC;

bool is_attachment(WebKitURIResponse* response) {
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    if (!headers)
        return false;
    const char* disposition = soup_message_headers_get_one(headers, "Content-Disposition");
    return disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

bool is_mailto(const char* uri) {
    return uri && g_ascii_strncasecmp(uri, "mailto:", 7) == 0;
}

} // namespace

void open_mail_program(const std::string& uri) {
    g_app_info_launch_default_for_uri_async(uri.c_str(), nullptr, nullptr, nullptr, nullptr);
}

page_rules::page_rules(WebKitWebView* view)
    : view_(view) {
    g_signal_connect(view_, "decide-policy", G_CALLBACK(on_decide_policy), this);
    g_signal_connect(view_, "create", G_CALLBACK(on_create), this);
    g_signal_connect(view_, "permission-request", G_CALLBACK(on_permission), this);
    g_signal_connect(view_, "script-dialog", G_CALLBACK(on_script_dialog), this);
}

page_rules::~page_rules() {
    g_signal_handlers_disconnect_by_data(view_, this);
}

gboolean page_rules::on_decide_policy(WebKitWebView* view, WebKitPolicyDecision* decision,
                                      WebKitPolicyDecisionType type, page_rules* self) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        // What the engine cannot show, or what the server offers to save, is not loaded at all:
        // refusing it here keeps it from becoming a download.
        auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
        WebKitURIResponse* response =
            webkit_response_policy_decision_get_response(response_decision);
        bool main_frame =
            webkit_response_policy_decision_is_main_frame_main_resource(response_decision);
        if (main_frame &&
            (!webkit_response_policy_decision_is_mime_type_supported(response_decision) ||
             is_attachment(response))) {
            self->refused_file_ = webkit_uri_response_get_uri(response);
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        return FALSE;
    }
    auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(navigation);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = webkit_uri_request_get_uri(request);
    if (is_mailto(uri)) {
        open_mail_program(uri);
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        // A link that asks for a new window opens in this one.
        webkit_policy_decision_ignore(decision);
        if (uri && *uri)
            webkit_web_view_load_request(view, request);
        return TRUE;
    }
    return FALSE;
}

GtkWidget* page_rules::on_create(WebKitWebView* view, WebKitNavigationAction* action, page_rules*) {
    // Scripts that open windows get this view instead.
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = webkit_uri_request_get_uri(request);
    if (uri && *uri && !is_mailto(uri))
        webkit_web_view_load_request(view, request);
    return nullptr;
}

gboolean page_rules::on_permission(WebKitWebView*, WebKitPermissionRequest* request, page_rules*) {
    webkit_permission_request_deny(request);
    return TRUE;
}

gboolean page_rules::on_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog,
                                      page_rules* self) {
    gint64 now = g_get_monotonic_time();
    while (!self->dialog_times_.empty() && now - self->dialog_times_.front() > dialog_window_us)
        self->dialog_times_.pop_front();
    if (self->dialog_times_.size() < dialog_limit) {
        self->dialog_times_.push_back(now);
        return FALSE; // the engine shows its own dialog
    }
    // Answered without showing anything: "no" to questions, leaving a page is allowed.
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
        break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
        webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
        break;
    default:
        break;
    }
    return TRUE;
}

} // namespace zarnic
