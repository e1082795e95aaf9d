#include "help/help_window.h"

#include "help/box_label.h"
#include "resources/resources.h"
#include "ui/fonts.h"
#include "ui/style.h"
#include "ui/window_host.h"

#include <gtkmm/drawingarea.h>
#include <gtkmm/label.h>

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

HelpWindow::HelpWindow()
    : client_(px(kHelpLayout.client.width), px(kHelpLayout.client.height))
    , SSTab1(px(kHelpLayout.SSTab1.width), px(kHelpLayout.SSTab1.height),
             kHelpLayout.tabs_per_row, px(kHelpLayout.tab_height)) {
    init_window();
    init_SSTab1();
    init_Command1();
    show_all_children();
}

void HelpWindow::init_window() {
    load_style_sheet();
    set_title(ustring(kHelpTitle));
    set_type_hint(Gdk::WINDOW_TYPE_HINT_UTILITY);
    set_skip_taskbar_hint(true);
    set_resizable(false);
    set_position(Gtk::WIN_POS_CENTER);
    add(client_);
}

void HelpWindow::init_SSTab1() {
    client_.put(SSTab1, px(kHelpLayout.SSTab1.left), px(kHelpLayout.SSTab1.top));
    const auto tab_font = help_font(HelpStyle::Body);
    for (const HelpPage& page_content : help_pages()) {
        Gtk::Fixed& page = SSTab1.add_page(ustring(page_content.caption), tab_font);
        // The table lists the topmost element first; a container paints its children in the
        // order they were put, so the topmost goes in last and paints over the boxes below.
        for (auto it = page_content.elements.rbegin(); it != page_content.elements.rend(); ++it) {
            const HelpElement& e = *it;
            const int width = px(e.box.width), height = px(e.box.height);
            Gtk::Widget* widget = nullptr;
            if (e.style == HelpStyle::Picture) {
                auto* picture = Gtk::make_managed<resources::Picture>(resources::kLogo);
                picture->set_size_request(width, height);
                widget = picture;
            } else {
                widget = Gtk::make_managed<BoxLabel>(ustring(e.text), help_font(e.style),
                                                     width, height);
            }
            page.put(*widget, px(e.box.left), px(e.box.top));
            elements_[e.name] = widget;
        }
    }
}

void HelpWindow::init_Command1() {
    const Twips& box = kHelpLayout.Command1;
    Command1.add(*make_caption(kCommand1Caption, font_description(kArial, 8.25)));
    Command1.set_size_request(px(box.width), px(box.height));
    // Neither the default nor the cancel button: Enter and Escape elsewhere do not press it.
    Command1.set_can_default(false);
    Command1.set_name("Command1");
    client_.put(Command1, px(box.left), px(box.top));
    Command1.signal_clicked().connect(sigc::mem_fun(*this, &HelpWindow::Command1_Click));
}

Gtk::Widget* HelpWindow::element(std::string_view name) const {
    auto it = elements_.find(name);
    return it == elements_.end() ? nullptr : it->second;
}

void HelpWindow::Command1_Click() {
    unload(*this);
}

} // namespace zarnic
