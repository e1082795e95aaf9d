#include "program.h"

#include "test_env.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <set>
#include <stdexcept>

namespace zarnic::test {
namespace {

xcb_connection_t* connection() {
    static xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    return c;
}

xcb_window_t root_of(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

xcb_atom_t atom(const std::string& name, xcb_connection_t* c = connection()) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), nullptr);
    xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return found;
}

// A property's bytes; "" when the window or the property is missing.
std::string property(xcb_window_t window, xcb_atom_t name, xcb_connection_t* c = connection()) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 20), nullptr);
    std::string bytes;
    if (reply)
        bytes.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     size_t(xcb_get_property_value_length(reply)));
    free(reply);
    return bytes;
}

std::vector<uint32_t> property32(xcb_window_t window, const std::string& name) {
    const std::string bytes = property(window, atom(name));
    std::vector<uint32_t> values(bytes.size() / 4);
    bytes.copy(reinterpret_cast<char*>(values.data()), values.size() * 4);
    return values;
}

std::string title(xcb_window_t window, xcb_connection_t* c) {
    std::string name = property(window, atom("_NET_WM_NAME", c), c);
    return name.empty() ? property(window, XCB_ATOM_WM_NAME, c) : name;
}

const char openbox_config[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>no</center></placement>
  <theme><name>Clearlooks</name><titleLayout>NLIMC</titleLayout></theme>
  <desktops><number>1</number></desktops>
  <keyboard><keybind key="A-F4"><action name="Close"/></keybind></keyboard>
  <mouse><context name="Client"><mousebind button="Left" action="Press">
    <action name="Focus"/><action name="Raise"/></mousebind></context></mouse>
</openbox_config>
)";

} // namespace

std::string shell(const std::string& command) {
    g_autofree char* out = nullptr;
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                 &out, nullptr, nullptr, nullptr);
    std::string text = out ? out : "";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

program::program(const std::vector<std::string>& command, std::vector<std::string> environment)
    : home_(g_dir_make_tmp("zarnic-home-XXXXXX", nullptr))
    , runtime_(g_dir_make_tmp("zarnic-run-XXXXXX", nullptr)) {
    g_autoptr(GSubprocessLauncher) launcher = g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_NONE);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        g_subprocess_launcher_unsetenv(launcher, name);
    environment.insert(environment.begin(),
                       {"HOME=" + home_, "XDG_RUNTIME_DIR=" + runtime_,
                        "DBUS_SESSION_BUS_ADDRESS=disabled:", "NO_AT_BRIDGE=1"});
    for (const std::string& variable : environment) {
        const size_t equals = variable.find('=');
        g_subprocess_launcher_setenv(launcher, variable.substr(0, equals).c_str(),
                                     variable.c_str() + equals + 1, TRUE);
    }
    g_subprocess_launcher_set_cwd(launcher, home_.c_str());
    std::vector<const char*> argv;
    for (const std::string& arg : command)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    g_autoptr(GError) error = nullptr;
    process_ = g_subprocess_launcher_spawnv(launcher, argv.data(), &error);
    if (!process_)
        throw std::runtime_error("cannot start " + command[0] + ": " + error->message);
    pid_ = pid_t(std::atol(g_subprocess_get_identifier(process_)));
}

program::~program() {
    g_subprocess_force_exit(process_);
    g_subprocess_wait(process_, nullptr, nullptr);
    g_object_unref(process_);
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
    std::filesystem::remove_all(runtime_, ignored);
}

int program::exit_status() const {
    if (running())
        return -1;
    return g_subprocess_get_if_exited(process_) ? g_subprocess_get_exit_status(process_)
                                                : 128 + g_subprocess_get_term_sig(process_);
}

std::unique_ptr<program> start_window_manager(const std::string& name) {
    const std::string config = home_dir() + "/openbox.xml";
    std::ofstream(config) << openbox_config;
    // By the name each announces once it manages the screen. KWin draws without compositing,
    // which on a virtual X server would be done in software for nothing the tests look at.
    const std::map<std::string, std::vector<std::string>> commands{
        {"Openbox", {"openbox", "--sm-disable", "--config-file", config}},
        {"KWin", {"env", "KWIN_COMPOSE=N", "kwin_x11"}},
        {"Mutter", {"mutter", "--x11", "--sm-disable"}},
    };
    auto manager = std::make_unique<program>(commands.at(name));
    const bool up = run_until(
        [&] {
            std::vector<uint32_t> check =
                property32(root_of(connection()), "_NET_SUPPORTING_WM_CHECK");
            return !check.empty() && title(check[0], connection()) == name;
        },
        20000);
    if (!up)
        throw std::runtime_error(name + " did not start");
    return manager;
}

