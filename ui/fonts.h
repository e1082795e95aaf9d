#pragma once
// The fonts of the design, by the faces that stand in for them here, and the one way a widget is
// given its own font: a Pango attribute on its text.

#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <pangomm/fontdescription.h>

#include <string_view>

namespace zarnic {

// Arial and MS Sans Serif become Liberation Sans (metric-compatible with Arial), Tahoma becomes
// DejaVu Sans Condensed (close to its width).
inline constexpr std::string_view kArial = "Liberation Sans";
inline constexpr std::string_view kMsSansSerif = "Liberation Sans";
inline constexpr std::string_view kTahoma = "DejaVu Sans Condensed";

enum FontStyle { kRegular = 0, kBold = 1, kItalic = 2 };

// The font of a design family at a size in points, bold and/or italic.
Pango::FontDescription font_description(std::string_view family, double points, int style = kRegular);

// Draws the label's (or the entry's) text in the font.
void set_font(Gtk::Label& label, const Pango::FontDescription& font);
void set_font(Gtk::Entry& entry, const Pango::FontDescription& font);

} // namespace zarnic
