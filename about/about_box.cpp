#include "about/about_box.h"

#include "about/machine_store.h"
#include "resources/constants.h"
#include "ui/fonts.h"
#include "ui/style.h"

#include <atkmm/object.h>
#include <gdk/gdkkeysyms.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/messagedialog.h>
#include <pangomm/attrlist.h>

#include <type_traits>
#include <utility>

namespace zarnic {
namespace {

// The box's fonts, by the faces that stand in for them here.
Pango::FontDescription font_of(about_font font) {
    switch (font) {
    case about_font::window_bold:
        return font_description(ms_sans_serif, 8.25, bold);
    case about_font::credit:
        return font_description(tahoma, 15.75, bold);
    case about_font::window:
        break;
    }
    return font_description(ms_sans_serif, 8.25);
}

// The pixel box a control of the table takes in the client area.
struct pixel_rect {
    int x, y, width, height;
};
pixel_rect pixel_box(const about_control& c) {
    int x = px(c.left), y = px(c.top);
    if (c.kind == about_kind::line)
        return {x, y, px(c.left + c.width) - x, c.thickness};
    return {x, y, px(c.width), px(c.height)};
}

} // namespace

about_box::about_box(std::string store_file)
    : cmdOK("OK")
    , cmdSysInfo("_System Info...", true)
    , store_file_(std::move(store_file)) {
    init_window();
    init_controls();
    cmdOK.signal_clicked().connect(sigc::mem_fun(*this, &about_box::cmdOK_Click));
    cmdSysInfo.signal_clicked().connect(sigc::mem_fun(*this, &about_box::cmdSysInfo_Click));
    show_all_children();
}

about_box::~about_box() {
    // The controls die before the window does: let go of them first, or the window's own
    // teardown would still reach for its focus and default widgets.
    unset_focus();
    unset_default();
}

void about_box::init_window() {
    load_style_sheet();
    set_title("About Zarnic!");
    set_modal(true);
    set_resizable(false);
    set_skip_taskbar_hint(true);
    set_type_hint(Gdk::WINDOW_TYPE_HINT_DIALOG);
    set_position(Gtk::WIN_POS_CENTER);
    set_border_width(0);

    // The box lays out its own buttons in the client area, so the dialog's button row is
    // hidden for good; the client area is then all the box holds.
    Gtk::Box* area = get_content_area();
    area->set_border_width(0);
    area->set_spacing(0);
    for (Gtk::Widget* child : area->get_children()) {
        if (dynamic_cast<Gtk::ButtonBox*>(child)) {
            child->hide();
            child->set_no_show_all(true);
        }
    }
    area->pack_start(client, Gtk::PACK_EXPAND_WIDGET);
}

std::array<about_box::control, about_box_layout.size()> about_box::controls() {
    return {&lblTitle,      &Image1, &lblVersion, &lblDescription, &Line1[1], &Line1[0],
            &lblDisclaimer, &cmdOK,  &cmdSysInfo, &Line1[2],       &Label1};
}

void about_box::init_controls() {
    const auto widgets = controls();
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        const about_control& c = about_box_layout[i];
        Gtk::Widget* widget = std::visit(
            [&](auto* w) -> Gtk::Widget* {
                using kind = std::remove_pointer_t<decltype(w)>;
                if constexpr (std::is_same_v<kind, Gtk::Label>)
                    init_label(*w, c);
                else if constexpr (std::is_same_v<kind, Gtk::DrawingArea>)
                    init_line(*w, c);
                else if constexpr (std::is_same_v<kind, Gtk::Button>)
                    init_button(*w, c);
                // The logo picture draws itself stretched to its box.
                return w;
            },
            widgets[i]);
        // By its name the style sheet takes the theme's padding and minimum sizes away from a
        // button, which would make it larger than its box.
        widget->set_name(std::string(c.name));
        pixel_rect box = pixel_box(c);
        widget->set_size_request(box.width, box.height);
        client.put(*widget, box.x, box.y);
    }
    // OK is the default button, and Esc presses it too (see on_key_press_event); the focus
    // starts on it (see on_map).
    cmdOK.set_can_default(true);
    set_default(cmdOK);
}

void about_box::init_label(Gtk::Label& label, const about_control& c) {
    label.set_text(std::string(c.text));
    set_font(label, font_of(c.font));
    label.set_line_wrap(true);
    label.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
    bool centred = c.align == about_align::centre;
    label.set_justify(centred ? Gtk::JUSTIFY_CENTER : Gtk::JUSTIFY_LEFT);
    label.set_xalign(centred ? 0.5f : 0.0f);
    label.set_yalign(0.0f);
    make_opaque(label, c.black_text);
}

void about_box::init_line(Gtk::DrawingArea& line, const about_control& c) {
    double red = (c.colour & 0xFF) / 255.0, green = (c.colour >> 8 & 0xFF) / 255.0,
           blue = (c.colour >> 16 & 0xFF) / 255.0;
    line.get_accessible()->set_role(Atk::ROLE_SEPARATOR);
    line.signal_draw().connect([red, green, blue](const Cairo::RefPtr<Cairo::Context>& cr) {
        cr->set_source_rgb(red, green, blue);
        cr->paint();
        return true;
    });
}

void about_box::init_button(Gtk::Button& button, const about_control& c) {
    if (auto* text = dynamic_cast<Gtk::Label*>(button.get_child())) {
        set_font(*text, font_of(c.font));
        underline_access_key(*text);
    }
}

void about_box::on_realize() {
    Gtk::Dialog::on_realize();
    // A fixed dialog frame: title bar with a close box, no minimise or maximise, no resizing.
    get_window()->set_functions(Gdk::FUNC_MOVE | Gdk::FUNC_CLOSE);
    get_window()->set_decorations(Gdk::DECOR_BORDER | Gdk::DECOR_TITLE);
    // The box has no icon. As a transient of the window that shows it, GTK hands it that
    // window's icons when it is realized, as _NET_WM_ICON and as the icon pixmap of WM_HINTS,
    // which some window managers fall back to; an empty icon list takes both away.
    gdk_window_set_icon_list(get_window()->gobj(), nullptr);
}

void about_box::on_map() {
    Gtk::Dialog::on_map();
    // The focus starts on OK each time the box appears. Grabbed afresh once the box is on
    // screen, so that the containers' focus chain leads to OK and Tab goes on to System Info
    // (a focus set before the show leaves the chain empty, and the first Tab lands on OK).
    unset_focus();
    cmdOK.grab_focus();
}

bool about_box::on_key_press_event(GdkEventKey* event) {
    // OK is also the cancel button: Esc presses it from anywhere in the box.
    if (event->keyval == GDK_KEY_Escape &&
        (event->state & gtk_accelerator_get_default_mod_mask()) == 0) {
        cmdOK.clicked();
        return true;
    }
    return Gtk::Dialog::on_key_press_event(event);
}

void about_box::cmdOK_Click() {
    // Ends the modal show; whoever showed the box then unloads it.
    response(Gtk::RESPONSE_OK);
}

void about_box::cmdSysInfo_Click() {
    machine_store store(store_file_);
    StartSysInfo(store, launch_program,
                 [this](const std::string& message) { show_unavailable(message); });
}

void about_box::show_unavailable(const std::string& message) {
    // Transient for the box, so it stays above it; the box stays open once it is answered.
    Gtk::MessageDialog box(*this, message, false, Gtk::MESSAGE_OTHER, Gtk::BUTTONS_OK, true);
    box.set_title(std::string(app_title));
    box.set_skip_taskbar_hint(true);
    box.set_position(Gtk::WIN_POS_CENTER);
    box.run();
}

} // namespace zarnic