window_geometry geometry_of(unsigned long window) {
    xcb_connection_t* c = connection();
    window_geometry g;
    if (auto* size =
            xcb_get_geometry_reply(c, xcb_get_geometry(c, xcb_window_t(window)), nullptr)) {
        g.width = size->width;
        g.height = size->height;
        free(size);
    }
    auto cookie = xcb_translate_coordinates(c, xcb_window_t(window), root_of(c), 0, 0);
    if (auto* origin = xcb_translate_coordinates_reply(c, cookie, nullptr)) {
        g.x = origin->dst_x;
        g.y = origin->dst_y;
        free(origin);
    }
    std::vector<uint32_t> frame = property32(xcb_window_t(window), "_NET_FRAME_EXTENTS");
    frame.resize(4);
    g.left = int(frame[0]), g.right = int(frame[1]), g.top = int(frame[2]),
    g.bottom = int(frame[3]);
    return g;
}

std::string title_of(unsigned long window) {
    return title(xcb_window_t(window), connection());
}

unsigned long transient_for(unsigned long window) {
    std::vector<uint32_t> owner = property32(xcb_window_t(window), "WM_TRANSIENT_FOR");
    return owner.empty() ? 0 : owner[0];
}

bool viewable(unsigned long window) {
    xcb_connection_t* c = connection();
    auto* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, xcb_window_t(window)),
                                              nullptr);
    const bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    return shown;
}

bool painted(unsigned long window) {
    xcb_connection_t* c = connection();
    const window_geometry g = geometry_of(window);
    auto* image =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window), 0, 0,
                                          uint16_t(g.width), uint16_t(g.height), ~0u),
                            nullptr);
    if (!image)
        return false;
    const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
    const std::set<uint32_t> colours(pixels, pixels + xcb_get_image_data_length(image) / 4);
    free(image);
    return colours.size() > 16;
}

unsigned long focused_window() {
    return std::stoul("0" + shell("xdotool getwindowfocus"));
}

std::vector<unsigned long> managed_windows(pid_t pid) {
    std::vector<unsigned long> windows;
    for (uint32_t window : property32(root_of(connection()), "_NET_CLIENT_LIST")) {
        std::vector<uint32_t> owner = property32(window, "_NET_WM_PID");
        if (!owner.empty() && pid_t(owner[0]) == pid && viewable(window))
            windows.push_back(window);
    }
    return windows;
}

bool activate(unsigned long window) {
    return std::system(("xdotool windowactivate --sync " + std::to_string(window)).c_str()) == 0;
}

void close_window(unsigned long window) {
    if (activate(window))
        press_keys("alt+F4");
}

void press_keys(const std::string& keys) {
    shell("xdotool key --clearmodifiers " + keys);
}

void type_keys(const std::string& text) {
    g_autofree char* quoted = g_shell_quote(text.c_str());
    shell(std::string("xdotool type --delay 2 -- ") + quoted);
}

void click_screen(int x, int y) {
    shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

// New top-level windows are watched for changes of their properties as they are made, so that
// even their first title is seen.
title_recorder::title_recorder()
    : c_(xcb_connect(nullptr, nullptr)) {
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c_, root_of(c_), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c_);
    thread_ = std::thread([this] { watch(); });
}

title_recorder::~title_recorder() {
    stop_ = true;
    thread_.join();
    xcb_disconnect(c_);
}

std::vector<std::string> title_recorder::titles(unsigned long window) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = titles_.find(xcb_window_t(window));
    return it == titles_.end() ? std::vector<std::string>{} : it->second;
}

void title_recorder::note(xcb_window_t window, bool created) {
    const std::string now = title(window, c_);
    std::lock_guard<std::mutex> lock(mutex_);
    // A window number of a program that has ended may be given out again.
    if (created)
        titles_.erase(window);
    std::vector<std::string>& seen = titles_[window];
    // A window just made has no title yet: its first is the first it is given.
    if (seen.empty() ? !now.empty() : seen.back() != now)
        seen.push_back(now);
}

void title_recorder::watch() {
    const xcb_atom_t net_wm_name = atom("_NET_WM_NAME", c_);
    pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
    while (!stop_) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c_, created->window, XCB_CW_EVENT_MASK, &mask);
                note(created->window, true);
            } else if (type == XCB_PROPERTY_NOTIFY) {
                auto* changed = reinterpret_cast<xcb_property_notify_event_t*>(event);
                if (changed->atom == net_wm_name || changed->atom == XCB_ATOM_WM_NAME)
                    note(changed->window, false);
            }
            free(event);
        }
        xcb_flush(c_);
        poll(&fd, 1, 20);
    }
}

} // namespace zarnic::test
