#pragma once
// The About box: the product's description and credit, and a button that starts the
// system-information tool.

#include <gtkmm/dialog.h>

namespace zarnic {

class AboutBox : public Gtk::Dialog {
public:
    AboutBox();
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;
};

} // namespace zarnic
