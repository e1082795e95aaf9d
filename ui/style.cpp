#include "ui/style.h"

#include "resources/resources.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

#include <mutex>

namespace zarnic {

void load_style_sheet() {
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        auto provider = Gtk::CssProvider::create();
        provider->load_from_resource(resources::path("style.css"));
        Gtk::StyleContext::add_provider_for_screen(Gdk::Screen::get_default(), provider,
                                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    });
}

void make_opaque(Gtk::Widget& widget, bool black_text) {
    // Black text is dark ink on a light button face. On a dark theme it would all
    // but vanish, so the theme's own text colour takes its place there.
    auto style = widget.get_style_context();
    Gdk::RGBA ground;
    const bool dark_ground =
        style->lookup_color("theme_bg_color", ground) &&
        0.2126 * ground.get_red() + 0.7152 * ground.get_green() + 0.0722 * ground.get_blue() < 0.5;
    style->add_class(black_text && !dark_ground ? "opaque-black" : "opaque");
}

} // namespace zarnic
