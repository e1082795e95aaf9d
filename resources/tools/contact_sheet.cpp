// zarnic-contact-sheet: writes every picture of the bundle at its design size and at three
// times that size (its largest rendering) into PNG files, plus one sheet that shows them all
// side by side, so a person can judge them together. Usage: zarnic-contact-sheet [output folder]
// (default: the contact-sheet folder in the build folder).

#include "resources/resources.h"

#include <gtkmm/main.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

using zarnic::resources::logo_height;
using zarnic::resources::logo_width;
using zarnic::resources::toolbar_picture_size;
using zarnic::resources::window_icon_size;

// The boxes that show the logo in the windows, in pixels at scale 1 (twips / 15).
struct logo_box {
    const char* window;
    int width;
    int height;
};
constexpr logo_box logo_boxes[] = {{"splash", 136, 124}, {"help", 184, 172}, {"about", 88, 84}};

// A ground of one colour, the size given; colour as 0xRRGGBBAA.
Glib::RefPtr<Gdk::Pixbuf> ground(int width, int height, guint32 rgba) {
    auto pixbuf = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, true, 8, width, height);
    pixbuf->fill(rgba);
    return pixbuf;
}

void place(const Glib::RefPtr<Gdk::Pixbuf>& sheet, const Glib::RefPtr<Gdk::Pixbuf>& picture, int x,
           int y) {
    picture->composite(sheet, x, y, picture->get_width(), picture->get_height(), x, y, 1.0, 1.0,
                       Gdk::INTERP_NEAREST, 255);
}

} // namespace

int main(int argc, char** argv) {
    Gtk::Main::init_gtkmm_internals();
    const int toolbar_picture_count = zarnic::resources::toolbar_picture_count();
    const std::filesystem::path out = argc > 1 ? argv[1] : ZARNIC_CONTACT_SHEET_DIR;
    std::filesystem::create_directories(out);
    auto save = [&](const Glib::RefPtr<Gdk::Pixbuf>& pixbuf, const std::string& file) {
        pixbuf->save((out / file).string(), "png");
    };

    try {
        // Single pictures at design size and at 3x, and the window icon at the sizes it ships.
        save(zarnic::resources::logo(logo_width, logo_height), "logo-160x140.png");
        save(zarnic::resources::logo(3 * logo_width, 3 * logo_height), "logo-480x420.png");
        for (const logo_box& box : logo_boxes)
            save(zarnic::resources::logo(box.width, box.height),
                 std::string("logo-in-") + box.window + ".png");
        for (int size : {16, window_icon_size, 48, 3 * window_icon_size, 256})
            save(zarnic::resources::window_icon(size),
                 "window-icon-" + std::to_string(size) + ".png");
        save(zarnic::resources::picture(zarnic::resources::small_window_icon_picture, 48, 48),
             "window-icon-small-drawing-48.png");
        for (int i = 1; i <= toolbar_picture_count; ++i)
            for (int size : {toolbar_picture_size, 3 * toolbar_picture_size})
                save(zarnic::resources::toolbar_picture(i, size),
                     "toolbar-" + std::to_string(i) + "-" + std::to_string(size) + ".png");

        // The sheet: toolbar pictures on a toolbar-grey and on a white ground, 1x then 3x; the
        // window icon at its sizes; the logo at 3x and in each window's box.
        const int cell = 3 * toolbar_picture_size + 8;
        const int row_height = toolbar_picture_size + 8 + cell;
        const int sheet_width =
            std::max(toolbar_picture_count * cell + 8, 3 * logo_width + logo_boxes[1].width + 28);
        const int sheet_height = 8 + 2 * (row_height + 8) + 256 + 12 + 3 * logo_height + 8;
        auto sheet = ground(sheet_width, sheet_height, 0xf0f0f0ff);
        const guint32 grounds[] = {0xc0c0c0ff, 0xffffffff};
        int y = 8;
        for (guint32 colour : grounds) {
            auto row = ground(toolbar_picture_count * cell - 8, row_height, colour);
            row->copy_area(0, 0, row->get_width(), row->get_height(), sheet, 8, y);
            for (int i = 1; i <= toolbar_picture_count; ++i) {
                const int x = 8 + (i - 1) * cell;
                place(sheet, zarnic::resources::toolbar_picture(i, toolbar_picture_size), x + 4,
                      y + 4);
                place(sheet, zarnic::resources::toolbar_picture(i, 3 * toolbar_picture_size), x,
                      y + toolbar_picture_size + 12);
            }
            y += row->get_height() + 8;
        }
        int x = 8;
        for (int size : {16, window_icon_size, 48, 3 * window_icon_size, 256}) {
            place(sheet, zarnic::resources::window_icon(size), x, y);
            x += size + 12;
        }
        y += 256 + 12;
        place(sheet, zarnic::resources::logo(3 * logo_width, 3 * logo_height), 8, y);
        x = 8 + 3 * logo_width + 12;
        for (const logo_box& box : logo_boxes) {
            place(sheet, zarnic::resources::logo(box.width, box.height), x, y);
            y += box.height + 8;
        }
        place(sheet, zarnic::resources::logo(logo_width, logo_height), x, y);
        save(sheet, "sheet.png");
    } catch (const Glib::Error& error) {
        std::cerr << "zarnic-contact-sheet: " << error.what() << '\n';
        return 1;
    }
    std::cout << "Pictures written to " << out.string() << '\n';
    return 0;
}
