#pragma once
// A label of fixed size, drawn the way the Help pages need it: it paints its whole box in the
// window background colour, then its text, word-wrapped to the box width and cut off at the box
// edges. Spaces are never collapsed, and a run of spaces where a line breaks hangs past the
// line's end instead of pushing its last word down: texts that pad with spaces to start each
// item on a new line come out that way. It never grows or shrinks to fit its text and takes no
// focus. It has no window of its own, so labels whose boxes overlap are painted in the order their
// container draws them: the one drawn last is the one on top.
//
// It is a GTK label that draws itself: assistive technology reads it as any label, by its exact
// text, while GTK's own drawing and sizing, which would wrap and collapse differently, are
// replaced.

#include <gtkmm/label.h>
#include <pangomm/fontdescription.h>
#include <pangomm/layout.h>

namespace zarnic {

class box_label : public Gtk::Label {
public:
    box_label(const Glib::ustring& text, const Pango::FontDescription& font, int width, int height);

    // The text laid out as it is drawn: broken into lines at word boundaries to fit the box
    // width. Every space is kept; the text differs from get_text() only by the line breaks.
    Glib::RefPtr<Pango::Layout> layout();

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    // Exactly the box, whatever the text.
    Gtk::SizeRequestMode get_request_mode_vfunc() const override;
    void get_preferred_width_vfunc(int& minimum, int& natural) const override;
    void get_preferred_height_vfunc(int& minimum, int& natural) const override;
    void get_preferred_height_for_width_vfunc(int width, int& minimum, int& natural) const override;
    void get_preferred_width_for_height_vfunc(int height, int& minimum,
                                              int& natural) const override;

private:
    Glib::ustring wrap(const Glib::RefPtr<Pango::Layout>& measure) const;

    Glib::ustring text_;
    Pango::FontDescription font_;
    int width_;
    int height_;
};

} // namespace zarnic
