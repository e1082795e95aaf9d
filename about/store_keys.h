#pragma once
// Where the system-information tool is found in the machine configuration store, and what the
// About box says when it is not: every constant of that search, named once.

#include "about/config_store.h"

#include <cstddef>
#include <string_view>

namespace zarnic {

// Both look-ups read below this root.
inline constexpr HKEY sys_info_root = HKEY_LOCAL_MACHINE;

// First look-up: the full path of the tool's program file.
inline constexpr std::string_view sys_info_key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr std::string_view sys_info_value = "PATH";

// Second look-up: the folder in which the program file lies...
inline constexpr std::string_view sys_info_location_key =
    "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr std::string_view sys_info_location_value = "MSINFO";
// ...and the name of the program file in that folder, with its leading separator.
inline constexpr std::string_view sys_info_file_name = "/MSINFO32.EXE";

// Keys are opened for reading only: the search never changes the store, and a user who may only
// read it must still find the tool.
inline constexpr REGSAM key_access = KEY_READ;

// The caller's buffer for one value; a value must fit in it with its terminator.
inline constexpr std::size_t key_value_buffer_size = 1024;

// The one report to the user when the tool cannot be found or started.
inline constexpr std::string_view sys_info_unavailable =
    "System Information Is Unavailable At This Time";

} // namespace zarnic
