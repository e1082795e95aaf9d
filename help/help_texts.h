#pragma once
// The fixed content of the Help window: the four tab captions and, for each page, its labels and
// picture with their boxes, text styles and texts. Nothing here changes at run time; the window
// builds its pages by walking these tables.

#include "ui/layout.h"

#include <pangomm/fontdescription.h>

#include <span>
#include <string_view>

namespace zarnic {

// How a page element is drawn: the four label text styles, or the logo picture.
enum class help_style { question, heading, sub_heading, body, picture };

// The font of a label text style (all Arial, drawn with its stand-in).
Pango::FontDescription help_font(help_style style);

struct help_element {
    std::string_view name; // the control's name, e.g. "Label14" or "Label1(2)"
    twips_box box;
    help_style style;
    std::string_view text; // empty for the picture
};

struct help_page {
    std::string_view caption;
    // Stacking order where boxes overlap: topmost first.
    std::span<const help_element> elements;
};

// The four pages, in tab order.
std::span<const help_page> help_pages();

} // namespace zarnic
