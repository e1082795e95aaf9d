#pragma once
// The fonts the windows are laid out for, by the faces that stand in for them here, and the one
// way a widget is given its own font: a Pango attribute on its text.

#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <pangomm/fontdescription.h>

#include <string_view>

namespace zarnic {

// Arial and MS Sans Serif become Liberation Sans (metric-compatible with Arial), Tahoma becomes
// DejaVu Sans Condensed (close to its width).
inline constexpr std::string_view arial = "Liberation Sans";
inline constexpr std::string_view ms_sans_serif = "Liberation Sans";
inline constexpr std::string_view tahoma = "DejaVu Sans Condensed";

enum font_style { regular = 0, bold = 1, italic = 2 };

// The font of one of the families above at a size in points, bold and/or italic.
Pango::FontDescription font_description(std::string_view family, double points,
                                        int style = regular);

// Draws the label's (or the entry's) text in the font.
void set_font(Gtk::Label& label, const Pango::FontDescription& font);
// Draws the label's access key (the letter after "_" of its mnemonic) underlined at all times, as
// part of the text: GTK would show it only while Alt is held. Call it after set_font.
void underline_access_key(Gtk::Label& label);
void set_font(Gtk::Entry& entry, const Pango::FontDescription& font);

} // namespace zarnic
