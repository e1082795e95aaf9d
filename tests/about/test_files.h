#pragma once
// Real files for the store tests: a temporary folder and files written into it.

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace zarnic::test_files {

// A fresh folder under /tmp that every user may enter, removed with everything in it.
struct temp_dir {
    temp_dir() = default;
    temp_dir(const temp_dir&) = delete;
    ~temp_dir() { std::filesystem::remove_all(path); }
    std::string path = [] {
        char pattern[] = "/tmp/zarnic-store-XXXXXX";
        if (!mkdtemp(pattern) || chmod(pattern, 0755) != 0)
            throw std::runtime_error("cannot make a temporary folder");
        return std::string(pattern);
    }();
};

inline void write_file(const std::string& path, const std::string& text, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    if (chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot write " + path);
}

} // namespace zarnic::test_files
