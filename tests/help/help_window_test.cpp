// The Help window as a user meets it: its frame and layout, the pages behind the tabs, what is
// drawn where labels overlap, the keyboard, and how it is shown, closed and shown again.

#include "app/shared_windows.h"
#include "help/box_label.h"
#include "help/help_window.h"
#include "support/test_env.h"

#include <gdkmm/monitor.h>
#include <gtest/gtest.h>
#include <gtkmm/label.h>

#include <algorithm>
#include <string>
#include <vector>

namespace zarnic {
namespace {

help_window* help() {
    return shared_windows().Help;
}

int help_windows_open() {
    int n = 0;
    for (Gtk::Window* w : test::app()->get_windows())
        n += dynamic_cast<help_window*>(w) != nullptr;
    return n;
}

// Watches a window's underlying object, to tell when it has really been destroyed.
struct Finalized {
    bool done = false;
    explicit Finalized(Gtk::Widget& widget) {
        g_object_weak_ref(
            G_OBJECT(widget.gobj()),
            [](gpointer data, GObject*) { static_cast<Finalized*>(data)->done = true; }, this);
    }
};

Gdk::Rectangle box_in(Gtk::Widget& widget, Gtk::Widget& container) {
    int x = 0, y = 0;
    widget.translate_coordinates(container, 0, 0, x, y);
    return Gdk::Rectangle(x, y, widget.get_allocated_width(), widget.get_allocated_height());
}

void expect_box(Gtk::Widget& widget, Gtk::Widget& container, int x, int y, int w, int h,
                const std::string& what) {
    Gdk::Rectangle r = box_in(widget, container);
    EXPECT_EQ(r.get_x(), x) << what;
    EXPECT_EQ(r.get_y(), y) << what;
    EXPECT_EQ(r.get_width(), w) << what;
    EXPECT_EQ(r.get_height(), h) << what;
}

class HelpWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(help(), nullptr);
        show_Help();
        ASSERT_NE(help(), nullptr);
        test::show_and_wait(*help());
    }
    void TearDown() override {
        if (help())
            help()->close();
        test::flush_events();
        EXPECT_EQ(help(), nullptr);
        EXPECT_EQ(help_windows_open(), 0);
    }
    // Clicks a tab and waits until its page has been laid out.
    void pick_tab(int index) {
        test::click(help()->SSTab1.get_tab(index));
        ASSERT_EQ(help()->SSTab1.get_selected(), index);
        ASSERT_TRUE(test::run_until([&] {
            for (const help_element& e : help_pages()[index].elements)
                if (help()->element(e.name)->get_allocated_width() != px(e.box.width))
                    return false;
            return true;
        }));
        test::flush_events();
    }
};

TEST_F(HelpWindowTest, AFixedSizeToolWindowCentredOnTheScreen) {
    help_window& w = *help();
    EXPECT_EQ(w.get_title(), "Zarnic! Help");
    EXPECT_EQ(w.get_type_hint(), Gdk::WINDOW_TYPE_HINT_UTILITY);
    EXPECT_TRUE(w.get_skip_taskbar_hint());
    EXPECT_FALSE(w.get_resizable());
    EXPECT_FALSE(w.get_modal());
    EXPECT_EQ(w.get_transient_for(), nullptr);
    EXPECT_FALSE(w.get_icon());
    EXPECT_EQ(w.get_allocated_width(), 392);
    EXPECT_EQ(w.get_allocated_height(), 413);
    Gdk::Rectangle screen;
    w.get_display()->get_primary_monitor()->get_geometry(screen);
    int x = 0, y = 0;
    w.get_window()->get_origin(x, y);
    EXPECT_NEAR(x, screen.get_x() + (screen.get_width() - 392) / 2, 1);
    EXPECT_NEAR(y, screen.get_y() + (screen.get_height() - 413) / 2, 1);
}

TEST_F(HelpWindowTest, TabStripRowsAndButton) {
    help_window& w = *help();
    tab_control& tabs = w.SSTab1;
    expect_box(tabs, w, 0, 0, 385, 385, "SSTab1");
    ASSERT_EQ(tabs.get_tab_count(), 4);
    // Three tabs in the first row, sharing its width; the fourth alone in the second row.
    expect_box(tabs.get_tab(0), tabs, 0, 0, 128, 20, "tab 1");
    expect_box(tabs.get_tab(1), tabs, 128, 0, 128, 20, "tab 2");
    expect_box(tabs.get_tab(2), tabs, 256, 0, 129, 20, "tab 3");
    expect_box(tabs.get_tab(3), tabs, 0, 20, 128, 20, "tab 4");
    const char* captions[] = {"Welcome to Help!", "Connection Problems", "How do i connect?",
                              "Display Problems"};
    for (int i = 0; i < 4; ++i) {
        auto* label = dynamic_cast<Gtk::Label*>(tabs.get_tab(i).get_child());
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->get_text(), captions[i]);
        EXPECT_FALSE(tabs.get_tab(i).get_can_focus());
    }
    // The button runs past the right and bottom edges of the window.
    expect_box(w.Command1, w, 0, 384, 393, 33, "Command1");
    auto* caption = dynamic_cast<Gtk::Label*>(w.Command1.get_child());
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->get_text(), ":-)  Back to Zarnic!  :-)");
    EXPECT_EQ(caption->get_text().size(), 25u);
    EXPECT_FALSE(w.Command1.get_can_default());
    EXPECT_EQ(w.get_default_widget(), nullptr);
}

