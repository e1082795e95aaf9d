#include "store_fuzz_body.h"

#include "about/machine_store.h"
#include "about/sys_info.h"

#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace zarnic::fuzz {

std::string exercise_store(std::string_view input) {
    store_contents contents;
    LSTATUS parsed = parse_store_text(input, contents);
    if (parsed != ERROR_SUCCESS && (parsed != ERROR_BADDB || !contents.keys.empty()))
        return "refused wrongly";
    for (const auto& [path, key] : contents.keys)
        for (const auto& [name, value] : key.values) {
            std::vector<std::uint8_t> buffer(value.data.size());
            auto size = std::uint32_t(buffer.size());
            if (copy_value(value, nullptr, buffer.data(), &size) != ERROR_SUCCESS ||
                buffer != value.data)
                return "value " + name + " of " + path + " read wrongly";
        }
    // The same bytes as a store file, in memory only (a failed memfd_create fails the write).
    int fd = memfd_create("store", MFD_CLOEXEC);
    bool written = write(fd, input.data(), input.size()) == ssize_t(input.size());
    machine_store store("/proc/self/fd/" + std::to_string(fd));
    int answers = 0;
    StartSysInfo(
        store, [&](const std::string&) { ++answers; }, [&](const std::string&) { ++answers; });
    if (fd >= 0)
        close(fd);
    if (!written)
        return "cannot write the store file";
    return answers == 1 && store.open_keys() == 0 ? "" : "search answered wrongly";
}

} // namespace zarnic::fuzz
