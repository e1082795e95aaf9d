#include "about/machine_store.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zarnic {
namespace {

// Closes a file descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
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

LSTATUS ReadStoreFile(const std::string& path, std::size_t max_bytes, std::string& text) {
    text.clear();
    // O_NONBLOCK: a store path that names a pipe must not hang the caller in open().
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
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

MachineStore::MachineStore(std::string file)
    : file_(std::move(file)) {}

LSTATUS MachineStore::read_file(std::string& text) const {
    return ReadStoreFile(file_, kMaxStoreFileBytes, text);
}

LSTATUS MachineStore::RegOpenKeyExA(HKEY root, const char* sub_key, std::uint32_t options,
                                    REGSAM desired, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = 0;
    if (options & ~REG_OPTION_OPEN_LINK)
        return ERROR_INVALID_PARAMETER;

    std::string path;
    bool is_root = false;
    if (std::string_view name = RootKeyName(root); !name.empty()) {
        path = FoldCase(name);
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
        path += FoldCase(sub_key);
        is_root = false;
    }

    std::string text;
    if (LSTATUS status = read_file(text); status != ERROR_SUCCESS)
        return status;
    StoreContents contents;
    if (LSTATUS status = ParseStoreText(text, contents); status != ERROR_SUCCESS)
        return status;
    const StoredKey* key = contents.find_key(path);
    if (!key && !is_root) // a root key always exists, with or without values of its own
        return ERROR_FILE_NOT_FOUND;
    // Write rights only where this user could write the file; asking for them on a file the
    // user may only read is refused, as a registry refuses them on a read-only key.
    if ((desired & kWriteRights) && faccessat(AT_FDCWD, file_.c_str(), W_OK, AT_EACCESS) != 0)
        return ERROR_ACCESS_DENIED;

    while (open_.count(next_handle_) || next_handle_ >= HKEY_CLASSES_ROOT || next_handle_ == 0)
        next_handle_ = next_handle_ >= HKEY_CLASSES_ROOT ? 0x100 : next_handle_ + 4;
    HKEY handle = next_handle_;
    next_handle_ += 4;
    open_.emplace(handle, OpenKey{std::move(path), desired, key ? *key : StoredKey{}});
    *result = handle;
    return ERROR_SUCCESS;
}

LSTATUS MachineStore::RegQueryValueExA(HKEY key, const char* value_name, std::uint32_t* reserved,
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
    const StoredValue* value = it->second.key.find_value(value_name ? value_name : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    return CopyValue(*value, type, data, size);
}

LSTATUS MachineStore::RegCloseKey(HKEY key) {
    if (!RootKeyName(key).empty())
        return ERROR_SUCCESS;
    return open_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

} // namespace zarnic
