#pragma once
// The web engine's context, shared by every view, and the views made in it. The context is
// ephemeral (no cookie, cache, history or storage reaches the disk), runs every web process in
// WebKit's sandbox, serves zarnic://app/ from the pages compiled into the program and refuses
// every download. The warm-up view of web_view_warm_up() lives here too. Internal to webview/.

#include <webkit2/webkit2.h>

namespace zarnic {

// A new view in the shared context, with the settings every view has. Its reference is
// floating, as GTK hands out widgets. The first view made after web_view_warm_up() shares the
// warm view's web process, which is then already running.
WebKitWebView* new_view();

} // namespace zarnic
