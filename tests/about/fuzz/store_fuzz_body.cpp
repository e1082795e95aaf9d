#include "store_fuzz_body.h"

#include "about/machine_store.h"
#include "about/store_keys.h"
#include "about/store_text.h"
#include "about/sys_info.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace zarnic::fuzz {
namespace {

constexpr std::size_t max_keys_checked = 32;
constexpr std::size_t max_values_checked = 32;

// Reads a value into an exactly sized heap buffer (so a write past it is caught) and checks
// what the call reports against what the value holds.
std::string check_copy(const stored_value& value, std::uint32_t buffer_size) {
    std::vector<std::uint8_t> buffer(buffer_size);
    std::uint32_t type = 0xFFFFFFFF, size = buffer_size;
    LSTATUS status = copy_value(value, &type, buffer_size ? buffer.data() : nullptr, &size);
    if (type != value.type)
        return "type not reported";
    if (buffer_size == 0)
        return status == ERROR_SUCCESS && size == value.data.size() ? "" : "size query wrong";
    if (value.data.size() > buffer_size)
        return status == ERROR_MORE_DATA && size == value.data.size() ? "" : "overlong value read";
    if (status != ERROR_SUCCESS || size != value.data.size() ||
        !std::equal(value.data.begin(), value.data.end(), buffer.begin()))
        return "value read wrong";
    return "";
}

// A file that exists only in memory, named by a /proc/self/fd path while it is open.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : fd_(memfd_create("store", MFD_CLOEXEC)) {
        std::size_t done = 0;
        while (fd_ >= 0 && done < size) {
            ssize_t n = write(fd_, data + done, size - done);
            if (n <= 0)
                break;
            done += std::size_t(n);
        }
    }
    ~MemoryFile() {
        if (fd_ >= 0)
            close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

private:
    int fd_;
};

std::string check_store_calls(const std::uint8_t* data, std::size_t size,
                              const store_contents& contents, bool parsed) {
    MemoryFile file(data, size);
    if (!file.ok())
        return ""; // out of file descriptors or memory: nothing to check
    machine_store store(file.path());

    std::size_t keys = 0;
    for (const auto& [path, key] : contents.keys) {
        if (++keys > max_keys_checked)
            break;
        std::size_t slash = path.find('\\');
        if (slash == std::string::npos)
            continue;
        HKEY handle = 0;
        if (store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str() + slash + 1, 0, KEY_READ,
                                &handle) != ERROR_SUCCESS) {
            if (path.rfind("hkey_local_machine\\", 0) == 0)
                return "key of the file not found";
            continue;
        }
        std::size_t values = 0;
        for (const auto& [name, value] : key.values) {
            if (++values > max_values_checked)
                break;
            std::uint8_t buffer[key_value_buffer_size];
            std::uint32_t type = 0, got = sizeof buffer;
            LSTATUS status =
                store.RegQueryValueExA(handle, value.name.c_str(), nullptr, &type, buffer, &got);
            bool fits = value.data.size() <= sizeof buffer;
            if (fits && (status != ERROR_SUCCESS || got != value.data.size()))
                return "value of the file not read";
            if (!fits && status != ERROR_MORE_DATA)
                return "overlong value not refused";
        }
        if (store.RegCloseKey(handle) != ERROR_SUCCESS)
            return "close failed";
    }

    HKEY handle = 0;
    LSTATUS status = store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &handle);
    if ((status == ERROR_SUCCESS) != parsed)
        return "root open disagrees with the parse";
    if (status == ERROR_SUCCESS)
        store.RegCloseKey(handle);

    // The search for the tool, launching nothing: exactly one of start and report happens.
    int launched = 0, reported = 0;
    StartSysInfo(
        store, [&](const std::string&) { ++launched; },
        [&](const std::string& message) {
            ++reported;
            if (message != sys_info_unavailable)
                reported = 99;
        });
    if (launched + reported != 1)
        return "search neither started nor reported";
    if (store.open_keys() != 0)
        return "a key was left open";
    return "";
}

} // namespace

Outcome ExerciseStore(const std::uint8_t* data, std::size_t size) {
    Outcome outcome;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    store_contents contents;
    LSTATUS status = parse_store_text(text, contents);
    if (status != ERROR_SUCCESS && status != ERROR_BADDB) {
        outcome.broken = "unexpected parse status";
        return outcome;
    }
    outcome.parsed = status == ERROR_SUCCESS;
    if (!outcome.parsed && !contents.keys.empty()) {
        outcome.broken = "refused file left keys behind";
        return outcome;
    }

    std::size_t keys = 0;
    for (const auto& entry : contents.keys) {
        if (++keys > max_keys_checked)
            break;
        std::size_t values = 0;
        for (const auto& [name, value] : entry.second.values) {
            if (++values > max_values_checked)
                break;
            auto n = std::uint32_t(value.data.size());
            for (std::uint32_t buffer_size : {0u, 1u, n > 0 ? n - 1 : 0u, n, n + 1u}) {
                outcome.broken = check_copy(value, buffer_size);
                if (!outcome.broken.empty())
                    return outcome;
            }
        }
    }
    outcome.broken = check_store_calls(data, size, contents, outcome.parsed);
    return outcome;
}

} // namespace zarnic::fuzz
