#include "program.h"

#include "test_env.h"

#include <X11/Xlib.h>
#include <xcb/record.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

// Atoms by name and names by atom, asked of the X server once each.
std::map<std::string, xcb_atom_t> atoms;
std::map<xcb_atom_t, std::string> atom_names;

xcb_atom_t atom(const std::string& name) {
    if (!atoms.count(name)) {
        xcb_connection_t* c = connection();
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.c_str()), nullptr);
        atom_names[atoms[name] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE)] = name;
        free(reply);
    }
    return atoms[name];
}

std::string atom_name(xcb_atom_t a) {
    if (!atom_names.count(a)) {
        xcb_connection_t* c = connection();
        xcb_get_atom_name_reply_t* reply =
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), nullptr);
        atom_names[a] = reply ? std::string(xcb_get_atom_name_name(reply),
                                            size_t(xcb_get_atom_name_name_length(reply)))
                              : "";
        free(reply);
    }
    return atom_names[a];
}

xcb_window_t parent_of(xcb_window_t window) {
    xcb_connection_t* c = connection();
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    const xcb_window_t parent = tree ? tree->parent : xcb_window_t(XCB_WINDOW_NONE);
    free(tree);
    return parent;
}

// A property's 32-bit values; none when the window or the property is missing.
std::vector<uint32_t> property32(xcb_window_t window, const std::string& name) {
    xcb_connection_t* c = connection();
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 20),
        nullptr);
    std::vector<uint32_t> values;
    if (reply) {
        const auto* words = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(words, words + xcb_get_property_value_length(reply) / 4);
    }
    free(reply);
    return values;
}

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
    // By the name each announces once it manages the screen; each with the settings it comes with
    // (its fresh HOME holds none of a user's own). KWin draws without compositing, which on a
    // virtual X server would be done in software for nothing the tests look at.
    const std::map<std::string, std::vector<std::string>> commands{
        {"Openbox", {"openbox", "--sm-disable"}},
        {"KWin", {"env", "KWIN_COMPOSE=N", "kwin_x11"}},
        {"Mutter", {"mutter", "--x11", "--sm-disable"}},
    };
    auto manager = std::make_unique<program>(commands.at(name));
    const bool up = run_until(
        [&] {
            std::vector<uint32_t> check =
                property32(root_of(connection()), "_NET_SUPPORTING_WM_CHECK");
            return !check.empty() && facts_of(check[0]).title == name;
        },
        20000);
    if (!up)
        throw std::runtime_error(name + " did not start");
    return manager;
}

window_facts facts_of(unsigned long window) {
    xcb_connection_t* c = connection();
    const auto w = xcb_window_t(window);
    // Every request first, then every answer: the X server handles them one after the other,
    // so the facts are those of one moment.
    const char* names[] = {"_NET_WM_NAME",  "_NET_FRAME_EXTENTS", "_NET_WM_WINDOW_TYPE",
                           "_NET_WM_STATE", "_MOTIF_WM_HINTS",    "_NET_WM_ICON"};
    std::vector<xcb_get_property_cookie_t> asked;
    for (xcb_atom_t name : {atom(names[0]), xcb_atom_t(XCB_ATOM_WM_NAME), atom(names[1]),
                            xcb_atom_t(XCB_ATOM_WM_TRANSIENT_FOR), atom(names[2]), atom(names[3]),
                            atom(names[4]), atom(names[5]), xcb_atom_t(XCB_ATOM_WM_HINTS)})
        asked.push_back(xcb_get_property(c, 0, w, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 64));
    auto attributes = xcb_get_window_attributes(c, w);
    auto size = xcb_get_geometry(c, w);
    auto origin = xcb_translate_coordinates(c, w, root_of(c), 0, 0);
    auto focus = xcb_get_input_focus(c);
    std::vector<std::string> values;
    for (auto cookie : asked) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
        values.emplace_back(reply ? static_cast<const char*>(xcb_get_property_value(reply)) : "",
                            reply ? size_t(xcb_get_property_value_length(reply)) : 0);
        free(reply);
    }
    auto words = [&](size_t i) {
        std::vector<uint32_t> found(values[i].size() / 4);
        values[i].copy(reinterpret_cast<char*>(found.data()), found.size() * 4);
        return found;
    };
    window_facts f;
    f.title = values[0].empty() ? values[1] : values[0];
    std::vector<uint32_t> frame = words(2);
    frame.resize(4);
    f.geometry = {.left = int(frame[0]),
                  .right = int(frame[1]),
                  .top = int(frame[2]),
                  .bottom = int(frame[3])};
    f.transient_for = words(3).empty() ? 0 : words(3)[0];
    for (uint32_t a : words(4))
        f.type.insert(atom_name(a));
    for (uint32_t a : words(5))
        f.state.insert(atom_name(a));
    f.motif_hints = words(6);
    // WM_HINTS: flags, then the icon pixmap third; IconPixmapHint is 1 << 2.
    const std::vector<uint32_t> hints = words(8);
    f.icon = !values[7].empty() || (hints.size() > 2 && (hints[0] & 4) && hints[2]);
    if (auto* a = xcb_get_window_attributes_reply(c, attributes, nullptr))
        f.viewable = a->map_state == XCB_MAP_STATE_VIEWABLE, free(a);
    if (auto* g = xcb_get_geometry_reply(c, size, nullptr))
        f.geometry.width = g->width, f.geometry.height = g->height, free(g);
    if (auto* o = xcb_translate_coordinates_reply(c, origin, nullptr))
        f.geometry.x = o->dst_x, f.geometry.y = o->dst_y, free(o);
    if (auto* in = xcb_get_input_focus_reply(c, focus, nullptr)) {
        f.focused = in->focus == w || parent_of(in->focus) == w;
        free(in);
    }
    return f;
}

