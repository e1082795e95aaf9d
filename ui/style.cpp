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
    widget.get_style_context()->add_class(black_text ? "opaque-black" : "opaque");
}

} // namespace zarnic
