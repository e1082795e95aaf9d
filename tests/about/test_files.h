#pragma once
// Real files for the store tests: temporary folders, store files, copies of the program that
// stands in for the system-information tool, and what that program recorded.

#include <string>
#include <string_view>
#include <sys/types.h>

namespace zarnic::test_files {

// A fresh folder under /tmp, removed with everything in it when the object goes. Every user
// may read and enter it, so an unprivileged user can reach files put there.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

void write_file(const std::string& path, std::string_view content, mode_t mode = 0644);
std::string read_file(const std::string& path);
void make_dir(const std::string& path, mode_t mode = 0755);

// A store file's text: the header, then body.
std::string store_text(std::string_view body);
// text as a quoted store string, backslashes and quotes escaped.
std::string reg_quoted(std::string_view text);
// A store whose first key's "PATH" value is path.
std::string path_store(const std::string& path);
// A store whose second key's "MSINFO" value is folder.
std::string location_store(const std::string& folder);

// Copies record_run to path, executable by everyone. When run, it appends one line
// "<argv[0]>|<number of arguments after it>|<uid>" to the file named by ZARNIC_RECORD_FILE.
void install_recorder(const std::string& path);
// Points the recorder of every program started from now on at record_file.
void record_into(const std::string& record_file);
// Waits up to timeout_ms for the recorder's first line in record_file; "" if none came.
std::string wait_for_record(const std::string& record_file, int timeout_ms = 5000);

// Runs command (a shell command line) and returns what it printed on standard output.
std::string run_command(const std::string& command);

} // namespace zarnic::test_files
