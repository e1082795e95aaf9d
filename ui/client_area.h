#pragma once
// A window's client area: it places its children where the window's layout table puts them,
// sized by their size requests, and tells its owner when its own size changes (the window's
// resize rule). Unlike Gtk::Fixed it does not grow to hold its children: a control reaching
// past its edge is clipped, and a resizable window can be made smaller than its design size.

#include <gtkmm/fixed.h>

#include <functional>

namespace zarnic {

class client_area : public Gtk::Fixed {
public:
    // The size it asks for, in pixels; a fixed area asks for exactly that, a resizable one
    // accepts any size down to one pixel.
    enum class size_rule { fixed, resizable };
    client_area(int natural_width, int natural_height, size_rule sizing = size_rule::fixed);

    // Called with the new size in pixels before the children are placed.
    std::function<void(int, int)> on_resize;

protected:
    void get_preferred_width_vfunc(int& minimum, int& natural) const override;
    void get_preferred_height_vfunc(int& minimum, int& natural) const override;
    void get_preferred_width_for_height_vfunc(int height, int& minimum,
                                              int& natural) const override;
    void get_preferred_height_for_width_vfunc(int width, int& minimum, int& natural) const override;
    void on_size_allocate(Gtk::Allocation& allocation) override;

private:
    int natural_width_;
    int natural_height_;
    size_rule sizing_;
    int last_width_ = -1;
    int last_height_ = -1;
};

} // namespace zarnic
