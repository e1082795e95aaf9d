// The splash window: its texts and place, and the race between its timer, keys and clicks.
#include "app/splash_window.h"

#include "app/shared_windows.h"
#include "browser/browser_window.h"
#include "resources/constants.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

namespace zarnic {
namespace {

class SplashTest : public testing::Test {
protected:
    void SetUp() override { open_splash(); }

    // The splash with its timer held, so that it stays up however slowly this build draws it;
    // the timer's own path is walked from outside, on the built program.
    void open_splash() {
        show_frmSplash();
        splash_ = shared_windows().frmSplash;
        ASSERT_NE(splash_, nullptr);
        splash_->Timer1.disconnect();
        test::show_and_wait(*splash_);
    }

    void TearDown() override {
        for (Gtk::Window* window : test::app()->get_windows())
            window->hide();
        test::flush_events();
    }

    static bool gone() { return shared_windows().frmSplash == nullptr; }

    splash_window* splash_ = nullptr;
};

int right_edge(Gtk::Widget& w) {
    return w.get_allocation().get_x() + w.get_allocated_width();
}
int centre(Gtk::Widget& w) {
    return w.get_allocation().get_x() + w.get_allocated_width() / 2;
}

TEST(VersionText, IsBuiltFromTheNumbers) {
    EXPECT_EQ(version_text(1, 0, 0), "Version 1.0.0");
    EXPECT_EQ(version_text(2, 10, 3), "Version 2.10.3");
}

TEST_F(SplashTest, ShowsTitleAndVersionInItsPlaceWithoutTitleBarOrTaskbarEntry) {
    EXPECT_EQ(splash_->lblProductName.get_text(), std::string(app_title));
    EXPECT_EQ(splash_->lblVersion.get_text(), "Version 1.0.0");
    EXPECT_EQ(splash_->lblPlatform.get_text(), "Windows XP/2000");
    EXPECT_EQ(splash_->get_width(), 496);
    EXPECT_EQ(splash_->get_height(), 301);
    int x = 0, y = 0;
    splash_->get_position(x, y);
    EXPECT_EQ(x, (1280 - 496) / 2);
    EXPECT_EQ(y, (1024 - 301) / 2);
    EXPECT_FALSE(splash_->get_decorated());
    EXPECT_TRUE(splash_->get_skip_taskbar_hint());
    EXPECT_EQ(splash_->get_type_hint(), Gdk::WINDOW_TYPE_HINT_SPLASHSCREEN);
    // Labels that size themselves keep their right edge or their centre.
    EXPECT_EQ(right_edge(splash_->lblVersion), px(5055 + 1470));
    EXPECT_EQ(right_edge(splash_->lblPlatform), px(4155 + 2700));
    EXPECT_NEAR(centre(splash_->lblProductName), px(2400 + 2835 / 2), 1);
    EXPECT_NEAR(centre(splash_->lblCompanyProduct), px(2520 + 2505 / 2), 1);
    EXPECT_EQ(splash_->Image1.get_allocated_width(), px(2040));
    EXPECT_EQ(splash_->Image1.get_allocated_height(), px(1860));
}

TEST_F(SplashTest, ACharacterKeyClosesItAndNoBrowserWindowFollows) {
    for (guint key : {GDK_KEY_a, GDK_KEY_7, GDK_KEY_Return, GDK_KEY_Escape}) {
        if (!splash_)
            open_splash();
        test::press_key(*splash_, key);
        EXPECT_TRUE(gone()) << gdk_keyval_name(key);
        splash_ = nullptr;
        test::flush_events();
        EXPECT_EQ(shared_windows().Webbro, nullptr) << gdk_keyval_name(key);
        EXPECT_TRUE(test::app()->get_windows().empty()) << gdk_keyval_name(key);
    }
}

TEST_F(SplashTest, ShiftArrowsAndFunctionKeysDoNothing) {
    for (guint key : {GDK_KEY_Shift_L, GDK_KEY_Left, GDK_KEY_F1, GDK_KEY_Control_R})
        test::press_key(*splash_, key);
    test::flush_events();
    EXPECT_FALSE(gone());
}

TEST_F(SplashTest, OnlyTheFramesBareSurfaceTakesAClick) {
    // On a label and on the picture: nothing.
    Gtk::Allocation label = splash_->lblCopyright.get_allocation();
    test::click_at(splash_->Frame1, label.get_x() + 5, label.get_y() + 5);
    Gtk::Allocation image = splash_->Image1.get_allocation();
    test::click_at(splash_->Frame1, image.get_x() + 20, image.get_y() + 20);
    EXPECT_FALSE(gone());
    // On the frame itself, away from its controls: the splash closes and the program would end.
    test::click_at(splash_->Frame1, 20, 250);
    EXPECT_TRUE(gone());
    test::flush_events();
    EXPECT_EQ(shared_windows().Webbro, nullptr);
}

} // namespace
} // namespace zarnic
