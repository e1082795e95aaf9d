#include "resources/resources.h"

#include "resources/constants.h"

#include <gdkmm/general.h>
#include <gio/gio.h>

#include <array>
#include <stdexcept>

extern "C" void zarnic_register_resource(void);

namespace zarnic::resources {

namespace {

// The toolbar's image list, in index order.
constexpr std::array<const char*, toolbar_picture_count> toolbar_picture_names = {
    "pictures/toolbar/1-arrow-left.svg",  "pictures/toolbar/2-question-marks.svg",
    "pictures/toolbar/3-arrow-right.svg", "pictures/toolbar/4-two-windows.svg",
    "pictures/toolbar/5-stop.svg",        "pictures/toolbar/6-page-green-arrows.svg",
    "pictures/toolbar/7-house.svg",       "pictures/toolbar/8-globe-magnifier.svg",
};

} // namespace

void ensure_registered() {
    static bool done = [] {
        zarnic_register_resource();
        return true;
    }();
    (void)done;
}

std::string path(const std::string& name) {
    ensure_registered();
    return std::string(resource_prefix) + name;
}

Glib::RefPtr<Gdk::Pixbuf> picture(const std::string& name, int width, int height) {
    if (width < 1 || height < 1)
        throw std::invalid_argument("picture size must be at least 1 x 1");
    // The SVG loader draws the picture at the size asked for, rather than scaling a bitmap.
    return Gdk::Pixbuf::create_from_resource(path(name), width, height, false);
}

Glib::RefPtr<Gdk::Pixbuf> logo(int width, int height) {
    return picture(logo_picture, width, height);
}

Glib::RefPtr<Gdk::Pixbuf> window_icon(int size) {
    return picture(size <= small_window_icon_limit ? small_window_icon_picture
                                                   : window_icon_picture,
                   size, size);
}

std::vector<Glib::RefPtr<Gdk::Pixbuf>> window_icon_list() {
    std::vector<Glib::RefPtr<Gdk::Pixbuf>> icons;
    for (int size : window_icon_sizes)
        icons.push_back(window_icon(size));
    return icons;
}

std::string toolbar_picture_name(int index) {
    if (index < 1 || index > toolbar_picture_count)
        throw std::out_of_range("toolbar picture index " + std::to_string(index));
    return toolbar_picture_names[static_cast<std::size_t>(index - 1)];
}

Glib::RefPtr<Gdk::Pixbuf> toolbar_picture(int index, int size) {
    return picture(toolbar_picture_name(index), size, size);
}

picture_view::picture_view(std::string name)
    : name_(std::move(name)) {}

Glib::RefPtr<Gdk::Pixbuf> picture_view::rendering(int device_width, int device_height) {
    if (!rendering_ || rendering_->get_width() != device_width ||
        rendering_->get_height() != device_height)
        rendering_ = picture(name_, device_width, device_height);
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

} // namespace zarnic::resources
