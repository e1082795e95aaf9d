#include "resources/resources.h"

#include "resources/constants.h"

#include <gio/gio.h>
#include <giomm/resource.h>

#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <utility>

extern "C" void zarnic_register_resource(void);
extern "C" void zarnic_pictures_register_resource(void);

namespace zarnic::resources {

namespace {

constexpr const char* toolbar_folder = "pictures/toolbar/";

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

// Registers the compiled bundles with GIO once; every lookup does it on first use.
void ensure_registered() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        zarnic_register_resource();
        zarnic_pictures_register_resource();
    });
}

} // namespace

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

Glib::RefPtr<Gdk::Pixbuf> toolbar_picture(int index, int size) {
    const std::string mark = std::to_string(index) + "-";
    for (const std::string& folder : Gio::Resource::enumerate_children_global(path(toolbar_folder)))
        if (folder.rfind(mark, 0) == 0) // "N-what/"
            return picture("toolbar/" + folder.substr(0, folder.size() - 1), size, size);
    throw std::out_of_range("no toolbar picture " + std::to_string(index));
}

int toolbar_picture_count() {
    return int(Gio::Resource::enumerate_children_global(path(toolbar_folder)).size());
}

} // namespace zarnic::resources
