#include "webview/web_view.h"

#include "webview/web_view_config.h"

#include <webkit2/webkit2.h>

namespace zarnic {

WebViewPages& web_view_pages() {
    static WebViewPages pages{kWebViewHome, kWebViewSearch, kWebViewSearchQuery};
    return pages;
}

struct WebView::Impl {
    Gtk::Widget* widget = nullptr;
};

WebView::WebView() : impl_(std::make_unique<Impl>()) {
    GtkWidget* view = webkit_web_view_new();
    impl_->widget = Glib::wrap(view);
}
WebView::~WebView() = default;
Gtk::Widget& WebView::widget() { return *impl_->widget; }
void WebView::Navigate(const std::string&) {}
bool WebView::GoBack() { return false; }
bool WebView::GoForward() { return false; }
void WebView::GoHome() {}
void WebView::GoSearch() {}
void WebView::Refresh() {}
void WebView::Stop() {}
bool WebView::Busy() const { return false; }
std::string WebView::LocationName() const { return {}; }
std::string WebView::LocationURL() const { return {}; }
void WebView::Width(int) {}
void WebView::Height(int) {}
int WebView::Width() const { return 0; }
int WebView::Height() const { return 0; }

} // namespace zarnic
