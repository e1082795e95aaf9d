#pragma once
// The About box: the product's title, tagline, description and credit beside the logo, an OK
// button that closes it and a System Info button that starts the system-information tool. It
// is shown modally through the shared reference About (app/shared_windows.h), which runs it and
// unloads it afterwards; every showing is a fresh box and nothing in it is computed.
//
// Its controls are placed from kAboutLayout, one table of design-time positions in twips.

#include "about/sys_info.h"
#include "resources/resources.h"
#include "ui/client_area.h"
#include "ui/layout.h"

#include <gtkmm/button.h>
#include <gtkmm/dialog.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarnic {

enum class AboutKind { Label, Image, Line, Button };
enum class AboutFont {
    Window,     // the box's font: MS Sans Serif 8.25 pt
    WindowBold, // MS Sans Serif 8.25 pt bold
    Credit,     // Tahoma 15.75 pt bold
};
enum class AboutAlign { Left, Centre };

// One control of the box. Positions and sizes are in twips (15 twips make one pixel) relative to
// the client area. A line runs from (left, top) to (left + width, top), `thickness` pixels thick
// below that edge, in `colour` (0x00BBGGRR). Labels are opaque in the button-face colour.
struct AboutControl {
    std::string_view name;
    AboutKind kind;
    int left, top, width, height;
    std::string_view text;
    AboutFont font;
    bool black_text; // black rather than the window's text colour
    AboutAlign align;
    std::uint32_t colour;
    int thickness;
};

inline constexpr int kAboutWidth = 6540; // client area, twips
inline constexpr int kAboutHeight = 4065;

namespace about_layout {
using enum AboutKind;
using enum AboutFont;
using enum AboutAlign;

// clang-format off
inline constexpr std::array<AboutControl, 11> kControls{{
//   name              kind    left  top   width height text                         font        black  align   colour      px
    {"lblTitle",       Label,  1890, 240,  3885, 480,  "Zarnic! 1.0.0",              Window,     true,  Left,   0,          0},
    {"Image1",         Image,  240,  480,  1320, 1260, "",                           Window,     false, Left,   0,          0},
    {"lblVersion",     Label,  1890, 780,  3885, 225,  "Making the web a doddle!",   Window,     false, Left,   0,          0},
    {"lblDescription", Label,  1890, 1125, 3885, 1170,
        "Another internet explorer, that makes surfing the internet fast and safe for beginners. "
        "with a Help screen and simple commands to help you know how internet explorers work.",
                                                                                     Window,     true,  Left,   0,          0},
    {"Line1(1)",       Line,   930,  2445, 5564, 0,    "",                           Window,     false, Left,   0x00808080, 1},
    {"Line1(0)",       Line,   945,  2460, 5549, 0,    "",                           Window,     false, Left,   0x00FFFFFF, 2},
    {"lblDisclaimer",  Label,  135,  2625, 4830, 825,  "",                           WindowBold, true,  Centre, 0,          0},
    {"cmdOK",          Button, 5085, 2625, 1260, 345,  "OK",                         Window,     false, Centre, 0,          0},
    {"cmdSysInfo",     Button, 5100, 3075, 1245, 345,  "_System Info...",            Window,     false, Centre, 0,          0},
    {"Line1(2)",       Line,   120,  3480, 6240, 0,    "",                           Window,     false, Left,   0x00808080, 1},
    {"Label1",         Label,  120,  3600, 6135, 375,  "Zarnic! Created By Quellan", Credit,     false, Centre, 0,          0},
}};
// clang-format on
} // namespace about_layout

inline constexpr const auto& kAboutLayout = about_layout::kControls;

// The pixel box a control of the table takes in the client area.
struct PixelBox {
    int x, y, width, height;
};
PixelBox pixel_box(const AboutControl& control);


class AboutBox : public Gtk::Dialog {
public:
    // A box that reads the machine's store (the path fixed at build time) and starts the tool
    // with LaunchProgram.
    AboutBox();
    // A box that reads the given store file and starts the tool with launch.
    explicit AboutBox(std::string store_file, ProgramLauncher launch = LaunchProgram);
    ~AboutBox() override;
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;

    // The control named in kAboutLayout.
    Gtk::Widget& control(std::string_view name);

    // The client area and its controls, in the order they are placed.
    ClientArea client{px(kAboutWidth), px(kAboutHeight)};
    Gtk::Label lblTitle;
    resources::Picture Image1{resources::kLogo};
    Gtk::Label lblVersion;
    Gtk::Label lblDescription;
    std::array<Gtk::DrawingArea, 3> Line1;
    Gtk::Label lblDisclaimer;
    Gtk::Button cmdOK;
    Gtk::Button cmdSysInfo;
    Gtk::Label Label1;

protected:
    bool on_key_press_event(GdkEventKey* event) override;
    void on_realize() override;
    void on_map() override;

private:
    void init_window();
    void init_controls();
    void init_label(Gtk::Label& label, const AboutControl& c);
    void init_line(Gtk::DrawingArea& line, const AboutControl& c);
    void init_button(Gtk::Button& button, const AboutControl& c);

    void cmdOK_Click();
    void cmdSysInfo_Click();
    // Shows the report of StartSysInfo: a modal message box over this box, OK only, no icon.
    void ShowUnavailable(const std::string& message);

    std::string store_file_;
    ProgramLauncher launch_;
};

} // namespace zarnic
