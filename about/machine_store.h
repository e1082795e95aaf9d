#pragma once
// The machine configuration store, answered from a read-only store file (see store_text.h for
// its format). Each open reads the file afresh, so a store changed on disk is seen at the next
// open and nothing is cached between look-ups; an open key keeps what the file held when it was
// opened. Rights follow the file: read rights wherever the file can be read, write rights only
// where the current user could also write it (nothing is ever written).
//
// Only the event-loop thread uses a store; it has no locks.

#include "about/config_store.h"
#include "about/store_text.h"

#include <map>
#include <string>

namespace zarnic {

class machine_store : public config_store {
public:
    explicit machine_store(std::string file);

    LSTATUS RegOpenKeyExA(HKEY root, const char* sub_key, std::uint32_t options, REGSAM desired,
                          HKEY* result) override;
    LSTATUS RegQueryValueExA(HKEY key, const char* value_name, std::uint32_t* reserved,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override;
    LSTATUS RegCloseKey(HKEY key) override;

    // Number of keys open now; a caller that closes every key it opens leaves it at 0.
    std::size_t open_keys() const { return open_.size(); }

private:
    struct open_key {
        std::string path; // full path, case-folded
        REGSAM rights;
        stored_key key;
    };

    // Reads the whole store file into text.
    LSTATUS read_file(std::string& text) const;

    std::string file_;
    std::map<HKEY, open_key> open_;
    HKEY next_handle_ = 0x100;
};

// Reads the file at path whole, refusing anything but an ordinary file of at most max_bytes
// (never blocking on a pipe or device). Answers ERROR_SUCCESS, ERROR_FILE_NOT_FOUND,
// ERROR_ACCESS_DENIED, ERROR_CANTOPEN, ERROR_CANTREAD or ERROR_BADDB (too large).
LSTATUS read_store_file(const std::string& path, std::size_t max_bytes, std::string& text);

} // namespace zarnic
