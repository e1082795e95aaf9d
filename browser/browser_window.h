#pragma once
// The browser window.

#include "webview/web_view.h"

#include <gtkmm/window.h>

namespace zarnic {

class BrowserWindow : public Gtk::Window {
public:
    BrowserWindow();
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    bool is_loaded() const { return loaded_; }
    void Load();

private:
    bool loaded_ = false;
    WebView brwWebBrowser;
};

} // namespace zarnic
