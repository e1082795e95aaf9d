// The pictures as the bundle compiled into the program delivers them: sizes, transparency, the
// order of the toolbar's image list, and the widget that shows a picture in a window.

#include "resources/resources.h"
#include "support/test_env.h"

#include <gtest/gtest.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

using namespace zarnic::resources;

struct Rgba {
    int r, g, b, a;
};

Rgba pixel(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf, int x, int y) {
    const guint8* p =
        pixbuf->get_pixels() + y * pixbuf->get_rowstride() + x * pixbuf->get_n_channels();
    return {p[0], p[1], p[2], pixbuf->get_has_alpha() ? p[3] : 255};
}

// Shares of the clearly visible pixels (alpha over half) that fall in rough colour classes.
struct Colours {
    double red = 0, cyan = 0, yellow = 0, green = 0, blue = 0, black = 0, white = 0, grey = 0;
};

Colours colours_of(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf) {
    Colours c;
    int visible = 0;
    for (int y = 0; y < pixbuf->get_height(); ++y)
        for (int x = 0; x < pixbuf->get_width(); ++x) {
            const Rgba p = pixel(pixbuf, x, y);
            if (p.a < 128)
                continue;
            ++visible;
            const bool neutral = std::abs(p.r - p.g) < 20 && std::abs(p.g - p.b) < 20;
            if (neutral && p.r < 60)
                c.black += 1;
            else if (neutral && p.r > 235)
                c.white += 1;
            else if (neutral)
                c.grey += 1;
            else if (p.r > 150 && p.g < 110 && p.b < 110)
                c.red += 1;
            else if (p.r > 200 && p.g > 160 && p.b < 120)
                c.yellow += 1;
            else if (p.g > 120 && p.b > 120 && p.r < 130)
                c.cyan += 1;
            else if (p.g > 100 && p.g > p.r + 30 && p.g > p.b + 30)
                c.green += 1;
            else if (p.b > p.r + 40 && p.b > p.g)
                c.blue += 1;
        }
    for (double* share :
         {&c.red, &c.cyan, &c.yellow, &c.green, &c.blue, &c.black, &c.white, &c.grey})
        *share /= visible;
    return c;
}

// Number of clearly visible pixels in column x.
int column_height(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf, int x) {
    int n = 0;
    for (int y = 0; y < pixbuf->get_height(); ++y)
        n += pixel(pixbuf, x, y).a >= 128;
    return n;
}

bool is_dark_blue(Rgba p) {
    return p.b > p.r + 20 && p.b > p.g + 10 && p.b < 120;
}

TEST(Pictures, EachLoadsFromTheBundleAtItsDesignSize) {
    auto logo_picture = logo(logo_width, logo_height);
    EXPECT_EQ(logo_picture->get_width(), 160);
    EXPECT_EQ(logo_picture->get_height(), 140);

    auto icon = window_icon(window_icon_size);
    EXPECT_EQ(icon->get_width(), 32);
    EXPECT_EQ(icon->get_height(), 32);

    for (int i = 1; i <= toolbar_picture_count; ++i) {
        SCOPED_TRACE("toolbar picture " + std::to_string(i));
        auto picture = toolbar_picture(i, toolbar_picture_size);
        EXPECT_EQ(picture->get_width(), 24);
        EXPECT_EQ(picture->get_height(), 24);
    }
}

TEST(Logo, IsOpaqueWithADarkBlueGroundAndTheGlobeInTheMiddle) {
    auto picture = logo(logo_width, logo_height);
    for (int y = 0; y < picture->get_height(); ++y)
        for (int x = 0; x < picture->get_width(); ++x)
            ASSERT_EQ(pixel(picture, x, y).a, 255) << "at " << x << "," << y;
    for (auto [x, y] : {std::pair{0, 0}, {159, 0}, {0, 139}, {159, 139}})
        EXPECT_TRUE(is_dark_blue(pixel(picture, x, y))) << "corner " << x << "," << y;
    // Land (green or desert) shows over the middle of the globe, where Africa is.
    const Rgba middle = pixel(picture, 80, 80);
    EXPECT_GT(middle.r + middle.g, 2 * middle.b) << middle.r << "," << middle.g << "," << middle.b;
}

TEST(Logo, StretchesToTheBoxWithoutKeepingItsProportions) {
    // Drawn at twice the width, every feature moves to twice its x: the ocean left of Africa,
    // the Sahara and the red and green badges. Kept in proportion, the drawing would sit in the
    // middle of the wider box instead and none of them would be there.
    auto design = logo(logo_width, logo_height);
    auto wide = logo(2 * logo_width, logo_height);
    for (auto [x, y] : {std::pair{44, 70}, {80, 80}, {20, 100}, {140, 40}}) {
        const Rgba want = pixel(design, x, y);
        const Rgba got = pixel(wide, 2 * x, y);
        EXPECT_NEAR(got.r, want.r, 12) << "at " << x << "," << y;
        EXPECT_NEAR(got.g, want.g, 12) << "at " << x << "," << y;
        EXPECT_NEAR(got.b, want.b, 12) << "at " << x << "," << y;
    }
    for (auto [w, h] : {std::pair{136, 124}, {184, 172}, {88, 84}}) {
        auto boxed = logo(w, h);
        EXPECT_EQ(boxed->get_width(), w);
        EXPECT_EQ(boxed->get_height(), h);
    }
}

