// zarnic-render-icon: writes the window icon, drawn exactly as the windows draw it, into a PNG
// file of SIZE x SIZE pixels, for the desktop's icon theme. Runs at build time.
// Usage: zarnic-render-icon SIZE FILE

#include "resources/resources.h"

#include <gtkmm/main.h>

#include <charconv>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    int size = 0;
    if (argc == 3) {
        const char* end = argv[1] + std::strlen(argv[1]);
        auto [ptr, ec] = std::from_chars(argv[1], end, size);
        if (ec != std::errc() || ptr != end)
            size = 0;
    }
    if (size < 1 || size > 1024) {
        std::cerr << "usage: zarnic-render-icon SIZE FILE (SIZE from 1 to 1024)\n";
        return 2;
    }
    Gtk::Main::init_gtkmm_internals();
    try {
        zarnic::resources::window_icon(size)->save(argv[2], "png");
    } catch (const Glib::Error& error) {
        std::cerr << "zarnic-render-icon: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
