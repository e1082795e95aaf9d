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
#include <gtkmm/drawingarea.h>

#include <string>
#include <vector>

namespace zarnic::resources {

// Registers the compiled bundle with GIO once; every lookup below does it on first use.
void ensure_registered();

// Full resource path of a file in the bundle, e.g. path("pages/start.html").
std::string path(const std::string& name);

// Names of the pictures (their drawings' file names), for picture() and picture_view.
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

// The toolbar's image list holds this many pictures, with indexes from 1.
inline constexpr int toolbar_picture_count = 8;

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

// Name of picture `index` (1 to toolbar_picture_count) of the toolbar's image list.
// Throws std::out_of_range for any other index.
std::string toolbar_picture_name(int index);

// picture_view `index` of the toolbar's image list at size x size pixels, on a transparent ground.
// Throws std::out_of_range for an index outside 1 to toolbar_picture_count.
Glib::RefPtr<Gdk::Pixbuf> toolbar_picture(int index, int size);

// What the logo shows, in words, for assistive technology.
inline constexpr const char* logo_description = "Zarnic! logo";

// Shows one picture of the bundle stretched to the widget's allocation. It is drawn at the
// allocation's size in device pixels (allocation times the screen's scale factor), so it stays
// sharp on HiDPI screens; the result is kept until the size or the scale changes. Assistive
// technology reads it as an image, the logo by its description.
class picture_view : public Gtk::DrawingArea {
public:
    explicit picture_view(std::string name);
    picture_view(const picture_view&) = delete;
    picture_view& operator=(const picture_view&) = delete;

    const std::string& name() const { return name_; }

    // The rendering the widget shows, for the given size in device pixels.
    Glib::RefPtr<Gdk::Pixbuf> rendering(int device_width, int device_height);

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

private:
    std::string name_;
    Glib::RefPtr<Gdk::Pixbuf> rendering_;
};

} // namespace zarnic::resources
