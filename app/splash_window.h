#pragma once
// The splash window: shown at start, it names the product, its version and platform, and after
// half a second gives way to the first browser window. A character key or a click on its frame
// before then closes it, and with it the program, since no other window exists yet.

#include "resources/resources.h"
#include "ui/layout.h"
#include "ui/picture_view.h"
#include "ui/stacked_fixed.h"

#include <gdkmm/seat.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <array>
#include <string>

namespace zarnic {

// The window's controls in twips. Frame1 lies on the window, the others inside Frame1,
// listed from front to back.
struct splash_layout {
    static constexpr int client_width = 7440;
    static constexpr int client_height = 4515;
    static constexpr twips_box Frame1{150, 120, 7185, 4170};
    static constexpr twips_box Image1{240, 1320, 2040, 1860};
    static constexpr twips_box Line1{0, 480, 7200, 15};
    static constexpr twips_box lblCopyright{4560, 3000, 2415, 255};
    static constexpr twips_box lblCompany{4560, 3240, 2415, 255};
    static constexpr twips_box lblVersion{5055, 2760, 1470, 285};
    static constexpr twips_box lblPlatform{4155, 2340, 2700, 360};
    static constexpr twips_box lblProductName{2400, 1140, 2835, 765};
    static constexpr twips_box lblCompanyProduct{2520, 840, 2505, 240};
    static constexpr int timer_ms = 500;
    static constexpr int unseen_ticks = 10; // the timer's ticks waiting for the splash to show
};

// "Version 2.10.3" from its numbers.
std::string version_text(int major, int minor, int revision);

class splash_window : public Gtk::Window {
public:
    splash_window();
    ~splash_window() override;
    splash_window(const splash_window&) = delete;
    splash_window& operator=(const splash_window&) = delete;

private:
    // The controls: Frame1 on the window, the others inside it.
    Gtk::EventBox Frame1;
    stacked_fixed frame_content;
    picture_view Image1{resources::logo_picture};
    Gtk::DrawingArea Line1;
    Gtk::Label lblCopyright;
    Gtk::Label lblCompany;
    Gtk::Label lblVersion;
    Gtk::Label lblPlatform;
    Gtk::Label lblProductName;
    Gtk::Label lblCompanyProduct;
    // The timer, running from the moment the window is made, and again from the moment the splash
    // is first on the screen, until it fires once.
    sigc::connection Timer1;

    void init_frame();
    void init_labels();
    void Form_Load();
    void start_Timer1();
    void Timer1_Timer();
    bool Form_KeyPress(GdkEventKey* event);
    bool on_map_event(GdkEventAny* event) override;
    // Holds the keyboard once the splash is on the screen; false while it does not.
    bool hold_keyboard();
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    void on_unmap() override;
    bool Frame1_Click(GdkEventButton* event);
    bool Frame1_Draw(const Cairo::RefPtr<Cairo::Context>& cr);

    // Places a label that sizes itself to its text, keeping its right edge or its centre.
    void place_sized(Gtk::Label& label, const twips_box& box, Gtk::Align keep);

    Gtk::Fixed client_;
    // The seat whose keyboard the splash holds while it shows, if it could take it.
    Glib::RefPtr<Gdk::Seat> keyboard_;
    // Whether the splash is on the screen (viewable), has been drawn there, and the timer's
    // ticks before it was.
    bool viewable_ = false;
    bool shown_ = false;
    int unseen_ticks_ = 0;
};

} // namespace zarnic
