#include "ui/picture_view.h"

#include "resources/resources.h"

#include <atkmm/object.h>
#include <gdkmm/general.h>

#include <utility>

namespace zarnic {

picture_view::picture_view(std::string name)
    : name_(std::move(name)) {
    auto accessible = get_accessible();
    accessible->set_role(Atk::ROLE_IMAGE);
    if (name_ == resources::logo_picture) {
        accessible->set_name(resources::logo_description);
        accessible->set_description(resources::logo_description);
    }
}

Glib::RefPtr<Gdk::Pixbuf> picture_view::rendering(int device_width, int device_height) {
    if (!rendering_ || rendering_->get_width() != device_width ||
        rendering_->get_height() != device_height)
        rendering_ = resources::picture(name_, device_width, device_height);
    return rendering_;
}

bool picture_view::on_draw(const Cairo::RefPtr<Cairo::Context>& cr) {
    const int width = get_allocated_width();
    const int height = get_allocated_height();
    if (width < 1 || height < 1)
        return true;
    const int scale = get_scale_factor();
    auto pixbuf = rendering(width * scale, height * scale);
    // One pixel of the rendering to one device pixel: undo the scale GTK has put on the context.
    cr->save();
    cr->scale(1.0 / scale, 1.0 / scale);
    Gdk::Cairo::set_source_pixbuf(cr, pixbuf, 0, 0);
    cr->paint();
    cr->restore();
    return true;
}

} // namespace zarnic
