#pragma once
// A toolbar button with its picture above its caption, at a fixed size, carrying the key its
// toolbar's click handler reads.

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/toolitem.h>

#include <string>

namespace zarnic {

class picture_button : public Gtk::ToolItem {
public:
    picture_button() = default;
    picture_button(const picture_button&) = delete;
    picture_button& operator=(const picture_button&) = delete;

    // Sets the key, the caption (also the tooltip), the picture (index in the image list) and
    // the size in pixels.
    void setup(std::string key, const std::string& caption, int picture, int width, int height);

    const std::string& key() const { return key_; }

    Gtk::Button button;

private:
    void show_picture();

    int picture_ = 0;
    Gtk::Box box_{Gtk::ORIENTATION_VERTICAL};
    Gtk::Image image_;
    Gtk::Label caption_;
    std::string key_;
};

} // namespace zarnic
