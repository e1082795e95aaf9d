#include "resources/resources.h"

#include "resources/constants.h"

#include <atkmm/object.h>
#include <gdkmm/general.h>
#include <gio/gio.h>
#include <giomm/resource.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <utility>

extern "C" void zarnic_register_resource(void);
extern "C" void zarnic_pictures_register_resource(void);

namespace zarnic::resources {

namespace {

// The toolbar's image list, in index order.
constexpr std::array<const char*, toolbar_picture_count> toolbar_picture_names = {
    "toolbar/1-arrow-left",  "toolbar/2-question-marks",
    "toolbar/3-arrow-right", "toolbar/4-two-windows",
    "toolbar/5-stop",        "toolbar/6-page-green-arrows",
    "toolbar/7-house",       "toolbar/8-globe-magnifier",
};

// The size of a rendering from its bundle name, "WIDTHxHEIGHT.png"; 0 x 0 for any other name.
std::pair<int, int> rendering_size(const std::string& file) {
    int width = 0;
    int height = 0;
    char rest[8] = {};
    if (std::sscanf(file.c_str(), "%dx%d%7s", &width, &height, rest) != 3 ||
        std::string(rest) != ".png")
        return {0, 0};
    return {width, height};
}

} // namespace

void ensure_registered() {
    static bool done = [] {
        zarnic_register_resource();
        zarnic_pictures_register_resource();
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
    // Of the picture's renderings, the smallest that covers width x height, else the largest.
    const std::string folder = path("pictures/" + name + "/");
    auto covers = [&](std::pair<int, int> size) {
        return size.first >= width && size.second >= height;
    };
    auto area = [](std::pair<int, int> size) { return size.first * size.second; };
    std::string best;
    std::pair<int, int> best_size{0, 0};
    for (const std::string& file : Gio::Resource::enumerate_children_global(folder)) {
        const auto size = rendering_size(file);
        const bool better = covers(size) ? !covers(best_size) || area(size) < area(best_size)
                                         : !covers(best_size) && area(size) > area(best_size);
        if (better) {
            best = file;
            best_size = size;
        }
    }
    auto pixbuf = Gdk::Pixbuf::create_from_resource(folder + best);
    if (pixbuf->get_width() == width && pixbuf->get_height() == height)
        return pixbuf;
    return pixbuf->scale_simple(width, height, Gdk::INTERP_BILINEAR);
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
    : name_(std::move(name)) {
    auto accessible = get_accessible();
    accessible->set_role(Atk::ROLE_IMAGE);
    if (name_ == logo_picture) {
        accessible->set_name(logo_description);
        accessible->set_description(logo_description);
    }
}

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
