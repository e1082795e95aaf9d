#include "help/tab_control.h"

#include "ui/fonts.h"

#include <gtkmm/label.h>
#include <gtkmm/stylecontext.h>

namespace zarnic {

tab_control::tab_control(int width, int height, int tabs_per_row, int tab_height)
    : width_(width)
    , height_(height)
    , tabs_per_row_(tabs_per_row)
    , tab_height_(tab_height) {
    set_can_focus(true);
    // Its tabs take their look from the style sheet's rules for this class.
    get_style_context()->add_class("tab-control");
    set_size_request(width_, height_);
    stack_.set_size_request(width_, height_);
    stack_.set_transition_type(Gtk::STACK_TRANSITION_TYPE_NONE);
    // The pages lie under the tab strip, but are read after it: the stack goes in after each
    // new tab and is painted first.
    put(stack_, 0, 0);
    paint_order.push_back(&stack_);
}

int tab_control::get_strip_height() const {
    const int rows = (get_tab_count() + tabs_per_row_ - 1) / tabs_per_row_;
    return rows * tab_height_;
}

stacked_fixed& tab_control::add_page(const Glib::ustring& caption,
                                     const Pango::FontDescription& font) {
    const int index = get_tab_count();
    const int row = index / tabs_per_row_;
    const int column = index % tabs_per_row_;
    // Tabs share a row's width evenly, also in a row that holds fewer of them.
    const int left = column * width_ / tabs_per_row_;
    const int right = (column + 1) * width_ / tabs_per_row_;

    auto* page = Gtk::make_managed<stacked_fixed>();
    page->set_size_request(width_, height_);
    stack_.add(*page);
    pages_.push_back(page);

    auto* tab = Gtk::make_managed<Gtk::RadioButton>(group_);
    tab->set_mode(false); // drawn as a button, not as a radio indicator
    tab->set_can_focus(false);
    tab->set_size_request(right - left, tab_height_);
    auto* label = Gtk::make_managed<Gtk::Label>(caption);
    set_font(*label, font);
    tab->add(*label);
    put(*tab, left, row * tab_height_);
    paint_order.push_back(tab);
    remove(stack_);
    put(stack_, 0, 0);
    tabs_.push_back(tab);
    tab->signal_toggled().connect([this, index] { on_tab_toggled(index); });

    if (index == 0)
        set_selected(0);
    return *page;
}

void tab_control::set_selected(int index) {
    if (index < 0 || index >= get_tab_count() || index == selected_)
        return;
    selected_ = index;
    tabs_[index]->set_active(true);
    stack_.set_visible_child(*pages_[index]);
    queue_draw();
}

void tab_control::on_tab_toggled(int index) {
    if (!tabs_[index]->get_active())
        return;
    set_selected(index);
    // A tab picked with the mouse takes the focus to the control, as a tab control does.
    if (get_realized())
        grab_focus();
}

void tab_control::on_map() {
    stacked_fixed::on_map();
    // The stack's window was made after the tabs' input windows and would take their clicks:
    // the tabs go back on top.
    for (Gtk::RadioButton* tab : tabs_)
        if (GdkWindow* input = gtk_button_get_event_window(GTK_BUTTON(tab->gobj())))
            gdk_window_raise(input);
}

bool tab_control::on_key_press_event(GdkEventKey* event) {
    const auto modifiers = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK);
    // Ctrl+Page Up/Down turn the pages as in GTK's own notebooks.
    if (modifiers == GDK_CONTROL_MASK &&
        (event->keyval == GDK_KEY_Page_Up || event->keyval == GDK_KEY_Page_Down)) {
        set_selected(selected_ + (event->keyval == GDK_KEY_Page_Up ? -1 : 1));
        return true;
    }
    if (modifiers == 0) {
        switch (event->keyval) {
        case GDK_KEY_Left:
        case GDK_KEY_KP_Left:
            set_selected(selected_ - 1);
            return true;
        case GDK_KEY_Right:
        case GDK_KEY_KP_Right:
            set_selected(selected_ + 1);
            return true;
        case GDK_KEY_Home:
        case GDK_KEY_KP_Home:
            set_selected(0);
            return true;
        case GDK_KEY_End:
        case GDK_KEY_KP_End:
            set_selected(get_tab_count() - 1);
            return true;
        default:
            break;
        }
    }
    return stacked_fixed::on_key_press_event(event);
}

bool tab_control::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    const int strip = get_strip_height();
    auto context = get_style_context();
    context->context_save();
    context->add_class(GTK_STYLE_CLASS_FRAME);
    context->render_frame(cr, 0, strip, width_, height_ - strip);
    context->context_restore();

    stacked_fixed::on_draw(cr);

    if (has_focus() && selected_ >= 0) {
        Gtk::RadioButton& tab = *tabs_[selected_];
        int x = 0, y = 0;
        tab.translate_coordinates(*this, 0, 0, x, y);
        tab.get_style_context()->render_focus(cr, x, y, tab.get_allocated_width(),
                                              tab.get_allocated_height());
    }
    return false;
}

} // namespace zarnic
