#include "ui/client_area.h"

#include <algorithm>

namespace zarnic {

client_area::client_area(int natural_width, int natural_height, size_rule sizing)
    : natural_width_(natural_width)
    , natural_height_(natural_height)
    , sizing_(sizing) {
    set_has_window(false);
}

void client_area::get_preferred_width_vfunc(int& minimum, int& natural) const {
    natural = natural_width_;
    minimum = sizing_ == size_rule::fixed ? natural : 1;
}

void client_area::get_preferred_height_vfunc(int& minimum, int& natural) const {
    natural = natural_height_;
    minimum = sizing_ == size_rule::fixed ? natural : 1;
}

void client_area::get_preferred_width_for_height_vfunc(int, int& minimum, int& natural) const {
    get_preferred_width_vfunc(minimum, natural);
}

void client_area::get_preferred_height_for_width_vfunc(int, int& minimum, int& natural) const {
    get_preferred_height_vfunc(minimum, natural);
}

void client_area::on_size_allocate(Gtk::Allocation& allocation) {
    set_allocation(allocation);
    if (on_resize &&
        (allocation.get_width() != last_width_ || allocation.get_height() != last_height_)) {
        last_width_ = allocation.get_width();
        last_height_ = allocation.get_height();
        on_resize(last_width_, last_height_);
    }
    for (Gtk::Widget* child : get_children()) {
        if (!child->get_visible())
            continue;
        int width = 0, height = 0;
        child->get_size_request(width, height);
        int min = 0, natural = 0;
        if (width < 0) {
            child->get_preferred_width(min, natural);
            width = natural;
        }
        if (height < 0) {
            child->get_preferred_height_for_width(width, min, natural);
            height = natural;
        }
        // A child is never given less than it needs to draw at all; what lies beyond the
        // area's edge is clipped by the window.
        child->get_preferred_width(min, natural);
        width = std::max(width, min);
        child->get_preferred_height_for_width(width, min, natural);
        height = std::max(height, min);
        Gtk::Allocation box(allocation.get_x() + child_property_x(*child),
                            allocation.get_y() + child_property_y(*child), width, height);
        child->size_allocate(box);
    }
}

} // namespace zarnic
