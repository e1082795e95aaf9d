#pragma once
// A container of fixed positions whose children are read in one order and painted in another.
// Assistive technology and the keyboard take the children in the order they were put, which the
// windows make the order a person reads them in (top to bottom); where boxes overlap, the order
// they are painted in decides which lies on top, and that is given apart in paint_order.

#include <gtkmm/fixed.h>

#include <vector>

namespace zarnic {

class stacked_fixed : public Gtk::Fixed {
public:
    // Children from the back to the front; those not listed are painted first, in their order.
    std::vector<Gtk::Widget*> paint_order;

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
};

} // namespace zarnic