TEST(WindowIcon, ComesInTheFourSizesOfTheIconList) {
    auto icons = window_icon_list();
    ASSERT_EQ(icons.size(), 4u);
    const int sizes[] = {16, 32, 48, 256};
    for (std::size_t i = 0; i < icons.size(); ++i) {
        SCOPED_TRACE("size " + std::to_string(sizes[i]));
        EXPECT_EQ(icons[i]->get_width(), sizes[i]);
        EXPECT_EQ(icons[i]->get_height(), sizes[i]);
        EXPECT_TRUE(icons[i]->get_has_alpha());
        // A blue window with a white document in it, at every size.
        const Colours c = colours_of(icons[i]);
        EXPECT_GT(c.blue + c.cyan, 0.3);
        EXPECT_GT(c.white, 0.1);
    }
}

TEST(ToolbarPictures, HaveATransparentGroundAndAnOpaqueMiddle) {
    for (int i = 1; i <= toolbar_picture_count; ++i) {
        SCOPED_TRACE("toolbar picture " + std::to_string(i));
        auto picture = toolbar_picture(i, toolbar_picture_size);
        ASSERT_TRUE(picture->get_has_alpha());
        EXPECT_EQ(pixel(picture, 0, 0).a, 0);
        EXPECT_EQ(pixel(picture, 23, 0).a, 0);
        EXPECT_EQ(pixel(picture, 12, 12).a, 255);
    }
}

TEST(ToolbarPictures, StandInImageListOrder) {
    // Rendered at 48 pixels, where the colour shares are steadier than at 24.
    auto at = [](int index) { return toolbar_picture(index, 48); };

    // 1 and 3: cyan arrows, 1 pointing left and 3 right, each the mirror image of the other.
    auto left = at(1);
    auto right = at(3);
    EXPECT_GT(colours_of(left).cyan, 0.5);
    EXPECT_GT(colours_of(right).cyan, 0.5);
    EXPECT_GT(column_height(left, 16), column_height(left, 36)) << "the head is on the left";
    EXPECT_GT(column_height(right, 31), column_height(right, 11)) << "the head is on the right";
    int differing = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const Rgba a = pixel(left, x, y);
            const Rgba b = pixel(right, 47 - x, y);
            differing += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) +
                             std::abs(a.a - b.a) >
                         16;
        }
    EXPECT_LT(differing, 10);

    // 2: three black question marks, and nothing coloured.
    const Colours marks = colours_of(at(2));
    EXPECT_GT(marks.black, 0.8);
    EXPECT_LT(marks.red + marks.cyan + marks.yellow + marks.green + marks.blue, 0.05);

    // 4: grey windows, nothing strongly coloured.
    const Colours windows = colours_of(at(4));
    EXPECT_GT(windows.grey + windows.white + windows.black, 0.9);
    EXPECT_GT(windows.grey + windows.white, 0.6);

    // 5: a red circle with a white X across its middle.
    auto stop = at(5);
    EXPECT_GT(colours_of(stop).red, 0.5);
    const Rgba cross = pixel(stop, 24, 24);
    EXPECT_GT(cross.r + cross.g + cross.b, 3 * 235);

    // 6: a white page with green arrows.
    const Colours refresh = colours_of(at(6));
    EXPECT_GT(refresh.green, 0.15);
    EXPECT_GT(refresh.white, 0.2);

    // 7: a house with a yellow roof and a red chimney.
    const Colours house = colours_of(at(7));
    EXPECT_GT(house.yellow, 0.15);
    EXPECT_GT(house.red, 0.02);

    // 8: a blue and green globe with a dark magnifying glass.
    const Colours globe = colours_of(at(8));
    EXPECT_GT(globe.blue + globe.cyan, 0.2);
    EXPECT_GT(globe.green, 0.05);
    EXPECT_GT(globe.black, 0.05);
}

TEST(ToolbarPictures, AreEightDifferentPictures) {
    std::vector<Glib::RefPtr<Gdk::Pixbuf>> pictures;
    for (int i = 1; i <= toolbar_picture_count; ++i)
        pictures.push_back(toolbar_picture(i, toolbar_picture_size));
    const auto bytes = static_cast<std::size_t>(pictures[0]->get_rowstride() * 24);
    for (std::size_t i = 0; i < pictures.size(); ++i)
        for (std::size_t j = i + 1; j < pictures.size(); ++j)
            EXPECT_NE(std::memcmp(pictures[i]->get_pixels(), pictures[j]->get_pixels(), bytes), 0)
                << "pictures " << i + 1 << " and " << j + 1 << " are the same";
}

TEST(PictureWidget, DrawsThePictureStretchedToItsAllocation) {
    Gtk::Window window;
    Gtk::Fixed fixed;
    picture_view image(logo_picture);
    image.set_size_request(2040 / 15, 1860 / 15);
    fixed.put(image, 16, 16);
    window.add(fixed);
    window.show_all();
    zarnic::test::show_and_wait(window);
    ASSERT_TRUE(zarnic::test::run_until([&] { return image.get_allocated_width() == 136; }));

    auto shot = zarnic::test::snapshot(window);
    auto expected = logo(136, 124);
    int x0 = 0;
    int y0 = 0;
    ASSERT_TRUE(image.translate_coordinates(window, 0, 0, x0, y0));
    for (auto [x, y] : {std::pair{0, 0}, {135, 123}, {68, 62}, {30, 90}, {100, 30}}) {
        const Rgba want = pixel(expected, x, y);
        const Rgba got = pixel(shot, x0 + x, y0 + y);
        EXPECT_NEAR(got.r, want.r, 2) << "at " << x << "," << y;
        EXPECT_NEAR(got.g, want.g, 2) << "at " << x << "," << y;
        EXPECT_NEAR(got.b, want.b, 2) << "at " << x << "," << y;
    }
}

} // namespace
