#include "test_files.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>

namespace zarnic::test_files {

TempDir::TempDir() {
    char pattern[] = "/tmp/zarnic-store-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    chmod(path_.c_str(), 0755);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void write_file(const std::string& path, std::string_view content, mode_t mode) {
    std::filesystem::remove(path);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(content.data(), std::streamsize(content.size()));
        if (!out)
            throw std::runtime_error("cannot write " + path);
    }
    chmod(path.c_str(), mode);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void make_dir(const std::string& path, mode_t mode) {
    std::filesystem::create_directories(path);
    chmod(path.c_str(), mode);
}

std::string store_text(std::string_view body) {
    return "Windows Registry Editor Version 5.00\n\n" + std::string(body);
}

std::string reg_quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string path_store(const std::string& path) {
    return store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n\"PATH\"=" +
                      reg_quoted(path) + "\n");
}

std::string location_store(const std::string& folder) {
    return store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n"
                      "\"MSINFO\"=" +
                      reg_quoted(folder) + "\n");
}

void install_recorder(const std::string& path) {
    std::filesystem::copy_file(ZARNIC_RECORD_RUN, path,
                               std::filesystem::copy_options::overwrite_existing);
    chmod(path.c_str(), 0755);
}

void record_into(const std::string& record_file) {
    setenv("ZARNIC_RECORD_FILE", record_file.c_str(), 1);
}

std::string wait_for_record(const std::string& record_file, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string text = read_file(record_file);
        if (std::size_t end = text.find('\n'); end != std::string::npos)
            return text.substr(0, end);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return "";
}

std::string run_command(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[256];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    pclose(pipe);
    return output;
}

} // namespace zarnic::test_files
