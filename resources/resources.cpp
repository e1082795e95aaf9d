#include "resources/resources.h"

#include "app/constants.h"

#include <gio/gio.h>

extern "C" void zarnic_register_resource(void);

namespace zarnic::resources {

void ensure_registered() {
    static bool done = [] {
        zarnic_register_resource();
        return true;
    }();
    (void)done;
}

std::string path(const std::string& name) {
    ensure_registered();
    return std::string(kResourcePrefix) + name;
}

std::vector<Glib::RefPtr<Gdk::Pixbuf>> window_icons() {
    auto icon = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, 32, 32);
    icon->fill(0x3060c0ff);
    return {icon};
}

Glib::RefPtr<Gdk::Pixbuf> toolbar_picture(int, int size) {
    auto picture = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, size, size);
    picture->fill(0x00000000);
    return picture;
}

} // namespace zarnic::resources
