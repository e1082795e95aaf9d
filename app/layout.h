#pragma once
// Helpers for windows laid out from tables in twips: 15 twips make one pixel at scale 1, and
// GTK's own scale factor takes care of HiDPI screens.

#include <gtkmm/widget.h>
#include <pangomm/fontdescription.h>

#include <string_view>

namespace zarnic {

// A control's box in twips, relative to its container.
struct Twips {
    int left;
    int top;
    int width;
    int height;
};

constexpr int px(int twips) { return (twips + 7) / 15; }

// The program's stand-ins for the fonts of the design: Arial and MS Sans Serif become Liberation
// Sans (metric-compatible with Arial), Tahoma becomes DejaVu Sans Condensed.
inline constexpr std::string_view kArial = "Liberation Sans";
inline constexpr std::string_view kMsSansSerif = "Liberation Sans";
inline constexpr std::string_view kTahoma = "DejaVu Sans Condensed";

enum FontStyle { kRegular = 0, kBold = 1, kItalic = 2 };

// The font of a design family at a size in points, bold and/or italic.
Pango::FontDescription font_description(std::string_view family, double points, int style = kRegular);

// Gives a widget its own font (family, size in points, bold or italic).
void set_font(Gtk::Widget& widget, std::string_view family, double points, int style = kRegular);

// Paints the widget's whole box in the window's background colour before its content, as a
// label of the design does, so that it covers whatever lies below it.
void make_opaque(Gtk::Widget& widget);

// Gives a widget CSS of its own (for colours and the like).
void add_css(Gtk::Widget& widget, const std::string& css);

} // namespace zarnic
