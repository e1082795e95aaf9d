// The benchmark's bare-engine baseline: N plain GTK windows, each holding nothing but one
// WebKitGTK view on the given address. Nothing else runs, so what the bench measures here is the
// engine's own cost.
//
//     bench_baseline [--mirror] [--policy=always|never] ADDRESS [WINDOWS]
//
// By default the engine is used as it comes: its default web context and settings (not
// ephemeral, no sandbox, the engine's hardware acceleration policy), windows of 1024 x 768.
// --mirror sets the engine up as the browser does (webview/web_context.cpp): ephemeral,
// sandboxed, Mesa's shader cache off, the rendering mode the browser chooses for this machine
// and GL kept out of this process where that mode draws without it (webview/render_mode.cpp),
// views the size of the browser window's web view. --policy
// forces a hardware acceleration policy, for trying one out by hand.

#include "webview/render_mode.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int max_windows = 64;

int g_open_windows = 0;

void on_destroy(GtkWidget*, gpointer) {
    if (--g_open_windows == 0)
        gtk_main_quit();
}

int usage(const char* name) {
    std::fprintf(stderr, "usage: %s [--mirror] [--policy=always|never] ADDRESS [WINDOWS 1-%d]\n",
                 name, max_windows);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const bool mirror = argc > 1 && std::strcmp(argv[1], "--mirror") == 0;
    if (mirror)
        zarnic::hide_gl();
    gtk_init(&argc, &argv);
    int policy = -1;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--mirror") == 0 && arg == 1)
            continue;
        if (std::strcmp(argv[arg], "--policy=always") == 0)
            policy = WEBKIT_HARDWARE_ACCELERATION_POLICY_ALWAYS;
        else if (std::strcmp(argv[arg], "--policy=never") == 0)
            policy = WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER;
        else
            return usage(argv[0]);
    }
    if (argc - arg < 1 || argc - arg > 2)
        return usage(argv[0]);
    const char* address = argv[arg];
    const int windows = argc - arg == 2 ? std::atoi(argv[arg + 1]) : 1;
    if (windows < 1 || windows > max_windows)
        return usage(argv[0]);

    WebKitWebContext* context = nullptr;
    if (mirror) {
        g_setenv("MESA_SHADER_CACHE_DISABLE", "true", FALSE);
        context = webkit_web_context_new_ephemeral();
        zarnic::show_gl();
        webkit_web_context_set_sandbox_enabled(context, TRUE);
        if (policy < 0 && zarnic::machine_render_mode() == zarnic::render_mode::cpu)
            policy = WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER;
    } else {
        context = WEBKIT_WEB_CONTEXT(g_object_ref(webkit_web_context_get_default()));
    }
    // The browser's web view is 893 x 654 pixels (its client area below the address strip and
    // the toolbar).
    const int width = mirror ? 893 : 1024;
    const int height = mirror ? 654 : 768;
    for (int i = 0; i < windows; ++i) {
        GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(window), "Baseline");
        gtk_window_set_default_size(GTK_WINDOW(window), width, height);
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
        GtkWidget* view = webkit_web_view_new_with_context(context);
        if (policy >= 0)
            webkit_settings_set_hardware_acceleration_policy(
                webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view)),
                static_cast<WebKitHardwareAccelerationPolicy>(policy));
        gtk_container_add(GTK_CONTAINER(window), view);
        g_signal_connect(window, "destroy", G_CALLBACK(on_destroy), nullptr);
        ++g_open_windows;
        gtk_widget_show_all(window);
        webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), address);
    }
    gtk_main();
    g_object_unref(context);
    return 0;
}
