#pragma once
// The web view component of a browser window: one WebKitGTK view behind the members a browser
// window drives (Navigate, GoBack, Busy, LocationName, DownloadComplete, ...). Nothing of WebKit
// shows outside webview/.
//
// Busy and LocationName always agree: the first time Busy reads false after a load, LocationName
// already names the page that load brought. WebKit announces the end of a load before it hands
// over the page title, so the view keeps its own busy flag and asks the page for its title before
// it reports the load finished.

#include <gtkmm/widget.h>
#include <sigc++/signal.h>

#include <memory>
#include <string>

namespace zarnic {

// Starts the web engine's processes ahead of the first view, with no window: the first view
// made afterwards takes over the warmed-up web process.
void web_view_warm_up();

class web_view {
public:
    web_view();
    ~web_view();
    web_view(const web_view&) = delete;
    web_view& operator=(const web_view&) = delete;

    // The widget to place in a window.
    Gtk::Widget& widget();

    // Starts loading what the address text names (see README, "Addresses") and returns at once.
    void Navigate(const std::string& address);
    // Move one page through the view's history; false when there is no page that way.
    bool GoBack();
    bool GoForward();
    void GoHome();
    void GoSearch();
    void Refresh();
    void Stop();

    // True while a load is in progress.
    bool Busy() const;
    // The title of the page shown, or its address when it has none.
    std::string LocationName() const;
    // The address of the page shown.
    std::string LocationURL() const;

    // Raised each time a load in the view ends, successful or not, also for links followed
    // inside the page.
    sigc::signal<void()> DownloadComplete;

    // Size of the view in twips (15 to a pixel); never negative.
    void Width(int twips);
    void Height(int twips);

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

} // namespace zarnic
