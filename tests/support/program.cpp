#include "program.h"

#include "test_env.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <xcb/xcb.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zarnic::test {
namespace {

std::string make_temp_dir(const char* name) {
    std::string tmpl = std::string("/tmp/") + name + "-XXXXXX";
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

Display* display() {
    static Display* dpy = XOpenDisplay(nullptr);
    return dpy;
}

} // namespace

Program::Program(std::vector<std::string> command)
    : Program(std::move(command), {}) {}

Program::Program(std::vector<std::string> command, std::vector<std::string> environment)
    : home_(make_temp_dir("zarnic-home"))
    , runtime_(make_temp_dir("zarnic-run")) {
    pid_ = fork();
    if (pid_ == 0) {
        setenv("HOME", home_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        for (const char* var :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            unsetenv(var);
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

Program::~Program() {
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
    std::filesystem::remove_all(runtime_, ignored);
}

bool Program::running() {
    if (status_ >= 0)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return true;
}

bool Program::wait_exit(int timeout_ms) {
    return run_until([&] { return !running(); }, timeout_ms);
}

std::string shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            out.append(buf, n);
        pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::vector<unsigned long> find_windows(const std::string& title_regex) {
    std::istringstream ids(
        shell("xdotool search --onlyvisible --name " + quote(title_regex) + " 2>/dev/null"));
    std::vector<unsigned long> windows;
    unsigned long id;
    while (ids >> id)
        windows.push_back(id);
    return windows;
}

unsigned long wait_window(const std::string& title_regex, int timeout_ms) {
    unsigned long found = 0;
    gint64 next = 0;
    run_until(
        [&] {
            // Ask the X server every 50 ms; between times the loop serves the test's pages.
            if (g_get_monotonic_time() < next)
                return false;
            next = g_get_monotonic_time() + 50000;
            auto windows = find_windows(title_regex);
            found = windows.empty() ? 0 : windows.front();
            return found != 0;
        },
        timeout_ms);
    return found;
}

std::string window_title(unsigned long window) {
    return shell("xdotool getwindowname " + std::to_string(window) + " 2>/dev/null");
}

void close_window(unsigned long window) {
    Display* dpy = display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &event);
    XFlush(dpy);
}

static void focus(unsigned long window) {
    shell("xdotool windowactivate --sync " + std::to_string(window) +
          " 2>/dev/null || xdotool windowfocus --sync " + std::to_string(window) + " 2>/dev/null");
}

void send_keys(unsigned long window, const std::string& keys) {
    focus(window);
    shell("xdotool key --clearmodifiers " + keys);
}

void type_text(unsigned long window, const std::string& text) {
    focus(window);
    shell("xdotool type --delay 2 -- " + quote(text));
}

// ---------------------------------------------------------------------------------------------
// The desktop, through XCB.

namespace {

xcb_window_t root_of(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The connection of the test's own thread; opened on first use, after the test's X server runs.
xcb_connection_t* connection() {
    static xcb_connection_t* c = [] {
        xcb_connection_t* opened = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(opened))
            throw std::runtime_error("cannot connect to the X server");
        return opened;
    }();
    return c;
}

xcb_atom_t intern(xcb_connection_t* c, const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), nullptr);
    xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// Atoms of the test's connection, asked for once each.
xcb_atom_t atom(const std::string& name) {
    static std::map<std::string, xcb_atom_t> known;
    auto it = known.find(name);
    if (it == known.end())
        it = known.emplace(name, intern(connection(), name)).first;
    return it->second;
}

std::string atom_name(xcb_atom_t value) {
    xcb_connection_t* c = connection();
    xcb_get_atom_name_reply_t* reply =
        xcb_get_atom_name_reply(c, xcb_get_atom_name(c, value), nullptr);
    std::string name;
    if (reply)
        name.assign(xcb_get_atom_name_name(reply), size_t(xcb_get_atom_name_name_length(reply)));
    free(reply);
    return name;
}

struct Property {
    bool found = false;
    std::string bytes;
};

Property property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
    Property result;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 20), nullptr);
    if (reply && reply->type != XCB_ATOM_NONE) {
        result.found = true;
        result.bytes.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                            size_t(xcb_get_property_value_length(reply)));
    }
    free(reply);
    return result;
}

// A property of 32-bit items (CARDINAL, ATOM, WINDOW lists).
std::vector<uint32_t> property32(xcb_window_t window, const std::string& name) {
    Property p = property(connection(), window, atom(name));
    std::vector<uint32_t> values(p.bytes.size() / 4);
    if (!values.empty())
        std::memcpy(values.data(), p.bytes.data(), values.size() * 4);
    return values;
}

