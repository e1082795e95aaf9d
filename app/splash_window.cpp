#include "app/splash_window.h"

#include "app/shared_windows.h"
#include "resources/constants.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/window_host.h"
#include "webview/web_view.h"

#include <atkmm/object.h>
#include <gdkmm/general.h>
#include <glibmm/main.h>

#include <algorithm>
#include <vector>

namespace zarnic {

namespace {

// Whether a key press types a character: letters, digits and the like, also with Ctrl (a control
// character) or AltGr, and Enter, Esc, Backspace and Tab; not Shift, arrows or function keys.
// Alt with a key is a command, not typing (AltGr is another modifier), and Delete maps to a code
// point but types nothing.
bool produces_character(const GdkEventKey& event) {
    if ((event.state & GDK_MOD1_MASK) || event.keyval == GDK_KEY_Delete ||
        event.keyval == GDK_KEY_KP_Delete)
        return false;
    switch (event.keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
    case GDK_KEY_Escape:
    case GDK_KEY_BackSpace:
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return true;
    default:
        return gdk_keyval_to_unicode(event.keyval) != 0;
    }
}

} // namespace

std::string version_text(int major, int minor, int revision) {
    return "Version " + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(revision);
}

splash_window::splash_window()
    : lblCopyright("Copyright")
    , lblCompany("Quellan")
    , lblVersion("Version 1.0.0")
    , lblPlatform("Windows XP/2000")
    , lblProductName("Zarnic!")
    , lblCompanyProduct("Making the web a doddle!") {
    load_style_sheet();
    set_title("");
    set_decorated(false);
    set_type_hint(Gdk::WINDOW_TYPE_HINT_SPLASHSCREEN);
    set_skip_taskbar_hint(true);
    set_skip_pager_hint(true);
    set_resizable(false);
    set_position(Gtk::WIN_POS_CENTER);
    client_.set_size_request(px(splash_layout::client_width), px(splash_layout::client_height));
    add(client_);

    init_frame();
    init_labels();

    // Nothing in the window takes the focus: every key press comes to the window itself.
    add_events(Gdk::KEY_PRESS_MASK);
    signal_key_press_event().connect(sigc::mem_fun(*this, &splash_window::Form_KeyPress), false);

    // Hidden widgets measure nothing: show the controls before the load step sizes labels.
    client_.show_all();
    Form_Load();
    start_Timer1();
}

void splash_window::start_Timer1() {
    // The half second is the person's, to see the splash and to press a key on it. It starts
    // when the window is made, and again when the splash is first on the screen: on a slow
    // machine, or under a busy window manager, that can be well after. Until then it waits, but
    // not forever, should the splash never be shown. The timer gives way to input already
    // waiting: when the program was too busy to read a key typed while the splash showed
    // (starting the web engine holds up the main loop), the key is handled before the timer.
    Timer1.disconnect();
    Timer1 = Glib::signal_timeout().connect(
        [this] {
            if (!shown_ && ++unseen_ticks_ < splash_layout::unseen_ticks)
                return true;
            Timer1_Timer();
            return false;
        },
        splash_layout::timer_ms, Glib::PRIORITY_DEFAULT_IDLE);
}

splash_window::~splash_window() {
    Timer1.disconnect();
}

void splash_window::init_frame() {
    const twips_box& f = splash_layout::Frame1;
    Frame1.set_size_request(px(f.width), px(f.height));
    Frame1.add_events(Gdk::BUTTON_PRESS_MASK);
    Frame1.signal_button_press_event().connect(sigc::mem_fun(*this, &splash_window::Frame1_Click));
    Frame1.signal_draw().connect(sigc::mem_fun(*this, &splash_window::Frame1_Draw), false);
    Frame1.add(frame_content);
    client_.put(Frame1, px(f.left), px(f.top));
}

void splash_window::init_labels() {
    // The labels go in as a person reads them, top to bottom (the order assistive technology
    // takes), and are painted in the table's order from back to front, so that where two boxes
    // overlap the one listed first lies on top.
    struct label_row {
        Gtk::Label& label;
        const twips_box& box;
        int style;
        double points;
        Gtk::Align align;
        bool sizes_itself;
    };
    const label_row rows[] = {
        {lblCopyright, splash_layout::lblCopyright, regular, 8.25, Gtk::ALIGN_START, false},
        {lblCompany, splash_layout::lblCompany, bold, 8.25, Gtk::ALIGN_START, false},
        {lblVersion, splash_layout::lblVersion, bold, 12, Gtk::ALIGN_END, true},
        {lblPlatform, splash_layout::lblPlatform, bold, 15.75, Gtk::ALIGN_END, true},
        {lblProductName, splash_layout::lblProductName, bold, 32.25, Gtk::ALIGN_CENTER, true},
        {lblCompanyProduct, splash_layout::lblCompanyProduct, bold, 9.75, Gtk::ALIGN_CENTER, true},
    };
    std::vector<const label_row*> reading;
    for (const label_row& row : rows) {
        set_font(row.label, font_description(arial, row.points, row.style));
        make_opaque(row.label);
        row.label.set_xalign(row.align == Gtk::ALIGN_START ? 0.0f
                             : row.align == Gtk::ALIGN_END ? 1.0f
                                                           : 0.5f);
        row.label.set_yalign(0.0f);
        if (!row.sizes_itself)
            row.label.set_size_request(px(row.box.width), px(row.box.height));
        frame_content.paint_order.insert(frame_content.paint_order.begin(), &row.label);
        reading.push_back(&row);
    }
    std::stable_sort(reading.begin(), reading.end(),
                     [](auto* a, auto* b) { return a->box.top < b->box.top; });
    for (const label_row* row : reading)
        frame_content.put(row->label, px(row->box.left), px(row->box.top));

    const twips_box& line = splash_layout::Line1;
    Line1.set_size_request(std::min(px(line.width), px(splash_layout::Frame1.width)), 1);
    Line1.get_accessible()->set_role(Atk::ROLE_SEPARATOR);
    Line1.signal_draw().connect([this](const Cairo::RefPtr<Cairo::Context>& cr) {
        Gdk::RGBA ink = get_style_context()->get_color(Gtk::STATE_FLAG_NORMAL);
        Gdk::Cairo::set_source_rgba(cr, ink);
        cr->paint();
        return true;
    });
    frame_content.put(Line1, px(line.left), px(line.top));
    frame_content.paint_order.push_back(&Line1);

    const twips_box& image = splash_layout::Image1;
    Image1.set_size_request(px(image.width), px(image.height));
    frame_content.put(Image1, px(image.left), px(image.top));
    frame_content.paint_order.push_back(&Image1);
}

void splash_window::place_sized(Gtk::Label& label, const twips_box& box, Gtk::Align keep) {
    int min_w = 0, nat_w = 0, min_h = 0, nat_h = 0;
    label.get_preferred_width(min_w, nat_w);
    label.get_preferred_height_for_width(nat_w, min_h, nat_h);
    int left = px(box.left);
    if (keep == Gtk::ALIGN_END)
        left = px(box.left + box.width) - nat_w;
    else if (keep == Gtk::ALIGN_CENTER)
        left = px(box.left + box.width / 2) - nat_w / 2;
    label.set_size_request(nat_w, nat_h);
    frame_content.move(label, left, px(box.top));
}

void splash_window::Form_Load() {
    lblVersion.set_text(version_text(version_major, version_minor, version_revision));
    lblProductName.set_text(std::string(app_title));
    place_sized(lblVersion, splash_layout::lblVersion, Gtk::ALIGN_END);
    place_sized(lblProductName, splash_layout::lblProductName, Gtk::ALIGN_CENTER);
    place_sized(lblPlatform, splash_layout::lblPlatform, Gtk::ALIGN_END);
    place_sized(lblCompanyProduct, splash_layout::lblCompanyProduct, Gtk::ALIGN_CENTER);
}

void splash_window::Timer1_Timer() {
    // Unloading destroys this window; the program lives on because the browser window is
    // registered before control returns to the main loop.
    unload(*this);
    show_Webbro();
}

bool splash_window::Form_KeyPress(GdkEventKey* event) {
    if (produces_character(*event))
        unload(*this);
    return true;
}

bool splash_window::on_map_event(GdkEventAny* event) {
    // A key typed while the splash shows must reach it, but window managers need not give a
    // splash screen the keyboard focus, and KWin never does. So the splash holds the keyboard
    // for as long as it shows, and stays a splash screen, which window managers leave without
    // a frame, out of the taskbar and above other windows where the program put it. The X
    // server ends the hold when the window leaves the screen or the program ends; on_unmap
    // also lets go. Should another program hold the keyboard, the focus asked for below is
    // what is left.
    present_to_user(*this);
    // A window manager that frames windows shows the splash, and so lets it hold the keyboard,
    // only once the frame is up, which may come a while after this; and a window manager may
    // hold the keyboard itself for a moment while it places the window. Until the splash holds
    // it, the hold is tried again at every frame.
    if (!hold_keyboard())
        add_tick_callback(
            [this](const Glib::RefPtr<Gdk::FrameClock>&) { return !hold_keyboard(); });
    return Gtk::Window::on_map_event(event);
}

bool splash_window::hold_keyboard() {
    auto seat = get_display()->get_default_seat();
    const Gdk::GrabStatus held = seat->grab(get_window(), Gdk::SEAT_CAPABILITY_KEYBOARD, false);
    if (held != Gdk::GRAB_NOT_VIEWABLE && !viewable_) {
        viewable_ = true;
        queue_draw();
    }
    if (held == Gdk::GRAB_SUCCESS)
        keyboard_ = seat;
    return bool(keyboard_);
}

bool splash_window::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    const bool drawn = Gtk::Window::on_draw(cr);
    // Drawn on the screen at last: the half second starts again from here. Starting the web
    // engine holds up the main loop for a moment: it waits until the splash shows and has the
    // keyboard.
    if (viewable_ && !shown_) {
        shown_ = true;
        if (Timer1.connected())
            start_Timer1();
        Glib::signal_idle().connect_once([] { web_view_warm_up(); });
    }
    return drawn;
}

