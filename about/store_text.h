#pragma once
// The text of a store file, in the registry editor's export format, and what it holds:
//
//     Windows Registry Editor Version 5.00        (or REGEDIT4)
//
//     [HKEY_LOCAL_MACHINE\SOFTWARE\Some Key]
//     "Text"="C:\\Program Files\\tool"             REG_SZ, stored with its terminating NUL
//     @="the key's default value"
//     "Number"=dword:0000001f                      REG_DWORD, four bytes, little-endian
//     "Raw"=hex:01,02,03                           REG_BINARY
//     "Typed"=hex(1):41,42,00,\                    any type by number; a line ending in a
//       43                                         backslash goes on in the next line
//     "Gone"=-                                     removes a value written earlier
//     [-HKEY_LOCAL_MACHINE\SOFTWARE\Old]           removes a key and everything below it
//
// The file is read like an import: later sections add to a key named earlier, and a value
// written twice keeps its last data. Lines starting with ";" are comments. Key paths and value
// names compare case-insensitively (ASCII letters). Text passes through as UTF-8 bytes.
//
// The file is outside input: anything that does not follow the format (a missing header, a
// stray line, an unknown escape, a NUL byte, a truncated continuation, a file over the size
// limit) makes the whole file malformed, so no half-read store is ever answered from.

#include "about/config_store.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zarnic {

// Store files larger than this are refused as malformed; a real one is a few hundred bytes.
inline constexpr std::size_t max_store_file_bytes = 1024 * 1024;
// The longest key path accepted, root name included, as in a registry.
inline constexpr std::size_t max_key_path_bytes = 255;

struct stored_value {
    std::string name; // as written; compared case-insensitively
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
};

struct stored_key {
    std::map<std::string, stored_value> values; // by case-folded name; "" is the default value
    const stored_value* find_value(std::string_view name) const;
};

struct store_contents {
    // Keys by their full path, case-folded ("hkey_local_machine\software\..."). The parents of a
    // key named in the file exist too, with no values.
    std::map<std::string, stored_key> keys;
    const stored_key* find_key(std::string_view full_path) const;
};

// Folds ASCII letters to lower case; other bytes are left alone.
std::string fold_case(std::string_view text);

// Name of a predefined root key ("HKEY_LOCAL_MACHINE"), or empty for any other handle.
std::string_view root_key_name(HKEY root);

// Reads the text of a store file. Answers ERROR_SUCCESS with the contents, or ERROR_BADDB.
LSTATUS parse_store_text(std::string_view text, store_contents& contents);

// Hands a value's data to a caller by the rules of RegQueryValueExA (see config_store.h).
LSTATUS copy_value(const stored_value& value, std::uint32_t* type, std::uint8_t* data,
                   std::uint32_t* size);

} // namespace zarnic
