#include "browser/browser_window.h"

#include "resources/constants.h"
#include "resources/resources.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/window_host.h"

#include <atkmm/object.h>
#include <glibmm/main.h>
#include <gtkmm/application.h>

namespace zarnic {

std::string title_for_display(const std::string& name) {
    // Pages choose their titles: control characters (line breaks among them) would garble the
    // title bar, and a title of any length has to fit in one.
    constexpr glong max_characters = 512;
    std::string valid = name;
    if (!g_utf8_validate(valid.data(), gssize(valid.size()), nullptr)) {
        g_autofree gchar* fixed = g_utf8_make_valid(valid.data(), gssize(valid.size()));
        valid = fixed;
    }
    std::string shown;
    const char* p = valid.c_str();
    for (glong count = 0; *p && count < max_characters; p = g_utf8_next_char(p), ++count) {
        if (g_unichar_iscntrl(g_utf8_get_char(p)))
            shown += ' ';
        else
            shown.append(p, size_t(g_utf8_next_char(p) - p));
    }
    if (*p)
        shown += "\u2026";
    return shown;
}

browser_window::browser_window()
    : client(px(browser_layout::client_width), px(browser_layout::client_height),
             client_area::size_rule::resizable)
    , picAddress(px(browser_layout::picAddress.width), px(browser_layout::picAddress.height),
                 client_area::size_rule::resizable)
    , lblAddress("_Address:", true) {
    set_title(std::string(app_title));
    set_position(Gtk::WIN_POS_CENTER);
    set_icon_list(resources::window_icon_list());
    load_style_sheet();

    add(layout_);
    init_menus();
    layout_.pack_start(client, Gtk::PACK_EXPAND_WIDGET);
    init_address_strip();
    init_toolbar();
    init_web_view();
    init_focus_chain();
    client.on_resize = [this](int width, int height) {
        Form_Resize(to_twips(width), to_twips(height));
    };
    layout_.show_all();
}

browser_window::~browser_window() {
    timTimer.disconnect();
    download_complete_.disconnect();
}

void browser_window::init_menus() {
    // Plain captions: no access keys, shortcuts, check marks or separators.
    file.set_submenu(file_menu);
    file_menu.append(nwwindow);
    file_menu.append(close);
    file_menu.append(abut);
    hlp.set_submenu(help_menu);
    help_menu.append(helib);
    menu_bar.append(file);
    menu_bar.append(hlp);
    nwwindow.signal_activate().connect(sigc::mem_fun(*this, &browser_window::nwwindow_Click));
    close.signal_activate().connect(sigc::mem_fun(*this, &browser_window::close_Click));
    abut.signal_activate().connect(sigc::mem_fun(*this, &browser_window::abut_Click));
    helib.signal_activate().connect(sigc::mem_fun(*this, &browser_window::helib_Click));
    layout_.pack_start(menu_bar, Gtk::PACK_SHRINK);
}

void browser_window::init_address_strip() {
    picAddress.set_size_request(px(browser_layout::picAddress.width),
                                px(browser_layout::picAddress.height));
    client.put(picAddress, px(browser_layout::picAddress.left), px(browser_layout::picAddress.top));

    lblAddress.set_mnemonic_widget(*cboAddress.get_entry());
    lblAddress.set_xalign(0.0f);
    lblAddress.set_yalign(0.0f);
    lblAddress.set_size_request(px(browser_layout::lblAddress.width),
                                px(browser_layout::lblAddress.height));
    set_font(lblAddress, font_description(ms_sans_serif, 8.25));
    underline_access_key(lblAddress);
    picAddress.put(lblAddress, px(browser_layout::lblAddress.left),
                   px(browser_layout::lblAddress.top));

    cboAddress.set_name("cboAddress");
    // The entry inside is labelled by "Address:" through the access key; the box itself is named
    // too, since screen readers announce the combo box before its entry.
    cboAddress.get_accessible()->set_name("Address");
    set_font(*cboAddress.get_entry(), font_description(ms_sans_serif, 8.25));
    cboAddress.set_size_request(px(browser_layout::cboAddress.width),
                                px(browser_layout::cboAddress.height));
    cboAddress.get_entry()->set_text(std::string(HomeAddress));
    picAddress.put(cboAddress, px(browser_layout::cboAddress.left),
                   px(browser_layout::cboAddress.top));

    cboAddress.signal_changed().connect(sigc::mem_fun(*this, &browser_window::cboAddress_Changed));
    cboAddress.get_entry()->signal_activate().connect(
        sigc::mem_fun(*this, &browser_window::cboAddress_KeyPress_Enter));
}

void browser_window::init_toolbar() {
    tbToolBar.set_name("tbToolBar");
    tbToolBar.set_toolbar_style(Gtk::TOOLBAR_BOTH);
    tbToolBar.set_show_arrow(false);
    tbToolBar.set_size_request(px(browser_layout::tbToolBar.width),
                               px(browser_layout::tbToolBar.height));
    for (size_t i = 0; i < buttons.size(); ++i) {
        const toolbar_button& button = toolbar_buttons[i];
        picture_button& item = buttons[i];
        item.setup(button.key, button.caption, button.picture, px(browser_layout::button_width),
                   px(browser_layout::button_height));
        item.button.signal_clicked().connect([this, &item] { tbToolBar_ButtonClick(item.key()); });
        tbToolBar.append(item);
    }
    client.put(tbToolBar, px(browser_layout::tbToolBar.left), px(browser_layout::tbToolBar.top));
}

void browser_window::init_focus_chain() {
    // Tab goes from the toolbar (one stop) to the page (its own elements, then out) to the address
    // box, and the first focus lands on the toolbar. Left to itself, GTK would go from top to
    // bottom, address box first. Setting a focus chain is deprecated in GTK 3.24, and the only
    // way there is to order a container's children without drawing them in another order.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GList* chain = nullptr;
    for (Gtk::Widget* widget : {static_cast<Gtk::Widget*>(&tbToolBar), &brwWebBrowser.widget(),
                                static_cast<Gtk::Widget*>(&picAddress)})
        chain = g_list_append(chain, widget->gobj());
    gtk_container_set_focus_chain(GTK_CONTAINER(client.gobj()), chain);
    g_list_free(chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
}

void browser_window::init_web_view() {
    brwWebBrowser.Width(browser_layout::brwWebBrowser.width);
    brwWebBrowser.Height(browser_layout::brwWebBrowser.height);
    client.put(brwWebBrowser.widget(), px(browser_layout::brwWebBrowser.left),
               px(browser_layout::brwWebBrowser.top));
    download_complete_ = brwWebBrowser.DownloadComplete.connect(
        sigc::mem_fun(*this, &browser_window::brwWebBrowser_DownloadComplete));
}

void browser_window::Load() {
    if (loaded_)
        return;
    loaded_ = true;
    show();
    tbToolBar.queue_draw();
    Gtk::Allocation area = client.get_allocation();
    if (area.get_width() > 1)
        Form_Resize(to_twips(area.get_width()), to_twips(area.get_height()));
    StartingAddress = std::string(HomeAddress);
    int top = browser_layout::lblAddress.top + browser_layout::lblAddress.height + 15;
    picAddress.move(cboAddress, px(browser_layout::cboAddressLoadedLeft), px(top));
    cboAddress.get_entry()->set_text("");
    cboAddress.append(cboAddress.get_entry()->get_text());
    set_timer(true);
    brwWebBrowser.Navigate(StartingAddress);
}

void browser_window::Form_Resize(int client_width_twips, int client_height_twips) {
    // The address box runs from where the load step puts it to the strip's right edge; the web
    // view fills the client area below the toolbar.
    int width = std::max(0, client_width_twips - browser_layout::cboAddressLoadedLeft);
    cboAddress.set_size_request(px(width), px(browser_layout::cboAddress.height));
    picAddress.set_size_request(px(client_width_twips), px(browser_layout::picAddress.height));
    tbToolBar.set_size_request(px(client_width_twips), px(browser_layout::tbToolBar.height));
    brwWebBrowser.Width(client_width_twips);
    brwWebBrowser.Height(std::max(0, client_height_twips - browser_layout::brwWebBrowser.top));
}

void browser_window::set_timer(bool enabled) {
    if (enabled && !timTimer.connected()) {
        timTimer = Glib::signal_timeout().connect(
            [this] {
                timTimer_Timer();
                return timTimer.connected();
            },
            browser_layout::timer_ms);
    } else if (!enabled) {
        timTimer.disconnect();
    }
}

void browser_window::timTimer_Timer() {
    if (brwWebBrowser.Busy()) {
        update_title(loading_title);
    } else {
        set_timer(false);
        update_title(title_for_display(brwWebBrowser.LocationName()));
    }
}

void browser_window::update_title(const Glib::ustring& title) {
    // The timer ticks every 5 ms while a page loads. Each title set goes to the X server and
    // wakes the window manager, which draws the title bar again: with mutter, about a second of
    // its CPU during a two-second load. So only a title that differs goes out.
    if (get_title() != title)
        set_title(title);
}

void browser_window::cboAddress_Click() {
    set_timer(true);
    brwWebBrowser.Navigate(cboAddress.get_entry()->get_text());
}

void browser_window::cboAddress_Changed() {
    // "changed" also comes while the user types; only a pick from the list is a click.
    if (cboAddress.get_active_row_number() < 0)
        return;
    cboAddress_Click();
    // Forget the pick, so that picking the same entry again is a click again.
    cboAddress.set_active(-1);
}

void browser_window::cboAddress_KeyPress_Enter() {
    cboAddress_Click();
}

void browser_window::brwWebBrowser_DownloadComplete() {
    cboAddress.get_entry()->set_text(brwWebBrowser.LocationURL());
}

void browser_window::OpenNewWindow() {
    registered_host().open_browser_window();
}

void browser_window::tbToolBar_ButtonClick(const std::string& key) {
    set_timer(true);
    if (key == "NewBro") {
        OpenNewWindow();
    } else if (key == "Back") {
        (void)brwWebBrowser.GoBack();
    } else if (key == "About") {
        registered_host().show_about(*this);
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
        update_title(title_for_display(brwWebBrowser.LocationName()));
    }
}

void browser_window::nwwindow_Click() {
    OpenNewWindow();
}

void browser_window::close_Click() {
    // Ends the program at once: every window closes, whatever it shows or loads.
    get_application()->activate_action("quit");
}

void browser_window::abut_Click() {
    registered_host().show_about(*this);
}

void browser_window::helib_Click() {
    registered_host().show_help();
}

} // namespace zarnic
