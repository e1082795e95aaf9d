#pragma once
// The About box: the product's title, tagline, description and credit beside the logo, an OK
// button that closes it and a System Info button that starts the system-information tool. It
// is shown modally through the shared reference About (app/shared_windows.h), which runs it and
// unloads it afterwards; every showing is a fresh box and nothing in it is computed.
//
// Its controls are placed from about_box_layout, one table of their positions in twips.

#include "about/sys_info.h"
#include "resources/resources.h"
#include "ui/client_area.h"
#include "ui/layout.h"
#include "ui/picture_view.h"

#include <gtkmm/button.h>
#include <gtkmm/dialog.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace zarnic {

enum class about_kind { label, image, line, button };
enum class about_font {
    window,      // the box's font: MS Sans Serif 8.25 pt
    window_bold, // MS Sans Serif 8.25 pt bold
    credit,      // Tahoma 15.75 pt bold
};
enum class about_align { left, centre };

// One control of the box. Positions and sizes are in twips (15 twips make one pixel) relative to
// the client area. A line runs from (left, top) to (left + width, top), `thickness` pixels thick
// below that edge, in `colour` (0x00BBGGRR). Labels are opaque in the button-face colour.
struct about_control {
    std::string_view name;
    about_kind kind;
    int left, top, width, height;
    std::string_view text;
    about_font font;
    bool black_text; // black rather than the window's text colour
    about_align align;
    std::uint32_t colour;
    int thickness;
};

inline constexpr int about_width = 6540; // client area, twips
inline constexpr int about_height = 4065;

namespace about_layout {
using enum about_kind;
using enum about_font;
using enum about_align;

// clang-format off
inline constexpr std::array<about_control, 11> control_table{{
//   name              kind    left  top   width height text                         font        black  align   colour      px
    {"lblTitle",       label,  1890, 240,  3885, 480,  "Zarnic! 1.0.0",              window,     true,  left,   0,          0},
    {"Image1",         image,  240,  480,  1320, 1260, "",                           window,     false, left,   0,          0},
    {"lblVersion",     label,  1890, 780,  3885, 225,  "Making the web a doddle!",   window,     false, left,   0,          0},
    {"lblDescription", label,  1890, 1125, 3885, 1170,
        "Another internet explorer, that makes surfing the internet fast and safe for beginners. "
        "with a Help screen and simple commands to help you know how internet explorers work.",
                                                                                     window,     true,  left,   0,          0},
    {"Line1(1)",       line,   930,  2445, 5564, 0,    "",                           window,     false, left,   0x00808080, 1},
    {"Line1(0)",       line,   945,  2460, 5549, 0,    "",                           window,     false, left,   0x00FFFFFF, 2},
    {"lblDisclaimer",  label,  135,  2625, 4830, 825,  "",                           window_bold, true,  centre, 0,          0},
    {"cmdOK",          button, 5085, 2625, 1260, 345,  "OK",                         window,     false, centre, 0,          0},
    {"cmdSysInfo",     button, 5100, 3075, 1245, 345,  "_System Info...",            window,     false, centre, 0,          0},
    {"Line1(2)",       line,   120,  3480, 6240, 0,    "",                           window,     false, left,   0x00808080, 1},
    {"Label1",         label,  120,  3600, 6135, 375,  "Zarnic! Created By Quellan", credit,     false, centre, 0,          0},
}};
// clang-format on
} // namespace about_layout

inline constexpr const auto& about_box_layout = about_layout::control_table;

class about_box : public Gtk::Dialog {
public:
    // A box whose System Info button finds the tool through the store file.
    explicit about_box(std::string store_file);
    ~about_box() override;
    about_box(const about_box&) = delete;
    about_box& operator=(const about_box&) = delete;

protected:
    bool on_key_press_event(GdkEventKey* event) override;
    void on_realize() override;
    void on_map() override;

private:
    // The client area and its controls, in the order they are placed.
    client_area client{px(about_width), px(about_height)};
    Gtk::Label lblTitle;
    picture_view Image1{resources::logo_picture};
    Gtk::Label lblVersion;
    Gtk::Label lblDescription;
    std::array<Gtk::DrawingArea, 3> Line1;
    Gtk::Label lblDisclaimer;
    Gtk::Button cmdOK;
    Gtk::Button cmdSysInfo;
    Gtk::Label Label1;

    void init_window();
    void init_controls();
    // The controls, one for each row of about_box_layout and in its order.
    using control = std::variant<Gtk::Label*, picture_view*, Gtk::DrawingArea*, Gtk::Button*>;
    std::array<control, about_box_layout.size()> controls();
    void init_label(Gtk::Label& label, const about_control& c);
    void init_line(Gtk::DrawingArea& line, const about_control& c);
    void init_button(Gtk::Button& button, const about_control& c);

    void cmdOK_Click();
    void cmdSysInfo_Click();
    // Shows the report of StartSysInfo: a modal message box over this box, OK only, no icon.
    void show_unavailable(const std::string& message);

    std::string store_file_;
};

} // namespace zarnic
