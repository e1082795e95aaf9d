#pragma once
// A tab control whose tab strip wraps into rows: rows of tab buttons, a fixed number per row,
// over a stack of pages of which only the selected one is shown. Every page covers the whole
// control, so its children are placed relative to the control's top-left corner; the strip is
// drawn over the top of the pages and the page frame below it.
//
// It behaves like a tab control at the keyboard: the control takes the focus as one stop in the
// window's focus chain (its tab buttons take none), Left/Right and Ctrl+Page Up/Down select the
// previous/next tab and Home/End the first/last. Other keys, Enter and Escape among them, are left
// to the window.

#include "ui/stacked_fixed.h"

#include <gtkmm/fixed.h>
#include <gtkmm/radiobutton.h>
#include <gtkmm/stack.h>
#include <pangomm/fontdescription.h>

#include <vector>

namespace zarnic {

class tab_control : public stacked_fixed {
public:
    // Sizes in pixels: the whole control, and the height of one row of tabs.
    tab_control(int width, int height, int tabs_per_row, int tab_height);
    tab_control(const tab_control&) = delete;
    tab_control& operator=(const tab_control&) = delete;

    // Adds a tab with its caption at the end and returns its page, to be filled by the caller.
    // The first tab added is the selected one.
    stacked_fixed& add_page(const Glib::ustring& caption, const Pango::FontDescription& font);

    int get_tab_count() const { return int(tabs_.size()); }
    int get_selected() const { return selected_; }
    void set_selected(int index);

    // Height of the tab strip: its rows of tabs.
    int get_strip_height() const;

protected:
    bool on_key_press_event(GdkEventKey* event) override;
    void on_map() override;
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

private:
    void on_tab_toggled(int index);

    int width_;
    int height_;
    int tabs_per_row_;
    int tab_height_;
    Gtk::Stack stack_;
    Gtk::RadioButton::Group group_;
    std::vector<Gtk::RadioButton*> tabs_;
    std::vector<stacked_fixed*> pages_;
    int selected_ = -1;
};

} // namespace zarnic
