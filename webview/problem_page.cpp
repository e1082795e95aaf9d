#include "webview/notice_page.h"

namespace zarnic {
namespace {

std::string html_escape(const std::string& text) {
    g_autofree char* escaped = g_markup_escape_text(text.c_str(), -1);
    return escaped;
}

std::string notice_page(const std::string& heading, const std::string& message) {
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + html_escape(heading) +
           "</title><style>body{font-family:'Liberation Sans',Arial,sans-serif;background:#f4f7fb;"
           "color:#1d2733;margin:48px}h1{font-size:22px;color:#17365d}p{font-size:15px;"
           "line-height:1.5;max-width:40em}</style></head><body><h1>" +
           html_escape(heading) + "</h1><p>" + html_escape(message) + "</p></body></html>";
}

} // namespace

void show_notice(WebKitWebView* view, const std::string& heading, const std::string& message,
                 const std::string& uri) {
    std::string page = notice_page(heading, message);
    webkit_web_view_load_alternate_html(view, page.c_str(), uri.c_str(), nullptr);
}

} // namespace zarnic