std::string title(xcb_connection_t* c, xcb_window_t window, xcb_atom_t net_wm_name) {
    Property p = property(c, window, net_wm_name);
    if (!p.found)
        p = property(c, window, XCB_ATOM_WM_NAME);
    return p.bytes;
}

std::vector<std::string> atom_names(const std::vector<uint32_t>& atoms) {
    std::vector<std::string> names;
    for (uint32_t a : atoms)
        names.push_back(atom_name(a));
    return names;
}

const char openbox_config[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>no</center></placement>
  <theme><name>Clearlooks</name><titleLayout>NLIMC</titleLayout></theme>
  <desktops><number>1</number></desktops>
  <keyboard></keyboard>
  <mouse>
    <context name="Client">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
    <context name="Titlebar">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
    </context>
  </mouse>
</openbox_config>
)";

} // namespace

WindowManager::WindowManager()
    : dir_(make_temp_dir("zarnic-wm")) {
    const std::string config = dir_ + "/rc.xml", log = dir_ + "/openbox.log";
    std::ofstream(config) << openbox_config;
    pid_ = fork();
    if (pid_ == 0) {
        // It goes with the test process, also when that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execlp("openbox", "openbox", "--sm-disable", "--config-file", config.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    // It manages the screen once it has put up its check window, named after itself.
    bool up = run_until(
        [&] {
            std::vector<uint32_t> check =
                property32(root_of(connection()), "_NET_SUPPORTING_WM_CHECK");
            if (check.empty()) {
                g_usleep(10000);
                return false;
            }
            return title(connection(), check[0], atom("_NET_WM_NAME")) == "Openbox";
        },
        20000);
    if (!up)
        throw std::runtime_error("openbox did not start");
}

WindowManager::~WindowManager() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

WindowGeometry window_geometry(unsigned long window) {
    xcb_connection_t* c = connection();
    WindowGeometry g;
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, xcb_window_t(window)), nullptr);
    if (geometry) {
        g.width = geometry->width;
        g.height = geometry->height;
    }
    free(geometry);
    xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, xcb_window_t(window), root_of(c), 0, 0), nullptr);
    if (origin) {
        g.x = origin->dst_x;
        g.y = origin->dst_y;
    }
    free(origin);
    std::vector<uint32_t> extents = property32(xcb_window_t(window), "_NET_FRAME_EXTENTS");
    if (extents.size() == 4) {
        g.left = int(extents[0]);
        g.right = int(extents[1]);
        g.top = int(extents[2]);
        g.bottom = int(extents[3]);
    }
    return g;
}

std::string title_of(unsigned long window) {
    return title(connection(), xcb_window_t(window), atom("_NET_WM_NAME"));
}

std::vector<std::string> window_state(unsigned long window) {
    return atom_names(property32(xcb_window_t(window), "_NET_WM_STATE"));
}

std::vector<std::string> window_types(unsigned long window) {
    return atom_names(property32(xcb_window_t(window), "_NET_WM_WINDOW_TYPE"));
}

unsigned long transient_for(unsigned long window) {
    std::vector<uint32_t> owner = property32(xcb_window_t(window), "WM_TRANSIENT_FOR");
    return owner.empty() ? 0 : owner[0];
}

bool viewable(unsigned long window) {
    xcb_connection_t* c = connection();
    xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(
        c, xcb_get_window_attributes(c, xcb_window_t(window)), nullptr);
    bool shown = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    return shown;
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

std::vector<unsigned long> popup_menus() {
    xcb_connection_t* c = connection();
    std::vector<unsigned long> menus;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root_of(c)), nullptr);
    if (!tree)
        return menus;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
        bool candidate = a && a->override_redirect && a->map_state == XCB_MAP_STATE_VIEWABLE;
        free(a);
        if (!candidate)
            continue;
        for (uint32_t type : property32(children[i], "_NET_WM_WINDOW_TYPE"))
            if (type == atom("_NET_WM_WINDOW_TYPE_POPUP_MENU") ||
                type == atom("_NET_WM_WINDOW_TYPE_DROPDOWN_MENU"))
                menus.push_back(children[i]);
    }
    free(tree);
    return menus;
}

bool activate(unsigned long window) {
    shell("xdotool windowactivate " + std::to_string(window) + " 2>/dev/null");
    return run_until(
        [&] {
            std::vector<uint32_t> active = property32(root_of(connection()), "_NET_ACTIVE_WINDOW");
            if (!active.empty() && active[0] == window)
                return true;
            g_usleep(5000);
            return false;
        },
        5000);
}

