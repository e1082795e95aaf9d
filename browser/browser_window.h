#pragma once
// The browser window: under its menu bar, the address strip, the toolbar and the web view.
// Its title follows the page: a busy poll reads the web view every few milliseconds after each
// command and shows "Loading URL Please Wait a Moment..." until the page has loaded, then the
// page's name. Every window has its own controls, timer and web view; several can be open.

#include "browser/picture_button.h"
#include "ui/client_area.h"
#include "ui/layout.h"
#include "webview/web_view.h"

#include <gtkmm/box.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/label.h>
#include <gtkmm/menu.h>
#include <gtkmm/menubar.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/window.h>

#include <array>
#include <string>

namespace zarnic {

struct BrowserLayout {
    static constexpr int kClientWidth = 13395;
    static constexpr int kClientHeight = 11250;
    static constexpr Twips picAddress{0, 0, 13395, 675};
    static constexpr Twips lblAddress{120, 0, 3075, 255};
    static constexpr Twips cboAddress{120, 240, 13275, 315};
    static constexpr int cboAddressLoadedLeft = 50;
    static constexpr Twips tbToolBar{0, 675, 13395, 750};
    static constexpr Twips brwWebBrowser{0, 1440, 13320, 9735};
    static constexpr int kButtonWidth = 1035;
    static constexpr int kButtonHeight = 660;
    static constexpr int kTimerMs = 5;
};

// The toolbar's buttons, left to right: key, caption, picture in the image list.
struct ToolbarButton {
    const char* key;
    const char* caption;
    int picture;
};
inline constexpr std::array<ToolbarButton, 8> kToolbarButtons{{
    {"Back", "Back", 1},
    {"Forward", "Forward", 3},
    {"Stop", "Stop", 5},
    {"Refresh", "Refresh", 6},
    {"Home", "Home", 7},
    {"Search", "Search", 8},
    {"NewBro", "New Window", 4},
    {"About", "About", 2},
}};

inline constexpr const char* kLoadingTitle = "Loading URL Please Wait a Moment...";

// A page's name as the title bar shows it: control characters become spaces, and a name
// longer than a title bar can hold is cut short with an ellipsis.
std::string title_for_display(const std::string& name);

class BrowserWindow : public Gtk::Window {
public:
    BrowserWindow();
    ~BrowserWindow() override;
    BrowserWindow(const BrowserWindow&) = delete;
    BrowserWindow& operator=(const BrowserWindow&) = delete;

    // The load step: shows the window and opens StartingAddress. Runs once.
    void Load();
    bool is_loaded() const { return loaded_; }

    // Opens a new browser window on the home address; this window stays as it is.
    static void OpenNewWindow();

    // The address this window opened on.
    std::string StartingAddress;

    // Whether the busy poll is running.
    bool timer_enabled() const { return timTimer.connected(); }

    // The toolbar's click handler, given the clicked button's key.
    void tbToolBar_ButtonClick(const std::string& key);

    // Controls, in packing order; public so tests can drive them as a user would.
    Gtk::Box layout_{Gtk::ORIENTATION_VERTICAL};
    Gtk::MenuBar menu_bar;
    Gtk::MenuItem file{"File"};
    Gtk::Menu file_menu;
    Gtk::MenuItem nwwindow{"New Window"};
    Gtk::MenuItem close{"Close Zarnic!"};
    Gtk::MenuItem abut{"About Zarnic! 1.0"};
    Gtk::MenuItem hlp{"Help"};
    Gtk::Menu help_menu;
    Gtk::MenuItem helib{"Zarnic! Help Libary"};
    ClientArea client;
    ClientArea picAddress;
    Gtk::Label lblAddress;
    Gtk::ComboBoxText cboAddress{true};
    Gtk::Toolbar tbToolBar;
    std::array<PictureButton, 8> buttons;
    WebView brwWebBrowser;

private:
    void init_menus();
    void init_address_strip();
    void init_toolbar();
    void init_web_view();

    void Form_Resize(int client_width_twips, int client_height_twips);
    void timTimer_Timer();
    void set_timer(bool enabled);
    void cboAddress_Click();
    void cboAddress_Changed();
    void cboAddress_KeyPress_Enter();
    void brwWebBrowser_DownloadComplete();
    void nwwindow_Click();
    void close_Click();
    void abut_Click();
    void helib_Click();

    bool loaded_ = false;
    sigc::connection timTimer;
    sigc::connection download_complete_;
};

} // namespace zarnic
