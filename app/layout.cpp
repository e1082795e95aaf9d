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

void make_opaque(Gtk::Widget& widget) { add_css(widget, "background-color: @theme_bg_color;"); }

} // namespace zarnic
