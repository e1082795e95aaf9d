#include "help/help_window.h"

#include "help/box_label.h"
#include "resources/resources.h"
#include "ui/fonts.h"
#include "ui/picture_view.h"
#include "ui/style.h"
#include "ui/window_host.h"

#include <gtkmm/label.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace zarnic {
namespace {

Glib::ustring ustring(std::string_view text) {
    return Glib::ustring(text.data(), text.size());
}

// A label child carrying its own font, for the window's buttons.
Gtk::Label* make_caption(std::string_view text, const Pango::FontDescription& font) {
    auto* label = Gtk::make_managed<Gtk::Label>(ustring(text));
    set_font(*label, font);
    return label;
}

} // namespace

help_window::help_window()
    : client_(px(help_window_layout.client.width), px(help_window_layout.client.height))
    , SSTab1(px(help_window_layout.SSTab1.width), px(help_window_layout.SSTab1.height),
             help_window_layout.tabs_per_row, px(help_window_layout.tab_height)) {
    init_window();
    init_SSTab1();
    init_Command1();
    show_all_children();
}

void help_window::init_window() {
    load_style_sheet();
    set_title(ustring(help_title));
    set_type_hint(Gdk::WINDOW_TYPE_HINT_UTILITY);
    set_skip_taskbar_hint(true);
    set_resizable(false);
    set_position(Gtk::WIN_POS_CENTER);
    add(client_);
}

void help_window::init_SSTab1() {
    client_.put(SSTab1, px(help_window_layout.SSTab1.left), px(help_window_layout.SSTab1.top));
    const auto tab_font = help_font(help_style::body);
    for (const help_page& page_content : help_pages()) {
        stacked_fixed& page = SSTab1.add_page(ustring(page_content.caption), tab_font);
        // Elements go in as a person reads them, top to bottom, which is the order assistive
        // technology reads them in; the table lists the topmost first, so painted in reverse
        // table order the topmost goes last and paints over the boxes below it.
        std::vector<const help_element*> reading;
        for (const help_element& e : page_content.elements)
            reading.push_back(&e);
        std::stable_sort(reading.begin(), reading.end(), [](auto* a, auto* b) {
            return std::pair(a->box.top, a->box.left) < std::pair(b->box.top, b->box.left);
        });
        std::map<const help_element*, Gtk::Widget*> widget_of;
        for (const help_element* e : reading) {
            const int width = px(e->box.width), height = px(e->box.height);
            Gtk::Widget* widget = nullptr;
            if (e->style == help_style::picture) {
                auto* picture = Gtk::make_managed<picture_view>(resources::logo_picture);
                picture->set_size_request(width, height);
                widget = picture;
            } else {
                widget = Gtk::make_managed<box_label>(ustring(e->text), help_font(e->style), width,
                                                      height);
            }
            page.put(*widget, px(e->box.left), px(e->box.top));
            widget_of[e] = widget;
        }
        for (auto it = page_content.elements.rbegin(); it != page_content.elements.rend(); ++it)
            page.paint_order.push_back(widget_of[&*it]);
    }
}

void help_window::init_Command1() {
    const twips_box& box = help_window_layout.Command1;
    Command1.add(*make_caption(command1_caption, font_description(arial, 8.25)));
    Command1.set_size_request(px(box.width), px(box.height));
    // Neither the default nor the cancel button: Enter and Escape elsewhere do not press it.
    Command1.set_can_default(false);
    Command1.set_name("Command1");
    client_.put(Command1, px(box.left), px(box.top));
    Command1.signal_clicked().connect(sigc::mem_fun(*this, &help_window::Command1_Click));
}

void help_window::on_realize() {
    Gtk::Window::on_realize();
    // A fixed tool window: a title bar with a close box only, no minimise or maximise.
    get_window()->set_functions(Gdk::FUNC_MOVE | Gdk::FUNC_CLOSE);
    get_window()->set_decorations(Gdk::DECOR_BORDER | Gdk::DECOR_TITLE);
}

void help_window::Command1_Click() {
    unload(*this);
}

} // namespace zarnic
