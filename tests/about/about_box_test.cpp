// The About box on a real (virtual) screen: its layout against the table, what it draws, its
// keys, the System Info button with a real started program, and the message over the box.
#include "about/about_box.h"
#include "app/shared_windows.h"

#include "support/test_env.h"
#include "test_files.h"

#include <gdk/gdkkeysyms.h>
#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <gtkmm/messagedialog.h>

#include <functional>

namespace zarnic {
namespace {

using namespace test_files;
using test::press_key;

// Runs act once ready() holds, polling from the main loop, so a test can act inside the nested
// loop of a modal show. Gives up after ten seconds, failing the test.
void when(std::function<bool()> ready, std::function<void()> act) {
    auto deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    Glib::signal_timeout().connect(
        [=] {
            if (ready()) {
                act();
                return false;
            }
            if (g_get_monotonic_time() > deadline) {
                ADD_FAILURE() << "timed out waiting inside a modal show";
                for (Gtk::Window* w : Gtk::Window::list_toplevels())
                    if (auto* d = dynamic_cast<Gtk::Dialog*>(w))
                        d->response(Gtk::RESPONSE_DELETE_EVENT);
                return false;
            }
            return true;
        },
        20);
}

bool shown(Gtk::Window& w) {
    return w.get_mapped() && w.get_window() && w.get_window()->is_viewable();
}

Gtk::MessageDialog* message_box() {
    for (Gtk::Window* w : Gtk::Window::list_toplevels())
        if (auto* m = dynamic_cast<Gtk::MessageDialog*>(w); m && shown(*m))
            return m;
    return nullptr;
}

class AboutBoxTest : public testing::Test {
protected:
    void SetUp() override {
        make_dir(dir / "records", 0777);
        record_into(record);
        install_recorder(tool);
    }
    TempDir dir;
    std::string store = dir / "machine.reg";
    std::string record = dir / "records/record";
    std::string tool = dir / "tool";
};

TEST_F(AboutBoxTest, ControlsSitWhereTheTablePutsThem) {
    about_box box(store);
    test::show_and_wait(box);
    EXPECT_EQ(box.get_title(), "About Zarnic!");
    EXPECT_FALSE(box.get_resizable());
    EXPECT_TRUE(box.get_skip_taskbar_hint());
    EXPECT_TRUE(box.get_modal());
    EXPECT_EQ(box.get_window()->get_width(), 436);
    EXPECT_EQ(box.get_window()->get_height(), 271);
    for (const about_control& c : about_box_layout) {
        Gtk::Widget& w = box.control(c.name);
        Gtk::Allocation a = w.get_allocation();
        Gtk::Allocation client = box.client.get_allocation();
        pixel_rect p = pixel_box(c);
        EXPECT_EQ(a.get_x() - client.get_x(), p.x) << c.name;
        EXPECT_EQ(a.get_y() - client.get_y(), p.y) << c.name;
        EXPECT_EQ(a.get_width(), p.width) << c.name;
        EXPECT_EQ(a.get_height(), p.height) << c.name;
        if (auto* label = dynamic_cast<Gtk::Label*>(&w)) {
            EXPECT_EQ(label->get_text(), std::string(c.text)) << c.name;
        }
    }
    EXPECT_EQ(box.cmdSysInfo.get_label(), "_System Info...");
    EXPECT_TRUE(box.cmdSysInfo.get_use_underline());
    EXPECT_EQ(box.get_focus(), &box.cmdOK);
    EXPECT_TRUE(box.cmdOK.has_default());

    auto shot = test::snapshot(box);
    shot->save("about_box.png", "png");
    auto pixel = [&](int x, int y) {
        const guint8* p =
            shot->get_pixels() + y * shot->get_rowstride() + x * shot->get_n_channels();
        return p[0] << 16 | p[1] << 8 | p[2];
    };
    // The etched separator: grey over two rows of white; the lower line grey.
    EXPECT_EQ(pixel(200, 163), 0x808080);
    EXPECT_EQ(pixel(200, 164), 0xFFFFFF);
    EXPECT_EQ(pixel(200, 165), 0xFFFFFF);
    EXPECT_EQ(pixel(200, 232), 0x808080);
    EXPECT_EQ(pixel(432, 163), 0x808080);
    EXPECT_NE(pixel(434, 163), 0x808080);
    // Black text in the title's box.
    bool black = false;
    for (int y = 16; y < 48 && !black; ++y)
        for (int x = 126; x < 385 && !black; ++x)
            black = pixel(x, y) == 0x000000;
    EXPECT_TRUE(black);
}

TEST_F(AboutBoxTest, EscAndEnterCloseTheSharedBoxAndEachShowingIsFresh) {
    Gtk::Window caller;
    test::app()->add_window(caller);
    test::show_and_wait(caller);
    for (guint key : {GDK_KEY_Escape, GDK_KEY_Return}) {
        bool checked = false;
        when([] { return shared_windows().About && shown(*shared_windows().About); },
             [&] {
                 about_box& box = *shared_windows().About;
                 EXPECT_EQ(box.get_transient_for(), &caller);
                 EXPECT_EQ(box.lblTitle.get_text(), "Zarnic! 1.0.0");
                 box.lblTitle.set_text("changed in this showing only");
                 checked = true;
                 press_key(box, key);
             });
        show_About(&caller);
        EXPECT_TRUE(checked);
        EXPECT_EQ(shared_windows().About, nullptr);
    }
    caller.hide();
}

TEST_F(AboutBoxTest, TabThenEnterStartsTheToolAndTheBoxStaysOpen) {
    write_file(store, path_store(tool));
    about_box box(store);
    bool stayed_open = false;
    // Each step waits in the box's modal loop for the last one to take effect. Keys reach a
    // window that has the keyboard focus: until it has, GTK spends the first Tab on showing
    // where the focus is.
    when([&] { return shown(box) && box.is_active(); },
         [&] {
             EXPECT_EQ(box.get_focus(), &box.cmdOK);
             press_key(box, GDK_KEY_Tab);
         });
    when([&] { return box.get_focus() == &box.cmdSysInfo; },
         [&] { press_key(box, GDK_KEY_Return); });
    when([&] { return read_file(record).find('\n') != std::string::npos; },
         [&] {
             EXPECT_EQ(wait_for_record(record), tool + "|0|" + std::to_string(getuid()));
             stayed_open = shown(box) && message_box() == nullptr;
             press_key(box, GDK_KEY_Escape);
         });
    EXPECT_EQ(box.run(), Gtk::RESPONSE_OK);
    EXPECT_TRUE(stayed_open);
}

TEST_F(AboutBoxTest, AltSWithoutTheToolShowsTheMessageOverTheBoxEachTime) {
    write_file(store, store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"));
    about_box box(store);
    int messages = 0;
    std::function<void()> answer_message = [&] {
        Gtk::MessageDialog* m = message_box();
        ++messages;
        EXPECT_EQ(m->get_title(), "Zarnic! 1.0");
        EXPECT_EQ(m->property_text().get_value(), "System Information Is Unavailable At This Time");
        EXPECT_EQ(m->property_message_type().get_value(), Gtk::MESSAGE_OTHER);
        EXPECT_EQ(m->get_transient_for(), &box);
        EXPECT_TRUE(m->get_modal());
        EXPECT_NE(m->get_widget_for_response(Gtk::RESPONSE_OK), nullptr);
        EXPECT_EQ(m->get_widget_for_response(Gtk::RESPONSE_CANCEL), nullptr);
        press_key(*m, GDK_KEY_Return);
    };
    when([&] { return shown(box); },
         [&] {
             when([] { return message_box() != nullptr; }, answer_message);
             press_key(box, GDK_KEY_s, GDK_MOD1_MASK); // returns once the message is answered
             EXPECT_TRUE(shown(box));
             when([] { return message_box() != nullptr; }, answer_message);
             box.cmdSysInfo.clicked();
             EXPECT_TRUE(shown(box));
             box.cmdOK.clicked();
         });
    EXPECT_EQ(box.run(), Gtk::RESPONSE_OK);
    EXPECT_EQ(messages, 2);
    EXPECT_EQ(wait_for_record(record, 200), "");
}

} // namespace
} // namespace zarnic
