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

struct browser_layout {
    static constexpr int client_width = 13395;
    static constexpr int client_height = 11250;
    static constexpr twips_box picAddress{0, 0, 13395, 675};
    static constexpr twips_box lblAddress{120, 0, 3075, 255};
    static constexpr twips_box cboAddress{120, 240, 13275, 315};
    static constexpr int cboAddressLoadedLeft = 50;
    static constexpr twips_box tbToolBar{0, 675, 13395, 750};
    static constexpr twips_box brwWebBrowser{0, 1440, 13320, 9735};
    static constexpr int button_width = 1035;
    static constexpr int button_height = 660;
    static constexpr int timer_ms = 5;
};

// The toolbar's buttons, left to right: key, caption, picture in the image list.
struct toolbar_button {
    const char* key;
    const char* caption;
    int picture;
};
inline constexpr toolbar_button toolbar_buttons[] = {
    {"Back", "Back", 1},         {"Forward", "Forward", 3}, {"Stop", "Stop", 5},
    {"Refresh", "Refresh", 6},   {"Home", "Home", 7},       {"Search", "Search", 8},
    {"NewBro", "New Window", 4}, {"About", "About", 2},
};

inline constexpr const char* loading_title = "Loading URL Please Wait a Moment...";

// A page's name as the title bar shows it: control characters become spaces, and a name
// longer than a title bar can hold is cut short with an ellipsis.
std::string title_for_display(const std::string& name);

class browser_window : public Gtk::Window {
public:
    browser_window();
    ~browser_window() override;
    browser_window(const browser_window&) = delete;
    browser_window& operator=(const browser_window&) = delete;

    // The load step: shows the window and opens StartingAddress. Runs once.
    void Load();
    bool is_loaded() const { return loaded_; }

private:
    // Controls, in packing order.
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
    client_area client;
    client_area picAddress;
    Gtk::Label lblAddress;
    Gtk::ComboBoxText cboAddress{true};
    Gtk::Toolbar tbToolBar;
    std::array<picture_button, std::size(toolbar_buttons)> buttons;
    web_view brwWebBrowser;

    // The address this window opened on.
    std::string StartingAddress;

    void init_menus();
    void init_address_strip();
    void init_toolbar();
    void init_web_view();
    void init_focus_chain();

    // Opens a new browser window on the home address; this window stays as it is.
    static void OpenNewWindow();

    void Form_Resize(int client_width_twips, int client_height_twips);
    void timTimer_Timer();
    void set_timer(bool enabled);
    void update_title(const Glib::ustring& title);
    // The toolbar's click handler, given the clicked button's key.
    void tbToolBar_ButtonClick(const std::string& key);
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
