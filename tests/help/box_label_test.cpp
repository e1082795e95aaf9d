// box_label: word wrapping that keeps every space, and painting confined to the label's box.

#include "help/box_label.h"
#include "support/test_env.h"

#include <gtest/gtest.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

#include <string>
#include <vector>

namespace zarnic {
namespace {

const Pango::FontDescription font("Liberation Sans 8.25");

std::vector<std::string> lines_of(box_label& label) {
    std::vector<std::string> lines;
    std::string text = label.layout()->get_text();
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::string without_breaks(std::string text) {
    std::erase(text, '\n');
    return text;
}

int text_width(box_label& label, const std::string& text) {
    auto layout = label.create_pango_layout(text);
    layout->set_font_description(font);
    int w = 0, h = 0;
    layout->get_pixel_size(w, h);
    return w;
}

TEST(box_label, WrapsAtWordBoundariesAndKeepsEverySpace) {
    const std::string text = "one two three four five six seven eight nine ten";
    box_label label(text, font, 60, 200);
    auto lines = lines_of(label);
    EXPECT_GT(lines.size(), 2u);
    EXPECT_EQ(without_breaks(label.layout()->get_text()), text);
    for (const std::string& line : lines) {
        // Each line starts with a whole word and its words fit in the box.
        EXPECT_NE(line.front(), ' ') << line;
        std::string words = line.substr(0, line.find_last_not_of(' ') + 1);
        EXPECT_LE(text_width(label, words), 60) << line;
    }
}

TEST(box_label, ARunOfSpacesPushesTheNextWordOntoANewLine) {
    // The words fit on one line; with the run of spaces between them they do not. The run stays
    // at the end of the first line, and the first word stays where it is.
    const std::string text = ">>First step" + std::string(40, ' ') + ">>Second step";
    box_label label(text, font, 200, 100);
    ASSERT_LT(text_width(label, ">>First step >>Second step"), 200);
    auto lines = lines_of(label);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], ">>First step" + std::string(40, ' '));
    EXPECT_EQ(lines[1], ">>Second step");
}

TEST(box_label, SpacesThatFitStayOnTheLine) {
    const std::string text = "  a   b";
    box_label label(text, font, 200, 100);
    EXPECT_EQ(label.layout()->get_text(), text);
}

TEST(box_label, AWordWiderThanTheBoxGetsALineOfItsOwn) {
    box_label label("a Pneumonoultramicroscopicsilicovolcanoconiosis b", font, 30, 100);
    auto lines = lines_of(label);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Pneumonoultramicroscopicsilicovolcanoconiosis ");
}

// A window with a red area under a label whose text is far too long for its box.
struct Painted : testing::Test {
    Gtk::Window window;
    Gtk::Fixed fixed;
    Gtk::DrawingArea red;
    box_label label{std::string(400, 'W') + " " + std::string(40, 'x') + " tail words go here",
                    font, 80, 20};

    void SetUp() override {
        red.set_size_request(120, 80);
        red.signal_draw().connect([](const Cairo::RefPtr<Cairo::Context>& cr) {
            cr->set_source_rgb(1, 0, 0);
            cr->paint();
            return true;
        });
        fixed.set_size_request(200, 120);
        fixed.put(red, 0, 0);
        fixed.put(label, 10, 10);
        window.add(fixed);
        test::show_and_wait(window);
    }
};

TEST_F(Painted, CoversItsWholeBoxAndDrawsNothingOutsideIt) {
    auto shot = test::snapshot(window);
    const int n = shot->get_n_channels(), stride = shot->get_rowstride();
    const guint8* px = shot->get_pixels();
    auto is_red = [&](int x, int y) {
        const guint8* p = px + y * stride + x * n;
        return p[0] > 200 && p[1] < 60 && p[2] < 60;
    };
    int red_in_box = 0, ink_in_box = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 90; ++x) {
            red_in_box += is_red(x, y);
            const guint8* p = px + y * stride + x * n;
            ink_in_box += p[0] < 128;
        }
    EXPECT_EQ(red_in_box, 0) << "the box is not painted over";
    EXPECT_GT(ink_in_box, 20) << "no text drawn";
    // Red stays all around the box: the text is cut at the box edges.
    for (int x = 0; x < 120; ++x)
        for (int y : {5, 9, 30, 40, 79})
            ASSERT_TRUE(is_red(x, y) || (y >= 10 && y < 30 && x >= 10 && x < 90))
                << "painted outside its box at " << x << "," << y;
    for (int y = 10; y < 30; ++y)
        for (int x : {90, 100, 119})
            ASSERT_TRUE(is_red(x, y)) << "painted outside its box at " << x << "," << y;
}

TEST_F(Painted, TakesNoFocus) {
    EXPECT_FALSE(label.get_can_focus());
    EXPECT_EQ(label.get_allocated_width(), 80);
    EXPECT_EQ(label.get_allocated_height(), 20);
}

} // namespace
} // namespace zarnic