TEST_F(HelpWindowTest, ElementsStandInTheirBoxes) {
    help_window& w = *help();
    for (int i = 0; i < 4; ++i) {
        pick_tab(i);
        for (const help_element& e : help_pages()[i].elements) {
            Gtk::Widget* widget = w.element(e.name);
            ASSERT_NE(widget, nullptr) << e.name;
            expect_box(*widget, w.SSTab1, px(e.box.left), px(e.box.top), px(e.box.width),
                       px(e.box.height), std::string(e.name));
            EXPECT_FALSE(widget->get_can_focus()) << e.name;
            if (auto* label = dynamic_cast<box_label*>(widget)) {
                EXPECT_EQ(label->get_text().raw(), e.text) << e.name;
            }
        }
    }
}

TEST_F(HelpWindowTest, OnlyTheSelectedPagesElementsAreShown) {
    help_window& w = *help();
    EXPECT_EQ(w.SSTab1.get_selected(), 0);
    for (int selected : {0, 1, 2, 3, 1}) {
        pick_tab(selected);
        test::flush_events();
        for (int page = 0; page < 4; ++page)
            for (const help_element& e : help_pages()[page].elements)
                EXPECT_EQ(w.element(e.name)->get_mapped(), page == selected)
                    << e.name << " with tab " << selected << " selected";
    }
}

// Pixels of a region of a snapshot, for comparing what two renderings show there.
std::string region(const Glib::RefPtr<Gdk::Pixbuf>& shot, const Gdk::Rectangle& r) {
    std::string bytes;
    const int n = shot->get_n_channels();
    for (int y = r.get_y(); y < r.get_y() + r.get_height(); ++y) {
        const guint8* row = shot->get_pixels() + y * shot->get_rowstride();
        for (int x = r.get_x(); x < r.get_x() + r.get_width(); ++x)
            bytes.append(reinterpret_cast<const char*>(row + x * n), 3);
    }
    return bytes;
}

int ink(const std::string& pixels) {
    int dark = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 3)
        dark += static_cast<unsigned char>(pixels[i]) < 128;
    return dark;
}

// A label stacked over others is readable: its whole box looks exactly as the label alone
// draws it, with nothing of the labels below showing through, and it holds text.
void expect_readable_on_top(help_window& w, int page, std::string_view name) {
    Gtk::Widget& label = *w.element(name);
    const Gdk::Rectangle box = box_in(label, w);
    auto shot = test::snapshot(w);
    ASSERT_TRUE(box.get_x() >= 0 && box.get_y() >= 0 &&
                box.get_x() + box.get_width() <= shot->get_width() &&
                box.get_y() + box.get_height() <= shot->get_height())
        << name << " at " << box.get_x() << "," << box.get_y() << " " << box.get_width() << "x"
        << box.get_height();
    const std::string stacked = region(shot, box);
    for (const help_element& e : help_pages()[page].elements)
        if (e.name != name)
            w.element(e.name)->hide();
    const std::string alone = region(test::snapshot(w), box);
    for (const help_element& e : help_pages()[page].elements)
        w.element(e.name)->show();
    EXPECT_GT(ink(alone), 30) << name << " draws no text";
    EXPECT_TRUE(stacked == alone) << name << " is not fully visible where labels overlap";
}

TEST_F(HelpWindowTest, OverlappedLabelsAreReadable) {
    help_window& w = *help();
    pick_tab(2);
    // "Follow the steps and your done!" lies inside the network steps' box.
    expect_readable_on_top(w, 2, "Label14");
    pick_tab(3);
    // "I cannot see the website i would like to see?" lies inside the first answer's box.
    expect_readable_on_top(w, 3, "Label17");
}

TEST_F(HelpWindowTest, EachStepStartsALineOfItsOwn) {
    help_window& w = *help();
    for (const char* name : {"Label10", "Label13"}) {
        auto* label = dynamic_cast<box_label*>(w.element(name));
        ASSERT_NE(label, nullptr);
        auto layout = label->layout();
        const std::string laid_out = layout->get_text();
        std::vector<std::string> lines;
        std::string joined;
        for (const auto& line : layout->get_lines()) {
            std::string text = laid_out.substr(line->get_start_index(), line->get_length());
            std::erase(text, '\n');
            lines.push_back(text);
            joined += text;
        }
        EXPECT_EQ(joined, label->get_text().raw()) << name << ": spaces changed";
        // A step led by a run of spaces starts a new line (">>Start" inside a sentence does not).
        const std::string text = label->get_text();
        int steps = 0;
        for (std::size_t at = text.find(">>"); at != std::string::npos;
             at = text.find(">>", at + 2)) {
            if (at != 0 && text.compare(at - 2, 2, "  ") != 0)
                continue;
            const std::string step = text.substr(at, text.find("  ", at) - at).substr(0, 20);
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                    [&](const std::string& l) { return l.starts_with(step); }))
                << name << ": \"" << step << "\" does not start a line";
            ++steps;
        }
        EXPECT_GE(steps, 3) << name;
    }
}