void splash_window::on_unmap() {
    if (keyboard_) {
        keyboard_->ungrab();
        keyboard_.reset();
    }
    Gtk::Window::on_unmap();
}

bool splash_window::Frame1_Click(GdkEventButton* event) {
    if (event->type != GDK_BUTTON_PRESS || event->button != 1)
        return false;
    // Labels and the picture have no click handler: a click on them does nothing.
    for (Gtk::Widget* child : frame_content.get_children()) {
        Gtk::Allocation a = child->get_allocation();
        int x = int(event->x), y = int(event->y);
        if (x >= a.get_x() && x < a.get_x() + a.get_width() && y >= a.get_y() &&
            y < a.get_y() + a.get_height())
            return true;
    }
    unload(*this);
    return true;
}

bool splash_window::Frame1_Draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    // A plain etched frame border around the frame's surface.
    auto style = get_style_context();
    const double w = Frame1.get_allocated_width(), h = Frame1.get_allocated_height();
    style->render_background(cr, 0, 0, w, h);
    cr->set_line_width(1);
    cr->set_source_rgb(0.5, 0.5, 0.5);
    cr->rectangle(0.5, 0.5, w - 2, h - 2);
    cr->stroke();
    cr->set_source_rgb(1, 1, 1);
    cr->rectangle(1.5, 1.5, w - 2, h - 2);
    cr->stroke();
    return false;
}

} // namespace zarnic
