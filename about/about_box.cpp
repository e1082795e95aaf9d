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

#include <stdexcept>
#include <utility>

namespace zarnic {
namespace {

// The fonts of the design, by the faces that stand in for them here.
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

} // namespace

pixel_rect pixel_box(const about_control& c) {
    int x = px(c.left), y = px(c.top);
    if (c.kind == about_kind::line)
        return {x, y, px(c.left + c.width) - x, c.thickness};
    return {x, y, px(c.width), px(c.height)};
}

about_box::about_box()
    : about_box(std::string(store_location())) {}

about_box::about_box(std::string store_file, program_launcher launch)
    : cmdOK("OK")
    , cmdSysInfo("_System Info...", true)
    , store_file_(std::move(store_file))
    , launch_(std::move(launch)) {
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

Gtk::Widget& about_box::control(std::string_view name) {
    if (name == "lblTitle")
        return lblTitle;
    if (name == "Image1")
        return Image1;
    if (name == "lblVersion")
        return lblVersion;
    if (name == "lblDescription")
        return lblDescription;
    if (name == "Line1(0)")
        return Line1[0];
    if (name == "Line1(1)")
        return Line1[1];
    if (name == "Line1(2)")
        return Line1[2];
    if (name == "lblDisclaimer")
        return lblDisclaimer;
    if (name == "cmdOK")
        return cmdOK;
    if (name == "cmdSysInfo")
        return cmdSysInfo;
    if (name == "Label1")
        return Label1;
    throw std::out_of_range("no About box control named " + std::string(name));
}

void about_box::init_controls() {
    for (const about_control& c : about_box_layout) {
        Gtk::Widget& widget = control(c.name);
        widget.set_name(std::string(c.name));
        switch (c.kind) {
        case about_kind::label:
            init_label(dynamic_cast<Gtk::Label&>(widget), c);
            break;
        case about_kind::line:
            init_line(dynamic_cast<Gtk::DrawingArea&>(widget), c);
            break;
        case about_kind::button:
            init_button(dynamic_cast<Gtk::Button&>(widget), c);
            break;
        case about_kind::image:
            break; // the logo picture draws itself stretched to its box
        }
        pixel_rect box = pixel_box(c);
        widget.set_size_request(box.width, box.height);
        client.put(widget, box.x, box.y);
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
    // The style sheet takes the theme's padding and minimum sizes away from the buttons, which
    // would make them larger than their design size.
    button.set_name(std::string(c.name));
}

void about_box::on_realize() {
    Gtk::Dialog::on_realize();
    // A fixed dialog frame: title bar with a close box, no minimise or maximise, no resizing.
    get_window()->set_functions(Gdk::FUNC_MOVE | Gdk::FUNC_CLOSE);
    get_window()->set_decorations(Gdk::DECOR_BORDER | Gdk::DECOR_TITLE);
}

void about_box::on_map() {
    Gtk::Dialog::on_map();
    // The box has no icon. As a transient of the window that shows it, GTK hands it that
    // window's icons when it is realized; they go once the box is on screen.
    gdk_property_delete(get_window()->gobj(), gdk_atom_intern_static_string("_NET_WM_ICON"));
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
    StartSysInfo(store, launch_, [this](const std::string& message) { show_unavailable(message); });
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
