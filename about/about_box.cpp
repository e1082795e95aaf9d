#include "about/about_box.h"

namespace zarnic {

AboutBox::AboutBox() { set_title("About Zarnic!"); }

} // namespace zarnic
