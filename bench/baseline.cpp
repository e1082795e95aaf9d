// The bare-engine baseline of the benchmark: N plain GTK windows, each holding nothing but one
// WebKitGTK view on the given address. The web context is set up as the browser's own is
// (webview/web_context.cpp): ephemeral, sandboxed, Mesa's shader cache off, one context shared by
// every view. Nothing else runs, so what the bench measures here is the engine's own cost.
//
//     bench_baseline ADDRESS [WINDOWS]

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The size of the browser window's web view (its client area below the address strip and the
// toolbar), so both programs lay out and paint the same number of pixels.
constexpr int view_width = 893;
constexpr int view_height = 654;
constexpr int max_windows = 64;

int g_open_windows = 0;

WebKitWebContext* make_context() {
    g_setenv("MESA_SHADER_CACHE_DISABLE", "true", FALSE);
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    webkit_web_context_set_sandbox_enabled(context, TRUE);
    return context;
}

void on_destroy(GtkWidget*, gpointer) {
    if (--g_open_windows == 0)
        gtk_main_quit();
}

} // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s ADDRESS [WINDOWS]\n", argv[0]);
        return 2;
    }
    const char* address = argv[1];
    int windows = argc == 3 ? std::atoi(argv[2]) : 1;
    if (windows < 1 || windows > max_windows) {
        std::fprintf(stderr, "%s: WINDOWS must be 1 to %d\n", argv[0], max_windows);
        return 2;
    }

    WebKitWebContext* context = make_context();
    for (int i = 0; i < windows; ++i) {
        GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(window), "Baseline");
        gtk_window_set_default_size(GTK_WINDOW(window), view_width, view_height);
        gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
        GtkWidget* view = webkit_web_view_new_with_context(context);
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
