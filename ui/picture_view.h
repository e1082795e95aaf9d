#pragma once
// Shows one picture of the program's bundle (resources::picture) stretched to the widget's
// allocation. It is drawn at the allocation's size in device pixels (allocation times the
// screen's scale factor), so it stays sharp on HiDPI screens; the rendering is kept until the
// size or the scale changes. Assistive technology reads it as an image, the logo by its
// description.

#include <gdkmm/pixbuf.h>
#include <gtkmm/drawingarea.h>

#include <string>

namespace zarnic {

class picture_view : public Gtk::DrawingArea {
public:
    explicit picture_view(std::string name);
    picture_view(const picture_view&) = delete;
    picture_view& operator=(const picture_view&) = delete;

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

private:
    // The rendering the widget shows, for the given size in device pixels.
    Glib::RefPtr<Gdk::Pixbuf> rendering(int device_width, int device_height);

    std::string name_;
    Glib::RefPtr<Gdk::Pixbuf> rendering_;
};

} // namespace zarnic
