#pragma once
// The view's own notice pages: a heading and one paragraph, in the look of the program's pages,
// for what a beginner must be told in place of a page (an address that cannot be opened, a page
// that stopped working). Internal to webview/.

#include <webkit2/webkit2.h>

#include <string>

namespace zarnic {

// Shows a notice in the view under the address uri; heading and message are plain text. The
// crash notice keeps the broken page's address, so that Refresh tries that page again.
void show_notice(WebKitWebView* view, const std::string& heading, const std::string& message,
                 const std::string& uri = "about:blank");

} // namespace zarnic