TEST_F(HelpWindowTest, ShowingAgainKeepsTheOneWindowAndItsTab) {
    help_window* first = help();
    pick_tab(2);
    show_Help();
    test::flush_events();
    EXPECT_EQ(help(), first);
    EXPECT_EQ(help_windows_open(), 1);
    EXPECT_EQ(help()->SSTab1.get_selected(), 2);
    EXPECT_TRUE(help()->element("Label14")->get_mapped());
}

TEST_F(HelpWindowTest, CloseBoxThenShowGivesAFreshWindowOnTheFirstTab) {
    pick_tab(3);
    Finalized gone(*help());
    help()->close();
    test::flush_events();
    EXPECT_EQ(help(), nullptr);
    EXPECT_TRUE(gone.done);
    show_Help();
    ASSERT_NE(help(), nullptr);
    test::show_and_wait(*help());
    EXPECT_EQ(help()->SSTab1.get_selected(), 0);
    EXPECT_TRUE(help()->element("Image1")->get_mapped());
    EXPECT_FALSE(help()->element("Label15")->get_mapped());
}

TEST_F(HelpWindowTest, ButtonClickThenShowGivesAFreshWindowOnTheFirstTab) {
    pick_tab(1);
    Finalized gone(*help());
    test::click(help()->Command1);
    EXPECT_TRUE(test::run_until([] { return help() == nullptr; }, 2000));
    EXPECT_TRUE(gone.done);
    show_Help();
    ASSERT_NE(help(), nullptr);
    test::show_and_wait(*help());
    EXPECT_EQ(help()->SSTab1.get_selected(), 0);
}

TEST_F(HelpWindowTest, TabControlKeys) {
    help_window& w = *help();
    w.SSTab1.grab_focus();
    ASSERT_TRUE(w.SSTab1.has_focus());
    const std::pair<guint, int> steps[] = {
        {GDK_KEY_Right, 1}, {GDK_KEY_Right, 2}, {GDK_KEY_Left, 1}, {GDK_KEY_End, 3},
        {GDK_KEY_Right, 3}, {GDK_KEY_Home, 0},  {GDK_KEY_Left, 0},
    };
    for (auto [key, selected] : steps) {
        test::press_key(w, key);
        EXPECT_EQ(w.SSTab1.get_selected(), selected) << gdk_keyval_name(key);
        EXPECT_TRUE(w.SSTab1.has_focus()) << gdk_keyval_name(key);
    }
    EXPECT_TRUE(w.element("Label1(0)")->get_mapped());
    // Tab moves on to the button and back: the strip is one stop, the labels are none.
    test::press_key(w, GDK_KEY_Tab);
    EXPECT_TRUE(w.Command1.has_focus());
    test::press_key(w, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK);
    EXPECT_TRUE(w.SSTab1.has_focus());
}

TEST_F(HelpWindowTest, ClickingATabFocusesTheTabControl) {
    help()->Command1.grab_focus();
    pick_tab(1);
    EXPECT_TRUE(help()->SSTab1.has_focus());
}

TEST_F(HelpWindowTest, EnterAndEscapeOnTheTabControlDoNotClose) {
    help_window* w = help();
    w->SSTab1.grab_focus();
    for (guint key : {GDK_KEY_Return, GDK_KEY_KP_Enter, GDK_KEY_Escape}) {
        test::press_key(*w, key);
        test::run_for(300);
        ASSERT_EQ(help(), w) << gdk_keyval_name(key);
        EXPECT_TRUE(w->get_visible()) << gdk_keyval_name(key);
    }
}

TEST_F(HelpWindowTest, SpaceOnTheButtonCloses) {
    help()->Command1.grab_focus();
    test::press_key(*help(), GDK_KEY_space);
    EXPECT_TRUE(test::run_until([] { return help() == nullptr; }, 2000));
}

TEST_F(HelpWindowTest, EnterOnTheButtonCloses) {
    help()->Command1.grab_focus();
    test::press_key(*help(), GDK_KEY_Return);
    EXPECT_TRUE(test::run_until([] { return help() == nullptr; }, 2000));
}

// With no other window left, the Help window alone is what keeps the program running: it is
// registered with the application until it is closed.
TEST_F(HelpWindowTest, KeepsTheProgramRunningWhileOpen) {
    ASSERT_EQ(test::app()->get_windows().size(), 1u);
    EXPECT_EQ(test::app()->get_windows().front(), help());
    help()->close();
    test::flush_events();
    EXPECT_TRUE(test::app()->get_windows().empty());
}

} // namespace
} // namespace zarnic
