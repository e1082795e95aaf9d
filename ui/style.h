#pragma once
// The program's one style sheet (resources/style.css), loaded once for the screen. Its rules are
// scoped by the widgets' names and by the style classes below, so the engine's own dialogs and
// the message boxes keep the theme's look.

#include <gtkmm/widget.h>

namespace zarnic {

// Loads the style sheet, the first time only. Every window calls it before it builds itself.
void load_style_sheet();

// Makes a label paint its whole box in the window's background colour before its text, so that
// it covers whatever lies below it where boxes overlap; black_text gives it black text instead
// of the theme's, where the theme's background is light.
void make_opaque(Gtk::Widget& widget, bool black_text = false);

} // namespace zarnic
