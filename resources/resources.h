#pragma once
// The pictures and pages compiled into the executable.
//
// Every picture is an SVG drawing in the sources, rendered to PNG at build time at 1x, 2x and 3x
// its design size (resources/CMakeLists.txt). On request the smallest rendering that covers the
// pixel size the caller needs is scaled down to it, so a picture stays sharp on screens of scale
// 1 to 3 and no SVG renderer is loaded at run time. Design sizes: the logo 160 x 140, the window
// icon 32 x 32, the toolbar pictures 24 x 24. Pictures are stretched to the size asked for,
// without keeping their proportions, as the boxes that show the logo want.

#include <gdkmm/pixbuf.h>

#include <string>
#include <vector>

namespace zarnic::resources {

// Full resource path of a file in the bundle, e.g. path("pages/start.html").
std::string path(const std::string& name);

// Names of the pictures (their drawings' file names), for picture().
inline constexpr const char* logo_picture = "logo";
inline constexpr const char* window_icon_picture = "window-icon";
// The window icon redrawn for sizes up to small_window_icon_limit, where the large drawing blurs.
inline constexpr const char* small_window_icon_picture = "window-icon-16";
inline constexpr int small_window_icon_limit = 23;

// Design sizes, in pixels at scale 1.
inline constexpr int logo_width = 160;
inline constexpr int logo_height = 140;
inline constexpr int window_icon_size = 32;
inline constexpr int toolbar_picture_size = 24;

// The window icon sizes handed to the window manager (the desktop takes the largest).
inline constexpr int window_icon_sizes[] = {16, 32, 48, 256};

// The named picture at width x height pixels, stretched to fill them.
// Throws Glib::Error when there is no such picture, std::invalid_argument for a size below 1.
Glib::RefPtr<Gdk::Pixbuf> picture(const std::string& name, int width, int height);

// The logo, stretched to width x height pixels; its ground is opaque.
Glib::RefPtr<Gdk::Pixbuf> logo(int width, int height);

// The browser window's icon, a blue application window with a document, size x size pixels;
// drawn from the small drawing up to small_window_icon_limit pixels, from the large one above.
Glib::RefPtr<Gdk::Pixbuf> window_icon(int size);

// The icon at every size of window_icon_sizes, smallest first, for Gtk::Window::set_icon_list().
std::vector<Glib::RefPtr<Gdk::Pixbuf>> window_icon_list();

// Picture `index` of the toolbar's image list (the drawing pictures/toolbar/INDEX-*.svg) at
// size x size pixels, on a transparent ground. Throws std::out_of_range where there is none.
Glib::RefPtr<Gdk::Pixbuf> toolbar_picture(int index, int size);

// How many pictures the toolbar's image list holds; their indexes run from 1.
int toolbar_picture_count();

// What the logo shows, in words, for assistive technology.
inline constexpr const char* logo_description = "Zarnic! logo";

} // namespace zarnic::resources
