#pragma once
// The Help window: questions and answers for beginners on four tabs, and one wide button along
// the bottom that closes the window. It is a fixed-size tool window, kept out of the taskbar and
// centred on the screen; everything in it is fixed (see help/help_texts.h for the pages).

#include "help/help_texts.h"
#include "help/tab_control.h"
#include "ui/client_area.h"

#include <gtkmm/button.h>
#include <gtkmm/fixed.h>
#include <gtkmm/window.h>

#include <string_view>

namespace zarnic {

// The window's own layout, in twips.
struct help_layout {
    twips_box client; // the client area
    twips_box SSTab1;
    int tab_height; // one row of tabs
    int tabs_per_row;
    twips_box Command1; // runs past the client area's right and bottom edges; the window clips it
};

inline constexpr help_layout help_window_layout{
    {0, 0, 5880, 6195}, {0, 0, 5775, 5775}, 295, 3, {0, 5760, 5895, 495},
};

inline constexpr std::string_view help_title = "Zarnic! Help";
inline constexpr std::string_view command1_caption = ":-)  Back to Zarnic!  :-)";

class help_window : public Gtk::Window {

public:
    help_window();
    help_window(const help_window&) = delete;
    help_window& operator=(const help_window&) = delete;

protected:
    void on_realize() override;

private:
    client_area client_;
    // The window's controls, in focus order.
    tab_control SSTab1;
    Gtk::Button Command1;

    void init_window();
    void init_SSTab1();
    void init_Command1();

    void Command1_Click();
};

} // namespace zarnic
