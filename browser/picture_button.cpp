#include "browser/picture_button.h"

#include "resources/resources.h"
#include "ui/fonts.h"

#include <gdkmm/general.h>

namespace zarnic {

void picture_button::setup(std::string key, const std::string& caption, int picture, int width,
                           int height) {
    key_ = std::move(key);
    picture_ = picture;
    show_picture();
    // Drawn again when the window moves to a screen of another scale.
    image_.property_scale_factor().signal_changed().connect(
        sigc::mem_fun(*this, &picture_button::show_picture));

    caption_.set_text(caption);
    set_font(caption_, font_description(ms_sans_serif, 8.25));
    box_.pack_start(image_, Gtk::PACK_EXPAND_WIDGET);
    box_.pack_start(caption_, Gtk::PACK_SHRINK);
    button.add(box_);
    button.set_relief(Gtk::RELIEF_NONE);
    // A click leaves the keyboard focus where it was (in the address box, say); the toolbar is
    // reached with Tab, and arrows move along it.
    button.set_focus_on_click(false);
    button.set_tooltip_text(caption);
    button.set_size_request(width, height);
    button.set_valign(Gtk::ALIGN_START);
    add(button);
}

void picture_button::show_picture() {
    // Rendered for the screen's scale, so the picture stays sharp on HiDPI screens.
    const int scale = image_.get_scale_factor();
    image_.set(Gdk::Cairo::create_surface_from_pixbuf(
        resources::toolbar_picture(picture_, resources::toolbar_picture_size * scale), scale));
}

} // namespace zarnic
