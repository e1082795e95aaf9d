#pragma once
// Hooks for tests of the web view and of the windows around it: they point every view at pages
// the test serves itself, and make the engine trust the test's own certificate. The program
// only reads the build-time defaults of the pages; everything it drives is in web_view.h.

#include "webview/web_view.h"

#include <string>

namespace zarnic {

// The web view's own home and search pages. Defaults are build-time constants; a test points
// them at pages it serves itself.
struct engine_pages {
    std::string home;
    std::string search;
    // Address for a search; "%s" stands for the escaped query.
    std::string search_query;
};
engine_pages& web_view_pages();

// Trusts one certificate (a PEM file) for one host in every view, whoever issued it: for tests
// that serve https pages themselves, and for sites an administrator vouches for.
void web_view_trust_certificate(const std::string& pem_file, const std::string& host);

} // namespace zarnic
