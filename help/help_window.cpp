#include "help/help_window.h"

namespace zarnic {

HelpWindow::HelpWindow() { set_title("Zarnic! Help"); }

} // namespace zarnic
