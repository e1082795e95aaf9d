#include "browser/browser_window.h"

#include "resources/constants.h"
#include "resources/resources.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/window_host.h"

#include <glibmm/main.h>
#include <gtkmm/application.h>

namespace zarnic {

using L = BrowserLayout;

std::string title_for_display(const std::string& name) {
    // Pages choose their titles: control characters (line breaks among them) would garble the
    // title bar, and a title of any length has to fit in one.
    constexpr glong kMaxCharacters = 512;
    std::string valid = name;
    if (!g_utf8_validate(valid.data(), gssize(valid.size()), nullptr)) {
        gchar* fixed = g_utf8_make_valid(valid.data(), gssize(valid.size()));
        valid = fixed;
        g_free(fixed);
    }
    std::string shown;
    const char* p = valid.c_str();
    for (glong count = 0; *p && count < kMaxCharacters; p = g_utf8_next_char(p), ++count) {
        if (g_unichar_iscntrl(g_utf8_get_char(p)))
            shown += ' ';
        else
            shown.append(p, size_t(g_utf8_next_char(p) - p));
    }
    if (*p)
        shown += "\u2026";
    return shown;
}

BrowserWindow::BrowserWindow()
    : client(px(L::kClientWidth), px(L::kClientHeight), ClientArea::Sizing::Resizable)
    , picAddress(px(L::picAddress.width), px(L::picAddress.height), ClientArea::Sizing::Resizable)
    , lblAddress("_Address:", true) {
    set_title(std::string(kAppTitle));
    set_position(Gtk::WIN_POS_CENTER);
    set_icon_list(resources::window_icon_list());
    load_style_sheet();

    add(layout_);
    init_menus();
    layout_.pack_start(client, Gtk::PACK_EXPAND_WIDGET);
    init_address_strip();
    init_toolbar();
    init_web_view();
    client.on_resize = [this](int width, int height) { Form_Resize(to_twips(width), to_twips(height)); };
    layout_.show_all();
}

BrowserWindow::~BrowserWindow() {
    timTimer.disconnect();
    download_complete_.disconnect();
}

void BrowserWindow::init_menus() {
    // Plain captions: no access keys, shortcuts, check marks or separators.
    file.set_submenu(file_menu);
    file_menu.append(nwwindow);
    file_menu.append(close);
    file_menu.append(abut);
    hlp.set_submenu(help_menu);
    help_menu.append(helib);
    menu_bar.append(file);
    menu_bar.append(hlp);
    nwwindow.signal_activate().connect(sigc::mem_fun(*this, &BrowserWindow::nwwindow_Click));
    close.signal_activate().connect(sigc::mem_fun(*this, &BrowserWindow::close_Click));
    abut.signal_activate().connect(sigc::mem_fun(*this, &BrowserWindow::abut_Click));
    helib.signal_activate().connect(sigc::mem_fun(*this, &BrowserWindow::helib_Click));
    layout_.pack_start(menu_bar, Gtk::PACK_SHRINK);
}

void BrowserWindow::init_address_strip() {
    picAddress.set_size_request(px(L::picAddress.width), px(L::picAddress.height));
    client.put(picAddress, px(L::picAddress.left), px(L::picAddress.top));

    lblAddress.set_mnemonic_widget(*cboAddress.get_entry());
    lblAddress.set_xalign(0.0f);
    lblAddress.set_yalign(0.0f);
    lblAddress.set_size_request(px(L::lblAddress.width), px(L::lblAddress.height));
    set_font(lblAddress, font_description(kMsSansSerif, 8.25));
    picAddress.put(lblAddress, px(L::lblAddress.left), px(L::lblAddress.top));

    cboAddress.set_name("cboAddress");
    set_font(*cboAddress.get_entry(), font_description(kMsSansSerif, 8.25));
    cboAddress.set_size_request(px(L::cboAddress.width), px(L::cboAddress.height));
    cboAddress.get_entry()->set_text(std::string(HomeAddress));
    picAddress.put(cboAddress, px(L::cboAddress.left), px(L::cboAddress.top));

    cboAddress.signal_changed().connect(sigc::mem_fun(*this, &BrowserWindow::cboAddress_Changed));
    cboAddress.get_entry()->signal_activate().connect(
        sigc::mem_fun(*this, &BrowserWindow::cboAddress_KeyPress_Enter));
}

void BrowserWindow::init_toolbar() {
    tbToolBar.set_name("tbToolBar");
    tbToolBar.set_toolbar_style(Gtk::TOOLBAR_BOTH);
    tbToolBar.set_show_arrow(false);
    tbToolBar.set_size_request(px(L::tbToolBar.width), px(L::tbToolBar.height));
    for (size_t i = 0; i < kToolbarButtons.size(); ++i) {
        const ToolbarButton& button = kToolbarButtons[i];
        PictureButton& item = buttons[i];
        item.setup(button.key, button.caption, button.picture, px(L::kButtonWidth), px(L::kButtonHeight));
        item.button.signal_clicked().connect([this, &item] { tbToolBar_ButtonClick(item.key()); });
        tbToolBar.append(item);
    }
    client.put(tbToolBar, px(L::tbToolBar.left), px(L::tbToolBar.top));
}

void BrowserWindow::init_web_view() {
    brwWebBrowser.Width(L::brwWebBrowser.width);
    brwWebBrowser.Height(L::brwWebBrowser.height);
    client.put(brwWebBrowser.widget(), px(L::brwWebBrowser.left), px(L::brwWebBrowser.top));
    download_complete_ = brwWebBrowser.DownloadComplete.connect(
        sigc::mem_fun(*this, &BrowserWindow::brwWebBrowser_DownloadComplete));
}

void BrowserWindow::Load() {
    if (loaded_)
        return;
    loaded_ = true;
    show();
    tbToolBar.queue_draw();
    Gtk::Allocation area = client.get_allocation();
    if (area.get_width() > 1)
        Form_Resize(to_twips(area.get_width()), to_twips(area.get_height()));
    StartingAddress = std::string(HomeAddress);
    int top = L::lblAddress.top + L::lblAddress.height + 15;
    picAddress.move(cboAddress, px(L::cboAddressLoadedLeft), px(top));
    cboAddress.get_entry()->set_text("");
    cboAddress.append(cboAddress.get_entry()->get_text());
    set_timer(true);
    brwWebBrowser.Navigate(StartingAddress);
}

void BrowserWindow::Form_Resize(int client_width_twips, int client_height_twips) {
    // The address box runs from where the load step puts it to the strip's right edge; the web
    // view fills the client area below the toolbar.
    int width = std::max(0, client_width_twips - L::cboAddressLoadedLeft);
    cboAddress.set_size_request(px(width), px(L::cboAddress.height));
    picAddress.set_size_request(px(client_width_twips), px(L::picAddress.height));
    tbToolBar.set_size_request(px(client_width_twips), px(L::tbToolBar.height));
    brwWebBrowser.Width(client_width_twips);
    brwWebBrowser.Height(std::max(0, client_height_twips - L::brwWebBrowser.top));
}

void BrowserWindow::set_timer(bool enabled) {
    if (enabled && !timTimer.connected()) {
        timTimer = Glib::signal_timeout().connect(
            [this] {
                timTimer_Timer();
                return timTimer.connected();
            },
            L::kTimerMs);
    } else if (!enabled) {
        timTimer.disconnect();
    }
}

void BrowserWindow::timTimer_Timer() {
    if (brwWebBrowser.Busy()) {
        set_title(kLoadingTitle);
    } else {
        set_timer(false);
        set_title(title_for_display(brwWebBrowser.LocationName()));
    }
}

void BrowserWindow::cboAddress_Click() {
    set_timer(true);
    brwWebBrowser.Navigate(cboAddress.get_entry()->get_text());
}

void BrowserWindow::cboAddress_Changed() {
    // "changed" also comes while the user types; only a pick from the list is a click.
    if (cboAddress.get_active_row_number() < 0)
        return;
    cboAddress_Click();
    // Forget the pick, so that picking the same entry again is a click again.
    cboAddress.set_active(-1);
}

void BrowserWindow::cboAddress_KeyPress_Enter() { cboAddress_Click(); }

void BrowserWindow::brwWebBrowser_DownloadComplete() {
    cboAddress.get_entry()->set_text(brwWebBrowser.LocationURL());
}

void BrowserWindow::OpenNewWindow() { window_host().open_browser_window(); }

void BrowserWindow::tbToolBar_ButtonClick(const std::string& key) {
    set_timer(true);
    if (key == "NewBro") {
        OpenNewWindow();
    } else if (key == "Back") {
        (void)brwWebBrowser.GoBack();
    } else if (key == "About") {
        window_host().show_about(*this);
        // Anything may have happened inside the modal show; nothing read before it is used.
    } else if (key == "Forward") {
        (void)brwWebBrowser.GoForward();
    } else if (key == "Refresh") {
        brwWebBrowser.Refresh();
    } else if (key == "Home") {
        brwWebBrowser.GoHome();
    } else if (key == "Search") {
        brwWebBrowser.GoSearch();
    } else if (key == "Stop") {
        set_timer(false);
        brwWebBrowser.Stop();
        set_title(title_for_display(brwWebBrowser.LocationName()));
    }
}

void BrowserWindow::nwwindow_Click() { OpenNewWindow(); }

void BrowserWindow::close_Click() {
    // Ends the program at once: every window closes, whatever it shows or loads.
    auto app = get_application();
    for (Gtk::Window* window : app->get_windows())
        window->hide();
    app->quit();
}

void BrowserWindow::abut_Click() { window_host().show_about(*this); }

void BrowserWindow::helib_Click() { window_host().show_help(); }

} // namespace zarnic
