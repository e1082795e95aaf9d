#include "app/layout.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/stylecontext.h>

#include <sstream>

namespace zarnic {

void add_css(Gtk::Widget& widget, const std::string& css) {
    auto provider = Gtk::CssProvider::create();
    provider->load_from_data("* {" + css + "}");
    widget.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void set_font(Gtk::Widget& widget, std::string_view family, double points, int style) {
    std::ostringstream css;
    css.imbue(std::locale::classic());
    css << "font-family: \"" << family << "\"; font-size: " << points << "pt; font-weight: "
        << ((style & kBold) ? "bold" : "normal")
        << "; font-style: " << ((style & kItalic) ? "italic" : "normal") << ";";
    add_css(widget, css.str());
}

Pango::FontDescription font_description(std::string_view family, double points, int style) {
    Pango::FontDescription font;
    font.set_family(Glib::ustring(family.data(), family.size()));
    font.set_size(int(points * PANGO_SCALE + 0.5));
    font.set_weight((style & kBold) ? Pango::WEIGHT_BOLD : Pango::WEIGHT_NORMAL);
    font.set_style((style & kItalic) ? Pango::STYLE_ITALIC : Pango::STYLE_NORMAL);
    return font;
}

void make_opaque(Gtk::Widget& widget) { add_css(widget, "background-color: @theme_bg_color;"); }

} // namespace zarnic
