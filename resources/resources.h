#pragma once
// The pictures and pages compiled into the executable.

#include <gdkmm/pixbuf.h>

#include <string>

namespace zarnic::resources {

// Registers the compiled bundle with GIO once; every lookup below does it on first use.
void ensure_registered();

// Full resource path of a file in the bundle, e.g. path("pages/start.html").
std::string path(const std::string& name);

} // namespace zarnic::resources
