#pragma once
// Finding and starting the system-information tool: GetKeyValue reads one store value as text,
// StartSysInfo searches the store for the tool and starts it, or reports that it is
// unavailable. Neither knows anything of windows: the store, the launcher and the report are
// handed in, so the About box shows the report its own way and tests use their own stores.

#include "about/config_store.h"

#include <functional>
#include <stdexcept>
#include <string>

namespace zarnic {

// Raised by GetKeyValue for a value that holds no data at all, and by launch_program for a
// program that could not be started. StartSysInfo turns both into its report.
class sys_info_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the value SubKeyRef of key KeyName below KeyRoot as text into KeyVal. The key is opened
// with read rights only and closed again on every path, also when an error is raised.
//   REG_SZ: the bytes read, without one terminating NUL.
//   REG_DWORD: "&h" followed by two upper-case hexadecimal digits per byte kept, most
//     significant first (the terminator trim drops a zero top byte: 0x1F reads "&h00001F").
//   Any other type: KeyVal is left as it was; the result is still true.
// Returns false, with KeyVal empty, when the key cannot be opened or the value cannot be read
// (missing, or longer than the 1024-byte buffer with its terminator). Raises sys_info_error for
// a value with no data.
bool GetKeyValue(config_store& store, HKEY KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

// The name of the ordinary file at path (not a folder, not a hidden file), or "" if there is
// none.
std::string existing_file_name(const std::string& path);

// Starts the program at path as a separate process: the path is the program itself, with no
// shell, no search of PATH and no arguments. Returns at once; the process is neither waited
// for nor owned (it leaves no zombie). Raises sys_info_error when it cannot be started.
void launch_program(const std::string& path);

using program_launcher = std::function<void(const std::string& path)>;
using unavailable_report = std::function<void(const std::string& message)>;

// Finds the tool through the store and starts it with launch. Where the tool cannot be found
// or started, calls report with the message instead. No error gets out of it; every call reads
// the store afresh.
void StartSysInfo(config_store& store, const program_launcher& launch,
                  const unavailable_report& report);

} // namespace zarnic