std::vector<unsigned long> managed_windows(pid_t pid) {
    std::vector<unsigned long> windows;
    for (uint32_t window : property32(root_of(connection()), "_NET_CLIENT_LIST")) {
        std::vector<uint32_t> owner = property32(window, "_NET_WM_PID");
        if (!owner.empty() && pid_t(owner[0]) == pid && facts_of(window).viewable)
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

key_delivery press_keys_on(unsigned long window, const std::vector<std::string>& keys) {
    xcb_connection_t* c = connection();
    // The keyboard's keysyms by key code, read once, before any key is pressed.
    static const auto [first, per_code, keysyms] = [c] {
        const xcb_setup_t* setup = xcb_get_setup(c);
        auto* map = xcb_get_keyboard_mapping_reply(
            c,
            xcb_get_keyboard_mapping(c, setup->min_keycode,
                                     uint8_t(setup->max_keycode - setup->min_keycode + 1)),
            nullptr);
        std::vector<xcb_keysym_t> all(xcb_get_keyboard_mapping_keysyms(map),
                                      xcb_get_keyboard_mapping_keysyms(map) +
                                          xcb_get_keyboard_mapping_keysyms_length(map));
        const int per = map->keysyms_per_keycode;
        free(map);
        return std::tuple{int(setup->min_keycode), per, all};
    }();
    auto code = [&](const std::string& name) {
        const auto at = std::find(keysyms.begin(), keysyms.end(), XStringToKeysym(name.c_str()));
        return uint8_t(first + (at - keysyms.begin()) / per_code);
    };
    // A grab by this process fails while another program holds the keyboard; one that succeeds
    // is let go at once, before the keys.
    auto grab = xcb_grab_keyboard(c, 0, root_of(c), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                  XCB_GRAB_MODE_ASYNC);
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    auto focus = xcb_get_input_focus(c);
    for (const std::string& chord : keys) {
        std::vector<uint8_t> held;
        for (size_t from = 0, to; from <= chord.size(); from = to + 1) {
            to = std::min(chord.find('+', from), chord.size());
            held.push_back(code(chord.substr(from, to - from)));
            xcb_test_fake_input(c, XCB_KEY_PRESS, held.back(), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        }
        for (auto it = held.rbegin(); it != held.rend(); ++it)
            xcb_test_fake_input(c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    auto attributes = xcb_get_window_attributes(c, xcb_window_t(window));
    key_delivery delivery;
    if (auto* g = xcb_grab_keyboard_reply(c, grab, nullptr))
        delivery.had_keyboard = g->status == XCB_GRAB_STATUS_ALREADY_GRABBED, free(g);
    if (auto* in = xcb_get_input_focus_reply(c, focus, nullptr)) {
        delivery.had_keyboard |= in->focus == window || parent_of(in->focus) == window;
        free(in);
    }
    if (auto* a = xcb_get_window_attributes_reply(c, attributes, nullptr))
        delivery.still_viewable = a->map_state == XCB_MAP_STATE_VIEWABLE, free(a);
    return delivery;
}

bool has_keyboard(unsigned long window) {
    return press_keys_on(window, {}).had_keyboard;
}

bool hold_keyboard() {
    xcb_connection_t* c = connection();
    auto* grab =
        xcb_grab_keyboard_reply(c,
                                xcb_grab_keyboard(c, 0, root_of(c), XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr);
    const bool held = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
    free(grab);
    return held;
}

void release_keyboard() {
    xcb_ungrab_keyboard(connection(), XCB_CURRENT_TIME);
    xcb_flush(connection());
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

// Requests from window creation up to property changes, from every client, the ones to come
// included; each as the X server handles it.
title_recorder::title_recorder()
    : control_(xcb_connect(nullptr, nullptr))
    , data_(xcb_connect(nullptr, nullptr))
    , context_(xcb_generate_id(control_))
    , name_atom_(atom("_NET_WM_NAME"))
    , type_atom_(atom("_NET_WM_WINDOW_TYPE"))
    , menu_types_{atom("_NET_WM_WINDOW_TYPE_DROPDOWN_MENU"),
                  atom("_NET_WM_WINDOW_TYPE_POPUP_MENU")} {
    xcb_record_range_t range{};
    range.core_requests = {XCB_CREATE_WINDOW, XCB_CHANGE_PROPERTY};
    const xcb_record_client_spec_t clients = XCB_RECORD_CS_ALL_CLIENTS;
    if (xcb_request_check(control_, xcb_record_create_context_checked(control_, context_, 0, 1, 1,
                                                                      &clients, &range)))
        throw std::runtime_error("the X server does not record requests");
    // Enabled on its own connection, which then carries only what is recorded, until disabled.
    auto enabled = xcb_record_enable_context(data_, context_);
    // What a reply of the recording carries: requests from clients, or the end of the recording.
    constexpr uint8_t from_client = 1, end_of_data = 5;
    thread_ = std::thread([this, enabled, from_client, end_of_data] {
        while (auto* reply = xcb_record_enable_context_reply(data_, enabled, nullptr)) {
            const uint8_t* at = xcb_record_enable_context_data(reply);
            const uint8_t* end = at + xcb_record_enable_context_data_length(reply);
            // Requests from clients, one after the other, each with its length in 4-byte units.
            for (uint16_t length; reply->category == from_client && end - at >= 8;
                 at += length * 4) {
                std::memcpy(&length, at + 2, 2);
                if (length == 0 || end - at < length * 4)
                    break;
                note_request(at);
            }
            const bool ended = reply->category == end_of_data;
            free(reply);
            if (ended)
                break;
        }
    });
}

title_recorder::~title_recorder() {
    xcb_record_disable_context(control_, context_);
    xcb_flush(control_);
    thread_.join();
    xcb_record_free_context(control_, context_);
    xcb_disconnect(data_);
    xcb_disconnect(control_);
}

void title_recorder::note_request(const uint8_t* request) {
    uint32_t window = 0, property = 0, count = 0;
    std::memcpy(&window, request + 4, 4);
    std::lock_guard<std::mutex> lock(mutex_);
    if (request[0] == XCB_CREATE_WINDOW) {
        // A window number of a program that has ended may be given out again.
        made_.emplace_back(window, std::vector<std::string>{});
        menus_made_.erase(window);
    } else if (request[0] == XCB_MAP_WINDOW) {
        menus_ += int(menus_made_.count(window));
    } else if (request[0] == XCB_CHANGE_PROPERTY && request[1] == XCB_PROP_MODE_REPLACE) {
        std::memcpy(&property, request + 8, 4);
        std::memcpy(&count, request + 20, 4);
        const auto* value = request + 24;
        if (property == name_atom_ && request[16] == 8) {
            const std::string title(reinterpret_cast<const char*>(value), count);
            auto it = std::find_if(made_.rbegin(), made_.rend(),
                                   [&](const auto& m) { return m.first == window; });
            if (it != made_.rend())
                it->second.push_back(title);
        }
        uint32_t type = 0;
        if (property == type_atom_ && request[16] == 32 && count > 0 &&
            menu_types_.count((std::memcpy(&type, value, 4), type)))
            menus_made_.insert(window);
    }
}

std::vector<std::string> title_recorder::titles(unsigned long window) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(made_.rbegin(), made_.rend(),
                           [&](const auto& m) { return m.first == window; });
    return it == made_.rend() ? std::vector<std::string>{} : it->second;
}

size_t title_recorder::mark() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return made_.size();
}

int title_recorder::windows_titled(const std::string& title, size_t since) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return int(
        std::count_if(made_.begin() + std::ptrdiff_t(since), made_.end(), [&](const auto& m) {
            return std::find(m.second.begin(), m.second.end(), title) != m.second.end();
        }));
}

} // namespace zarnic::test
