// The picture widget on a screen with scale factor 2 (this test runs with GDK_SCALE=2): it must
// show the picture rendered at its device-pixel size, not a scaled-up rendering of its
// allocation, which would blur every edge.

#include "resources/resources.h"
#include "support/test_env.h"

#include <gtest/gtest.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

#include <cairomm/context.h>
#include <cairomm/surface.h>

#include <cstdlib>

namespace {

using zarnic::resources::picture_view;

TEST(PictureWidgetHiDpi, ShowsARenderingAtTwiceTheAllocation) {
    Gtk::Window window;
    Gtk::Fixed fixed;
    picture_view image(zarnic::resources::logo_picture);
    image.set_size_request(2040 / 15, 1860 / 15);
    fixed.put(image, 8, 8);
    window.add(fixed);
    window.show_all();
    zarnic::test::show_and_wait(window);
    ASSERT_EQ(window.get_scale_factor(), 2) << "run it through ctest, which sets GDK_SCALE=2";
    ASSERT_TRUE(zarnic::test::run_until([&] { return image.get_allocated_width() == 136; }));

    // Drawn offscreen in device pixels, twice its size in each direction.
    auto shot = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, 272, 248);
    cairo_surface_set_device_scale(shot->cobj(), 2, 2);
    gtk_widget_draw(GTK_WIDGET(image.gobj()), Cairo::Context::create(shot)->cobj());
    shot->flush();
    auto expected = zarnic::resources::logo(272, 248);
    int differing = 0;
    for (int y = 0; y < 248; ++y)
        for (int x = 0; x < 272; ++x) {
            const guint8* a = shot->get_data() + y * shot->get_stride() + x * 4; // B, G, R, -
            const guint8* b = expected->get_pixels() + y * expected->get_rowstride() +
                              x * expected->get_n_channels();
            differing += std::abs(a[2] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[0] - b[2]) > 12;
        }
    EXPECT_LT(differing, 272 * 248 / 200) << differing << " pixels differ";
}

} // namespace
