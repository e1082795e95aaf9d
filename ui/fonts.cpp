#include "ui/fonts.h"

#include <pangomm/attrlist.h>

namespace zarnic {
namespace {

Pango::AttrList font_attributes(const Pango::FontDescription& font) {
    Pango::AttrList attributes;
    auto attribute = Pango::Attribute::create_attr_font_desc(font);
    attributes.insert(attribute);
    return attributes;
}

} // namespace

Pango::FontDescription font_description(std::string_view family, double points, int style) {
    Pango::FontDescription font;
    font.set_family(Glib::ustring(family.data(), family.size()));
    font.set_size(int(points * PANGO_SCALE + 0.5));
    font.set_weight((style & bold) ? Pango::WEIGHT_BOLD : Pango::WEIGHT_NORMAL);
    font.set_style((style & italic) ? Pango::STYLE_ITALIC : Pango::STYLE_NORMAL);
    return font;
}

void set_font(Gtk::Label& label, const Pango::FontDescription& font) {
    Pango::AttrList attributes = font_attributes(font);
    label.set_attributes(attributes);
}

void underline_access_key(Gtk::Label& label) {
    const Glib::ustring marked = label.get_label();
    const auto mark = marked.find('_');
    if (mark == Glib::ustring::npos || mark + 1 >= marked.size())
        return;
    // Byte offsets in the shown text, which lacks the mark.
    const std::string shown_before = marked.substr(0, mark).raw();
    const std::string key = marked.substr(mark + 1, 1).raw();
    Pango::AttrList attributes = label.get_attributes();
    auto underline = Pango::Attribute::create_attr_underline(Pango::UNDERLINE_SINGLE);
    underline.set_start_index(guint(shown_before.size()));
    underline.set_end_index(guint(shown_before.size() + key.size()));
    attributes.insert(underline);
    label.set_attributes(attributes);
}

void set_font(Gtk::Entry& entry, const Pango::FontDescription& font) {
    Pango::AttrList attributes = font_attributes(font);
    entry.set_attributes(attributes);
}

} // namespace zarnic
