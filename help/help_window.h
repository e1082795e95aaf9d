#pragma once
// The Help window: questions and answers for beginners on four tabs.

#include <gtkmm/window.h>

namespace zarnic {

class HelpWindow : public Gtk::Window {
public:
    HelpWindow();
    HelpWindow(const HelpWindow&) = delete;
    HelpWindow& operator=(const HelpWindow&) = delete;
};

} // namespace zarnic
