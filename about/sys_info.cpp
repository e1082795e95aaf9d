#include "about/sys_info.h"

#include "about/store_keys.h"

#include <glib.h>

#include <array>
#include <cstdint>

namespace zarnic {
namespace {

// Closes an open key when the reading procedure is left, whichever way that happens.
class key_closer {
public:
    key_closer(config_store& store, HKEY key)
        : store_(store)
        , key_(key) {}
    ~key_closer() { store_.RegCloseKey(key_); }
    key_closer(const key_closer&) = delete;
    key_closer& operator=(const key_closer&) = delete;

private:
    config_store& store_;
    HKEY key_;
};

// A text read from the store ends at its first NUL byte when it is used as a path: whatever
// follows it is not part of the name.
void cut_at_nul(std::string& text) {
    if (std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
}

} // namespace

bool GetKeyValue(config_store& store, HKEY KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
    HKEY hKey = 0;
    if (store.RegOpenKeyExA(KeyRoot, KeyName.c_str(), 0, key_access, &hKey) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    key_closer closer(store, hKey);

    std::array<std::uint8_t, key_value_buffer_size> tmpVal;
    tmpVal.fill(0);
    std::uint32_t KeyValSize = key_value_buffer_size;
    std::uint32_t KeyValType = REG_NONE;
    if (store.RegQueryValueExA(hKey, SubKeyRef.c_str(), nullptr, &KeyValType, tmpVal.data(),
                               &KeyValSize) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    if (KeyValSize == 0)
        throw sys_info_error("value " + SubKeyRef + " holds no data");
    if (KeyValSize > tmpVal.size())
        throw sys_info_error("store reported more data than the buffer holds");

    // Only the last byte reported is looked at: a value ending in two NULs keeps one of them.
    std::size_t kept = tmpVal[KeyValSize - 1] == 0 ? KeyValSize - 1 : KeyValSize;
    switch (KeyValType) {
    case REG_SZ:
        KeyVal.assign(reinterpret_cast<const char*>(tmpVal.data()), kept);
        break;
    case REG_DWORD: {
        static constexpr char hex[] = "0123456789ABCDEF";
        std::string digits = "&h";
        for (std::size_t i = kept; i-- > 0;) {
            digits += hex[tmpVal[i] >> 4];
            digits += hex[tmpVal[i] & 0xF];
        }
        KeyVal = digits;
        break;
    }
    default:
        break;
    }
    return true;
}

std::string existing_file_name(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return {};
    if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR))
        return {};
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.empty() || name.front() == '.')
        return {};
    return name;
}

void launch_program(const std::string& path) {
    if (path.empty())
        throw sys_info_error("no program to start");
    if (path.find('\0') != std::string::npos)
        throw sys_info_error("program path holds a NUL byte");
    // No G_SPAWN_SEARCH_PATH: argv[0] is executed as the path it is. Without
    // G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program through an intermediate child that
    // exits at once, so the tool is not our child and leaves no zombie, and a failed exec is
    // still reported here.
    gchar* argv[] = {const_cast<gchar*>(path.c_str()), nullptr};
    g_autoptr(GError) error = nullptr;
    if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, &error))
        throw sys_info_error(error ? error->message : "cannot start " + path);
}

void StartSysInfo(config_store& store, const program_launcher& launch,
                  const unavailable_report& report) {
    bool started = false;
    try {
        std::string sys_info_path;
        if (GetKeyValue(store, sys_info_root, std::string(sys_info_key),
                        std::string(sys_info_value), sys_info_path)) {
            // The full path of the program, used as read; its file is not tested first.
            cut_at_nul(sys_info_path);
            launch(sys_info_path);
            started = true;
        } else if (GetKeyValue(store, sys_info_root, std::string(sys_info_location_key),
                               std::string(sys_info_location_value), sys_info_path)) {
            cut_at_nul(sys_info_path);
            std::string program = sys_info_path + std::string(sys_info_file_name);
            if (!existing_file_name(program).empty()) {
                launch(program);
                started = true;
            }
        }
    } catch (...) {
        // Any failure of the search or the start ends in the one report below.
        started = false;
    }
    if (!started)
        report(std::string(sys_info_unavailable));
}

} // namespace zarnic
