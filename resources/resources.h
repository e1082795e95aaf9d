#pragma once
// The pictures and pages compiled into the executable.

#include <gdkmm/pixbuf.h>

#include <string>
#include <vector>

namespace zarnic::resources {

// Registers the compiled bundle with GIO once; every lookup below does it on first use.
void ensure_registered();

// Full resource path of a file in the bundle, e.g. path("pages/start.html").
std::string path(const std::string& name);

// The browser window's icon at the common sizes. (Placeholder until the pictures are drawn.)
std::vector<Glib::RefPtr<Gdk::Pixbuf>> window_icons();

// Picture `index` (1 to 8) of the toolbar's image list. (Placeholder until drawn.)
Glib::RefPtr<Gdk::Pixbuf> toolbar_picture(int index, int size);

} // namespace zarnic::resources