void click_screen(int x, int y) {
    shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void press_keys(const std::string& keys) {
    shell("xdotool key --clearmodifiers " + keys);
}

void type_keys(const std::string& text) {
    shell("xdotool type --delay 2 -- " + quote(text));
}

bool Image::save_png(const std::string& path) const {
    if (width <= 0 || height <= 0)
        return false;
    std::vector<guint8> rgb(size_t(width) * size_t(height) * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        rgb[i * 3] = guint8(pixels[i] >> 16);
        rgb[i * 3 + 1] = guint8(pixels[i] >> 8);
        rgb[i * 3 + 2] = guint8(pixels[i]);
    }
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_data(rgb.data(), GDK_COLORSPACE_RGB, FALSE, 8, width,
                                                 height, width * 3, nullptr, nullptr);
    bool saved = gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(pixbuf);
    return saved;
}

Image grab_screen(int x, int y, int width, int height) {
    xcb_connection_t* c = connection();
    Image image;
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root_of(c), int16_t(x),
                                          int16_t(y), uint16_t(width), uint16_t(height), ~0u),
                            nullptr);
    // The test's server is 24 bits deep, kept in 32-bit pixels.
    if (reply && size_t(xcb_get_image_data_length(reply)) == size_t(width) * size_t(height) * 4) {
        image.width = width;
        image.height = height;
        image.pixels.resize(size_t(width) * size_t(height));
        std::memcpy(image.pixels.data(), xcb_get_image_data(reply), image.pixels.size() * 4);
        for (std::uint32_t& pixel : image.pixels)
            pixel &= 0xFFFFFF;
    }
    free(reply);
    return image;
}

double difference(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.empty())
        return 1.0;
    size_t differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        differing += a.pixels[i] != b.pixels[i];
    return double(differing) / double(a.pixels.size());
}

struct TitleRecorder::impl {
    xcb_connection_t* c = nullptr;
    xcb_atom_t net_wm_name = XCB_ATOM_NONE;
    std::thread thread;
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    std::map<xcb_window_t, std::vector<std::string>> titles;

    void note(xcb_window_t window) {
        std::string now = title(c, window, net_wm_name);
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<std::string>& seen = titles[window];
        if (seen.empty() || seen.back() != now)
            seen.push_back(now);
    }

    void watch() {
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        while (!stop) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                switch (event->response_type & 0x7f) {
                case XCB_CREATE_NOTIFY: {
                    auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                    if (!created->override_redirect) {
                        // Title changes from now on come as notifications; the title it was
                        // made with is read once here.
                        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                        xcb_change_window_attributes(c, created->window, XCB_CW_EVENT_MASK, &mask);
                        note(created->window);
                    }
                    break;
                }
                case XCB_PROPERTY_NOTIFY: {
                    auto* changed = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    if (changed->atom == net_wm_name || changed->atom == XCB_ATOM_WM_NAME)
                        note(changed->window);
                    break;
                }
                default:
                    break; // errors about windows that have gone, and the rest
                }
                free(event);
            }
            if (xcb_connection_has_error(c))
                return;
            poll(&fd, 1, 50);
        }
    }
};

TitleRecorder::TitleRecorder()
    : impl_(std::make_unique<impl>()) {
    impl_->c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(impl_->c)) {
        xcb_disconnect(impl_->c);
        throw std::runtime_error("cannot connect to the X server");
    }
    impl_->net_wm_name = intern(impl_->c, "_NET_WM_NAME");
    // Watching has begun once the server has taken the request.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t cookie =
        xcb_change_window_attributes_checked(impl_->c, root_of(impl_->c), XCB_CW_EVENT_MASK, &mask);
    if (xcb_generic_error_t* error = xcb_request_check(impl_->c, cookie)) {
        free(error);
        xcb_disconnect(impl_->c);
        throw std::runtime_error("cannot watch the root window");
    }
    impl_->thread = std::thread([this] { impl_->watch(); });
}

TitleRecorder::~TitleRecorder() {
    impl_->stop = true;
    impl_->thread.join();
    xcb_disconnect(impl_->c);
}

std::vector<std::string> TitleRecorder::titles(unsigned long window) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    auto it = impl_->titles.find(xcb_window_t(window));
    return it == impl_->titles.end() ? std::vector<std::string>{} : it->second;
}

} // namespace zarnic::test
