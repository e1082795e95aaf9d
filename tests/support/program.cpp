#include "program.h"

#include "test_env.h"

#include <xcb/xcb.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zarnic::test {
namespace {

std::string make_temp_dir(const char* name) {
    std::string folder = std::string("/tmp/") + name + "-XXXXXX";
    if (!mkdtemp(folder.data()))
        throw std::runtime_error("mkdtemp failed");
    return folder;
}

xcb_connection_t* connect_x() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        throw std::runtime_error("cannot connect to the X server");
    return c;
}

xcb_connection_t* connection() {
    static xcb_connection_t* c = connect_x();
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
    std::string bytes = property(window, atom(name));
    std::vector<uint32_t> values(bytes.size() / 4);
    for (size_t i = 0; i < values.size(); ++i)
        std::memcpy(&values[i], bytes.data() + 4 * i, 4);
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
  <keyboard></keyboard>
  <mouse><context name="Client"><mousebind button="Left" action="Press">
    <action name="Focus"/><action name="Raise"/></mousebind></context></mouse>
</openbox_config>
)";

} // namespace

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

program::program(std::vector<std::string> command, std::vector<std::string> environment)
    : home_(make_temp_dir("zarnic-home"))
    , runtime_(make_temp_dir("zarnic-run")) {
    pid_ = fork();
    if (pid_ == 0) {
        setenv("HOME", home_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            unsetenv(name);
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        setenv("NO_AT_BRIDGE", "1", 1);
        for (std::string& variable : environment)
            putenv(variable.data());
        if (chdir(home_.c_str()) != 0)
            _exit(126);
        std::vector<char*> argv;
        for (std::string& arg : command)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
}

program::~program() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
    std::filesystem::remove_all(runtime_, ignored);
}

bool program::running() {
    int status = 0;
    if (status_ < 0 && waitpid(pid_, &status, WNOHANG) == pid_)
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_ < 0;
}

std::unique_ptr<program> start_window_manager() {
    const std::string config = home_dir() + "/openbox.xml";
    std::ofstream(config) << openbox_config;
    auto manager = std::make_unique<program>(
        std::vector<std::string>{"openbox", "--sm-disable", "--config-file", config});
    bool up = run_until(
        [&] {
            std::vector<uint32_t> check =
                property32(root_of(connection()), "_NET_SUPPORTING_WM_CHECK");
            return !check.empty() && title(check[0], connection()) == "Openbox";
        },
        20000);
    if (!up)
        throw std::runtime_error("openbox did not start");
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
    if (frame.size() == 4) {
        g.left = int(frame[0]);
        g.right = int(frame[1]);
        g.top = int(frame[2]);
        g.bottom = int(frame[3]);
    }
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
    bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    return shown;
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
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.window = xcb_window_t(window);
    event.type = atom("WM_PROTOCOLS");
    event.format = 32;
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    xcb_send_event(connection(), 0, xcb_window_t(window), XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection());
}

void press_keys(const std::string& keys) {
    shell("xdotool key --clearmodifiers " + keys);
}

void type_keys(const std::string& text) {
    shell("xdotool type --delay 2 -- " + quote(text));
}

void click_screen(int x, int y) {
    shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

std::string screen_digest(int x, int y, int width, int height) {
    return shell("import -silent -window root -crop " + std::to_string(width) + "x" +
                 std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y) +
                 " -depth 8 rgb:- | md5sum");
}

struct title_recorder::impl {
    xcb_connection_t* c = connect_x();
    std::thread thread;
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    std::map<xcb_window_t, std::vector<std::string>> titles;

    void forget(xcb_window_t window) {
        std::lock_guard<std::mutex> lock(mutex);
        titles.erase(window);
    }

    void note(xcb_window_t window) {
        std::string now = title(window, c);
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string>& seen = titles[window];
        // A window just made has no title yet: its first is the first it is given.
        if (seen.empty() ? !now.empty() : seen.back() != now)
            seen.push_back(now);
    }

    // New top-level windows are watched for changes of their properties as they are made, so
    // that even their first title is seen.
    void watch() {
        const xcb_atom_t net_wm_name = atom("_NET_WM_NAME", c);
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        while (!stop) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                const uint8_t type = event->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                    xcb_change_window_attributes(c, created->window, XCB_CW_EVENT_MASK, &mask);
                    // A window number of a program that has ended may be given out again.
                    forget(created->window);
                    note(created->window);
                } else if (type == XCB_PROPERTY_NOTIFY) {
                    auto* changed = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    if (changed->atom == net_wm_name || changed->atom == XCB_ATOM_WM_NAME)
                        note(changed->window);
                }
                free(event);
            }
            xcb_flush(c);
            poll(&fd, 1, 20);
        }
    }
};

title_recorder::title_recorder()
    : impl_(std::make_unique<impl>()) {
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(impl_->c, root_of(impl_->c), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(impl_->c);
    impl_->thread = std::thread([this] { impl_->watch(); });
}

title_recorder::~title_recorder() {
    impl_->stop = true;
    impl_->thread.join();
    xcb_disconnect(impl_->c);
}

std::vector<std::string> title_recorder::titles(unsigned long window) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    auto it = impl_->titles.find(xcb_window_t(window));
    return it == impl_->titles.end() ? std::vector<std::string>{} : it->second;
}

} // namespace zarnic::test
