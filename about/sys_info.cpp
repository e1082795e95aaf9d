#include "about/sys_info.h"

#include "about/store_keys.h"

#include <glib.h>

#include <array>
#include <cstdint>
#include <sys/stat.h>

namespace zarnic {
namespace {

// Closes an open key when the reading procedure is left, whichever way that happens.
class KeyCloser {
public:
    KeyCloser(ConfigStore& store, HKEY key)
        : store_(store)
        , key_(key) {}
    ~KeyCloser() { store_.RegCloseKey(key_); }
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;

private:
    ConfigStore& store_;
    HKEY key_;
};

// A text read from the store ends at its first NUL byte when it is used as a path: whatever
// follows it is not part of the name.
void cut_at_nul(std::string& text) {
    if (std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
}

} // namespace

bool GetKeyValue(ConfigStore& store, HKEY KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal) {
    HKEY hKey = 0;
    if (store.RegOpenKeyExA(KeyRoot, KeyName.c_str(), 0, kKeyAccess, &hKey) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    KeyCloser closer(store, hKey);

    std::array<std::uint8_t, kKeyValueBufferSize> tmpVal;
    tmpVal.fill(0);
    std::uint32_t KeyValSize = kKeyValueBufferSize;
    std::uint32_t KeyValType = REG_NONE;
    if (store.RegQueryValueExA(hKey, SubKeyRef.c_str(), nullptr, &KeyValType, tmpVal.data(),
                               &KeyValSize) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    if (KeyValSize == 0)
        throw SysInfoError("value " + SubKeyRef + " holds no data");
    if (KeyValSize > tmpVal.size())
        throw SysInfoError("store reported more data than the buffer holds");

    // Only the last byte reported is looked at: a value ending in two NULs keeps one of them.
    std::size_t kept = tmpVal[KeyValSize - 1] == 0 ? KeyValSize - 1 : KeyValSize;
    switch (KeyValType) {
    case REG_SZ:
        KeyVal.assign(reinterpret_cast<const char*>(tmpVal.data()), kept);
        break;
    case REG_DWORD: {
        static constexpr char kHex[] = "0123456789ABCDEF";
        std::string digits = "&h";
        for (std::size_t i = kept; i-- > 0;) {
            digits += kHex[tmpVal[i] >> 4];
            digits += kHex[tmpVal[i] & 0xF];
        }
        KeyVal = digits;
        break;
    }
    default:
        break;
    }
    return true;
}

std::string ExistingFileName(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return {};
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.empty() || name.front() == '.')
        return {};
    return name;
}

void LaunchProgram(const std::string& path) {
    if (path.empty())
        throw SysInfoError("no program to start");
    if (path.find('\0') != std::string::npos)
        throw SysInfoError("program path holds a NUL byte");
    // No G_SPAWN_SEARCH_PATH: argv[0] is executed as the path it is. Without
    // G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program through an intermediate child that
    // exits at once, so the tool is not our child and leaves no zombie, and a failed exec is
    // still reported here.
    gchar* argv[] = {const_cast<gchar*>(path.c_str()), nullptr};
    GError* error = nullptr;
    if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                       &error)) {
        std::string message = error ? error->message : "cannot start " + path;
        g_clear_error(&error);
        throw SysInfoError(message);
    }
}

void StartSysInfo(ConfigStore& store, const ProgramLauncher& launch,
                  const UnavailableReport& report) {
    bool started = false;
    try {
        std::string SysInfoPath;
        if (GetKeyValue(store, kSysInfoRoot, std::string(kSysInfoKey), std::string(kSysInfoValue),
                        SysInfoPath)) {
            // The full path of the program, used as read; its file is not tested first.
            cut_at_nul(SysInfoPath);
            launch(SysInfoPath);
            started = true;
        } else if (GetKeyValue(store, kSysInfoRoot, std::string(kSysInfoLocationKey),
                               std::string(kSysInfoLocationValue), SysInfoPath)) {
            cut_at_nul(SysInfoPath);
            std::string program = SysInfoPath + std::string(kSysInfoFileName);
            if (!ExistingFileName(program).empty()) {
                launch(program);
                started = true;
            }
        }
    } catch (...) {
        // Any failure of the search or the start ends in the one report below.
        started = false;
    }
    if (!started)
        report(std::string(kSysInfoUnavailable));
}

} // namespace zarnic
