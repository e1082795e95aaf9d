#include "webview/web_context.h"

#include "resources/resources.h"
#include "webview/render_mode.h"

#include <string>

namespace zarnic {
namespace {

// Serves zarnic://app/NAME from the pages compiled into the program.
void serve_zarnic_scheme(WebKitURISchemeRequest* request, gpointer) {
    g_autoptr(GUri) uri =
        g_uri_parse(webkit_uri_scheme_request_get_uri(request), G_URI_FLAGS_NONE, nullptr);
    const char* host = uri ? g_uri_get_host(uri) : nullptr;
    std::string path = webkit_uri_scheme_request_get_path(request);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GBytes) bytes = nullptr;
    if (host && g_str_equal(host, "app") && path.find("..") == std::string::npos) {
        if (path.empty() || path == "/")
            path = "/start.html";
        bytes = g_resources_lookup_data(resources::path("pages" + path).c_str(),
                                        G_RESOURCE_LOOKUP_FLAGS_NONE, &error);
    } else {
        error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "No such page");
    }
    if (!bytes) {
        webkit_uri_scheme_request_finish_error(request, error);
        return;
    }
    gboolean uncertain = FALSE;
    g_autofree char* content_type = g_content_type_guess(path.c_str(), nullptr, 0, &uncertain);
    g_autofree char* mime = g_content_type_get_mime_type(content_type);
    g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_bytes(bytes);
    webkit_uri_scheme_request_finish(request, stream, gint64(g_bytes_get_size(bytes)),
                                     mime ? mime : "application/octet-stream");
}

// Downloads are refused: nothing a page offers is ever saved.
void cancel_download(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

// How far a web process may grow before it gives memory back. Left to the engine, it purges its
// caches and collects garbage only past a third and a half of the machine's memory (up to 3 GB),
// checked every 30 s: over an afternoon of browsing it grew without levelling off (its own
// allocators, pages kept for Back, decoded resources). Past 83 MB (a third of 250) it now drops
// what it can rebuild cheaply, past 125 MB (half) its caches and the pages kept for Back too; it
// is never ended for its size. Checked every 10 s: each check costs the idle page 10 to 20 ms of
// CPU, and a reader seldom opens more than a page or two in that time. Measured with the bench's
// soak (bench/README.md): after 1,000 pages the tree holds 270 MB instead of 510 to 580 MB and
// stays level, and Back still finds the last pages at once.
WebKitMemoryPressureSettings* web_process_memory() {
    WebKitMemoryPressureSettings* pressure = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(pressure, 250);
    webkit_memory_pressure_settings_set_conservative_threshold(pressure, 0.33);
    webkit_memory_pressure_settings_set_strict_threshold(pressure, 0.5);
    webkit_memory_pressure_settings_set_poll_interval(pressure, 10.0);
    return pressure;
}

// Pages show classic scroll bars, always in view, instead of overlay ones that appear over the
// page and fade away: a beginner sees at once that a page goes on below, and there is no fade
// to draw. Drawn without GL, every frame of a fade repaints on the CPU: after a long page had
// loaded, about a second of CPU over the next five while the bar faded. The engine takes GTK's
// setting, which it passes to every web process; set by the program, it outranks the desktop's.
void keep_scroll_bars_in_view() {
    g_object_set(gtk_settings_get_default(), "gtk-overlay-scrolling", FALSE, nullptr);
}

// One ephemeral context for every view: no cookie, cache, history or storage reaches the disk,
// and every web process runs in WebKit's sandbox.
WebKitWebContext* shared_context() {
    static WebKitWebContext* context = [] {
        // Mesa would keep compiled shaders under the user's cache folder; they hold no browsing
        // data, but nothing of a session is to be left behind, and compiling them again is cheap.
        // Set before the engine starts, so its processes inherit it too.
        g_setenv("MESA_SHADER_CACHE_DISABLE", "true", FALSE);
        g_autoptr(WebKitWebsiteDataManager) data = webkit_website_data_manager_new_ephemeral();
        g_autoptr(WebKitMemoryPressureSettings) pressure = web_process_memory();
        WebKitWebContext* ctx =
            WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data,
                                            "memory-pressure-settings", pressure, nullptr));
        // The engine has opened its display (without GL, if hide_gl() kept it away); the web
        // processes it starts from now on need GL.
        show_gl();
        keep_scroll_bars_in_view();
        webkit_web_context_set_sandbox_enabled(ctx, TRUE);
        webkit_web_context_register_uri_scheme(ctx, "zarnic", serve_zarnic_scheme, nullptr,
                                               nullptr);
        g_signal_connect(ctx, "download-started", G_CALLBACK(cancel_download), nullptr);
        return ctx;
    }();
    return context;
}

// Every view gets the rendering mode chosen for this machine before its first load: drawn
// without GL where GL is only Mesa's software renderer (or missing), as the engine decides
// otherwise. The setting is read back, since the engine may refuse a policy it cannot honour;
// that is told only to whoever asks for debug messages (G_MESSAGES_DEBUG), as nothing is logged.
void set_render_mode(WebKitSettings* settings) {
    if (machine_render_mode() != render_mode::cpu)
        return;
    webkit_settings_set_hardware_acceleration_policy(settings,
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    if (webkit_settings_get_hardware_acceleration_policy(settings) !=
        WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER)
        g_debug("the web engine keeps compositing pages through software GL");
}

// A view that is never shown, loading nothing but about:blank, so that the engine's network
// and web processes start before the first browser window needs them.
WebKitWebView* g_warm_view = nullptr;
bool g_warm_taken = false;

// Once the view that took over the warm process has committed its first page, that page keeps
// the process alive and the warm view can go.
void release_warm_view(WebKitWebView* view, WebKitLoadEvent event, gpointer) {
    if (event != WEBKIT_LOAD_COMMITTED)
        return;
    g_signal_handlers_disconnect_by_func(view, reinterpret_cast<gpointer>(release_warm_view),
                                         nullptr);
    if (g_warm_view) {
        gtk_widget_destroy(GTK_WIDGET(g_warm_view));
        g_clear_object(&g_warm_view);
    }
}

} // namespace

WebKitWebView* new_view() {
    WebKitWebView* view = nullptr;
    if (!g_warm_view || g_warm_taken) {
        view = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(shared_context()));
    } else {
        // The first real view shares the warm view's web process (and, being related to it,
        // its settings object too).
        g_warm_taken = true;
        view = WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(g_warm_view));
        g_signal_connect(view, "load-changed", G_CALLBACK(release_warm_view), nullptr);
    }
    WebKitSettings* settings = webkit_web_view_get_settings(view);
    set_render_mode(settings);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    // Scripts may ask for windows: every such request opens in this view (see page_rules), so a
    // page cannot bury a beginner in windows.
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    webkit_settings_set_enable_write_console_messages_to_stdout(settings, FALSE);
    return view;
}

void web_view_warm_up() {
    if (g_warm_view)
        return;
    g_warm_view =
        WEBKIT_WEB_VIEW(g_object_ref_sink(webkit_web_view_new_with_context(shared_context())));
    set_render_mode(webkit_web_view_get_settings(g_warm_view));
    webkit_web_view_load_uri(g_warm_view, "about:blank");
}

} // namespace zarnic
