#include "help/box_label.h"

#include <gdkmm/general.h>
#include <gtkmm/stylecontext.h>

namespace zarnic {

box_label::box_label(const Glib::ustring& text, const Pango::FontDescription& font, int width,
                     int height)
    : Gtk::Label(text)
    , text_(text)
    , font_(font)
    , width_(width)
    , height_(height) {
    set_can_focus(false);
    set_size_request(width, height);
    // The background class gives the theme's window colours: its background and its text colour.
    get_style_context()->add_class(GTK_STYLE_CLASS_BACKGROUND);
}

// Breaks the text into lines the way classic word-wrapping labels do: a word that does not fit
// on the line starts the next one, and the spaces before it stay at the end of the line, where
// they take no room. Pango's own wrapping counts those spaces, so a long run of them would pull
// the word before it onto the next line as well.
Glib::ustring box_label::wrap(const Glib::RefPtr<Pango::Layout>& measure) const {
    auto width_of = [&](const Glib::ustring& line) {
        measure->set_text(line);
        int w = 0, h = 0;
        measure->get_pixel_size(w, h);
        return w;
    };
    Glib::ustring result;
    Glib::ustring line;    // the current line up to its last word
    Glib::ustring pending; // spaces after that word
    bool line_has_word = false;
    auto flush_word = [&](Glib::ustring& word) {
        if (word.empty())
            return;
        const Glib::ustring candidate = line + pending + word;
        if (line_has_word && width_of(candidate) > width_) {
            result += line + pending + "\n";
            line = word;
        } else {
            line = candidate;
        }
        pending.clear();
        word.clear();
        line_has_word = true;
    };
    Glib::ustring word;
    for (gunichar c : text_) {
        if (c == '\n') {
            flush_word(word);
            result += line + pending + "\n";
            line.clear();
            pending.clear();
            line_has_word = false;
        } else if (c == ' ') {
            flush_word(word);
            pending += c;
        } else {
            word += c;
        }
    }
    flush_word(word);
    return result + line + pending;
}

Glib::RefPtr<Pango::Layout> box_label::layout() {
    // Plain text, never markup: the texts contain characters that markup would interpret.
    auto result = create_pango_layout("");
    result->set_font_description(font_);
    result->set_alignment(Pango::ALIGN_LEFT);
    result->set_text(wrap(result));
    return result;
}

bool box_label::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    const int width = get_allocated_width();
    const int height = get_allocated_height();
    cr->rectangle(0, 0, width, height);
    cr->clip();
    auto context = get_style_context();
    context->render_background(cr, 0, 0, width, height);
    Gdk::Cairo::set_source_rgba(cr, context->get_color(context->get_state()));
    cr->move_to(0, 0);
    layout()->show_in_cairo_context(cr);
    return true;
}

Gtk::SizeRequestMode box_label::get_request_mode_vfunc() const {
    return Gtk::SIZE_REQUEST_CONSTANT_SIZE;
}

void box_label::get_preferred_width_vfunc(int& minimum, int& natural) const {
    minimum = natural = width_;
}

void box_label::get_preferred_height_vfunc(int& minimum, int& natural) const {
    minimum = natural = height_;
}

void box_label::get_preferred_height_for_width_vfunc(int, int& minimum, int& natural) const {
    get_preferred_height_vfunc(minimum, natural);
}

void box_label::get_preferred_width_for_height_vfunc(int, int& minimum, int& natural) const {
    get_preferred_width_vfunc(minimum, natural);
}

} // namespace zarnic
