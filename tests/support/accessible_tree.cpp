#include "accessible_tree.h"

#include <atspi/atspi.h>
#include <gio/gio.h>

namespace zarnic::test {
namespace {

std::string take(gchar* text) {
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

// The accessible of the application a process runs, or nullptr; the caller unrefs it.
AtspiAccessible* application_of(pid_t pid) {
    AtspiAccessible* desktop = atspi_get_desktop(0);
    AtspiAccessible* found = nullptr;
    const int count = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < count && !found; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (app && pid_t(atspi_accessible_get_process_id(app, nullptr)) == pid)
            found = app;
        else if (app)
            g_object_unref(app);
    }
    g_object_unref(desktop);
    return found;
}

void read(AtspiAccessible* object, accessible_window& into) {
    accessible node;
    node.role = take(atspi_accessible_get_role_name(object, nullptr));
    node.name = take(atspi_accessible_get_name(object, nullptr));
    node.description = take(atspi_accessible_get_description(object, nullptr));
    if (AtspiText* text = atspi_accessible_get_text_iface(object)) {
        node.text = take(atspi_text_get_text(text, 0, -1, nullptr));
        g_object_unref(text);
    }
    into.push_back(node);
    const int count = atspi_accessible_get_child_count(object, nullptr);
    for (int i = 0; i < count; ++i)
        if (AtspiAccessible* child = atspi_accessible_get_child_at_index(object, i, nullptr)) {
            read(child, into);
            g_object_unref(child);
        }
}

} // namespace

accessibility_bus::accessibility_bus()
    : bus_(g_test_dbus_new(G_TEST_DBUS_NONE)) {
    // The session's services, of which the accessibility bus launcher is the one asked for.
    g_test_dbus_add_service_dir(bus_, "/usr/share/dbus-1/services");
    // Bringing the bus up and down unsets DISPLAY, which the programs and the tests still need.
    const std::string display = g_getenv("DISPLAY");
    g_test_dbus_up(bus_);
    g_setenv("DISPLAY", display.c_str(), TRUE);
    atspi_init();
}

accessibility_bus::~accessibility_bus() {
    const std::string display = g_getenv("DISPLAY");
    g_test_dbus_down(bus_);
    g_setenv("DISPLAY", display.c_str(), TRUE);
    g_object_unref(bus_);
}

std::vector<std::string> accessibility_bus::environment() const {
    return {std::string("DBUS_SESSION_BUS_ADDRESS=") + g_test_dbus_get_bus_address(bus_),
            "NO_AT_BRIDGE=0"};
}

std::string accessibility_bus::application_name(pid_t pid) const {
    AtspiAccessible* app = application_of(pid);
    if (!app)
        return "";
    std::string name = take(atspi_accessible_get_name(app, nullptr));
    g_object_unref(app);
    return name;
}

std::vector<accessible_window> accessibility_bus::windows(pid_t pid) const {
    std::vector<accessible_window> windows;
    AtspiAccessible* app = application_of(pid);
    if (!app)
        return windows;
    // Everything is asked afresh: nothing read before is taken from libatspi's cache.
    atspi_accessible_clear_cache(app);
    const int count = atspi_accessible_get_child_count(app, nullptr);
    for (int i = 0; i < count; ++i)
        if (AtspiAccessible* window = atspi_accessible_get_child_at_index(app, i, nullptr)) {
            read(window, windows.emplace_back());
            g_object_unref(window);
        }
    g_object_unref(app);
    return windows;
}

} // namespace zarnic::test
