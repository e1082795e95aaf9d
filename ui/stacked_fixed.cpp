#include "ui/stacked_fixed.h"

#include <algorithm>

namespace zarnic {

bool stacked_fixed::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    for (Gtk::Widget* child : get_children())
        if (std::find(paint_order.begin(), paint_order.end(), child) == paint_order.end())
            propagate_draw(*child, cr);
    for (Gtk::Widget* child : paint_order)
        propagate_draw(*child, cr);
    return false;
}

} // namespace zarnic
