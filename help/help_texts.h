#pragma once
// The fixed content of the Help window: the four tab captions and, for each page, its labels and
// picture with their boxes, text styles and texts. Nothing here changes at run time; the window
// builds its pages by walking these tables, and the tests read them.

#include "ui/layout.h"

#include <pangomm/fontdescription.h>

#include <span>
#include <string_view>

namespace zarnic {

// How a page element is drawn: the four label text styles, or the logo picture.
enum class HelpStyle { Question, Heading, SubHeading, Body, Picture };

// The font of a label text style (all Arial, drawn with its stand-in).
Pango::FontDescription help_font(HelpStyle style);

struct HelpElement {
    std::string_view name; // the control's name, e.g. "Label14" or "Label1(2)"
    Twips box;
    HelpStyle style;
    std::string_view text; // empty for the picture
};

struct HelpPage {
    std::string_view caption;
    // Stacking order where boxes overlap: topmost first.
    std::span<const HelpElement> elements;
};

// The hint that stands on every page; it ends with the support address and one space.
std::string_view help_hint_text();

// The four pages, in tab order.
std::span<const HelpPage> help_pages();

} // namespace zarnic
