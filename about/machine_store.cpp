#include "about/machine_store.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zarnic {
namespace {

// Closes a file descriptor on every way out.
class file_descriptor {
public:
    explicit file_descriptor(int fd)
        : fd_(fd) {}
    ~file_descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    file_descriptor(const file_descriptor&) = delete;
    file_descriptor& operator=(const file_descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// A key path below a root: components separated by backslashes, none of them empty.
bool valid_sub_key(std::string_view sub_key) {
    return sub_key.front() != '\\' && sub_key.back() != '\\' &&
           sub_key.find("\\\\") == std::string_view::npos;
}

} // namespace

LSTATUS read_store_file(const std::string& path, std::size_t max_bytes, std::string& text) {
    text.clear();
    // O_NONBLOCK: a store path that names a pipe must not hang the caller in open().
    file_descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_CANTOPEN;
        }
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return ERROR_CANTREAD;
    if (std::uint64_t(st.st_size) > max_bytes)
        return ERROR_BADDB;
    // Read to the end rather than trusting st_size: the file may change meanwhile. One byte over
    // the limit is enough to know it is too large.
    char chunk[16384];
    while (true) {
        ssize_t n = read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ERROR_CANTREAD;
        if (n == 0)
            return ERROR_SUCCESS;
        text.append(chunk, std::size_t(n));
        if (text.size() > max_bytes) {
            text.clear();
            return ERROR_BADDB;
        }
    }
}

machine_store::machine_store(std::string file)
    : file_(std::move(file)) {}

LSTATUS machine_store::read_file(std::string& text) const {
    return read_store_file(file_, max_store_file_bytes, text);
}

LSTATUS machine_store::RegOpenKeyExA(HKEY root, const char* sub_key, std::uint32_t options,
                                     REGSAM desired, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    if (options & ~REG_OPTION_OPEN_LINK)
        return ERROR_INVALID_PARAMETER;

    std::string path;
    bool is_root = false;
    if (std::string_view name = root_key_name(root); !name.empty()) {
        path = fold_case(name);
        is_root = true;
    } else if (auto it = open_.find(root); it != open_.end()) {
        path = it->second.path;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    if (sub_key && *sub_key) {
        if (!valid_sub_key(sub_key))
            return ERROR_FILE_NOT_FOUND;
        path += '\\';
        path += fold_case(sub_key);
        is_root = false;
    }

    std::string text;
    if (LSTATUS status = read_file(text); status != ERROR_SUCCESS)
        return status;
    store_contents contents;
    if (LSTATUS status = parse_store_text(text, contents); status != ERROR_SUCCESS)
        return status;
    const stored_key* key = contents.find_key(path);
    if (!key && !is_root) // a root key always exists, with or without values of its own
        return ERROR_FILE_NOT_FOUND;
    // Write rights only where this user could write the file; asking for them on a file the
    // user may only read is refused, as a registry refuses them on a read-only key.
    if ((desired & write_rights) && faccessat(AT_FDCWD, file_.c_str(), W_OK, AT_EACCESS) != 0)
        return ERROR_ACCESS_DENIED;

    while (open_.count(next_handle_) || next_handle_ >= HKEY_CLASSES_ROOT || next_handle_ == 0)
        next_handle_ = next_handle_ >= HKEY_CLASSES_ROOT ? 0x100 : next_handle_ + 4;
    HKEY handle = next_handle_;
    next_handle_ += 4;
    open_.emplace(handle, open_key{std::move(path), desired, key ? *key : stored_key{}});
    *result = handle;
    return ERROR_SUCCESS;
}

LSTATUS machine_store::RegQueryValueExA(HKEY key, const char* value_name, std::uint32_t* reserved,
                                        std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* size) {
    if (reserved)
        return ERROR_INVALID_PARAMETER;
    // Values are read through keys opened here; a predefined root is not an open key.
    auto it = open_.find(key);
    if (it == open_.end())
        return ERROR_INVALID_HANDLE;
    if (!(it->second.rights & (KEY_QUERY_VALUE | GENERIC_READ | GENERIC_ALL)))
        return ERROR_ACCESS_DENIED;
    const stored_value* value = it->second.key.find_value(value_name ? value_name : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    return copy_value(*value, type, data, size);
}

LSTATUS machine_store::RegCloseKey(HKEY key) {
    if (!root_key_name(key).empty())
        return ERROR_SUCCESS;
    return open_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace zarnic
