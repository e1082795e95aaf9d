// The search for the system-information tool over real store files: which program is started,
// when the message is shown instead, how the program is started, and with which rights the
// store is read.
#include "about/machine_store.h"
#include "about/store_keys.h"
#include "about/sys_info.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace zarnic {
namespace {

using test_files::write_file;

// The two keys searched, each up to its value's "=", as a store file names them.
const std::string first_key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                              "\"PATH\"=";
const std::string second_key =
    "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n"
    "\"MSINFO\"=";

std::string quoted(const std::string& text) {
    return "\"" + text + "\"\n";
}

class StartSysInfoTest : public testing::Test {
protected:
    StartSysInfoTest() {
        std::filesystem::create_directories(d + "/dir/MSINFO32.EXE");
        write_file(d + "/MSINFO32.EXE", "");
        write_file(d + "/.hidden", "");
    }

    // Runs the search over a store file holding the header and text; returns the message it
    // showed, or "".
    std::string search(const std::string& text, const program_launcher& launch) {
        write_file(store_file, "Windows Registry Editor Version 5.00\n" + text);
        machine_store store(store_file);
        std::string message;
        StartSysInfo(store, launch, [&](const std::string& shown) { message = shown; });
        EXPECT_EQ(store.open_keys(), 0u) << "a key left open";
        return message;
    }

    test_files::temp_dir dir;
    const std::string& d = dir.path;
    const std::string store_file = d + "/machine.reg";
};

TEST_F(StartSysInfoTest, StartsWhatTheStoreNamesOrShowsTheMessage) {
    // Each store, and the program it starts ("" when the message is shown instead).
    const std::vector<std::pair<std::string, std::string>> rows = {
        {first_key + quoted(d + "/tool") + second_key + quoted(d), d + "/tool"},
        {second_key + quoted(d), d + "/MSINFO32.EXE"},
        {first_key + "-" + second_key + quoted(d), d + "/MSINFO32.EXE"},
        {first_key + "hex(1):2f,74,00,6a,00\n", "/t"},
        {second_key + quoted(d + "/nowhere"), ""},
        {second_key + quoted(d + "/dir"), ""},
        {first_key + "hex(1):" + second_key + quoted(d), ""},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n", ""},
        {"not a store", ""},
    };
    for (const auto& [text, program] : rows) {
        std::string started;
        std::string message = search(text, [&](const std::string& path) { started = path; });
        EXPECT_EQ(started, program) << text;
        EXPECT_EQ(message, program.empty() ? sys_info_unavailable : "") << text;
    }
    EXPECT_EQ(existing_file_name(d + "/.hidden"), "");
}

// Reads the line the recorder wrote into the fifo open at fd, waiting for it up to 5 s.
std::string recorded_line(int fd) {
    pollfd ready{fd, POLLIN, 0};
    char line[512];
    ssize_t n = poll(&ready, 1, 5000) == 1 ? read(fd, line, sizeof line) : 0;
    return std::string(line, std::size_t(std::max<ssize_t>(n, 0)));
}

TEST_F(StartSysInfoTest, StartsTheProgramItselfWithoutAShell) {
    const std::string program = d + "/a b;true $(true)";
    std::filesystem::copy_file(ZARNIC_RECORD_RUN, program);
    const std::string record = d + "/record";
    ASSERT_EQ(mkfifo(record.c_str(), 0666), 0);
    setenv("ZARNIC_RECORD_FILE", record.c_str(), 1);
    int fd = open(record.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_EQ(search(first_key + quoted(program), launch_program), "");
    EXPECT_EQ(recorded_line(fd), program + "|0\n");
    EXPECT_EQ(search(first_key + quoted(d + "/missing"), launch_program), sys_info_unavailable);
    close(fd);
}

TEST_F(StartSysInfoTest, KeysAreOpenedForReadingOnly) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to run the probe as nobody, for whom file modes apply";
    // Each mode of the store file, and what the probe answers as nobody.
    const std::vector<std::pair<mode_t, std::string>> rows = {
        {0444, "full=5 sysinfo=started\n"},
        {0600, "full=5 sysinfo=unavailable\n"},
    };
    for (const auto& [mode, answer] : rows) {
        write_file(store_file, "REGEDIT4\n" + first_key + quoted("/bin/true"), mode);
        std::string command = "setpriv --reuid=nobody --regid=nogroup --clear-groups '" +
                              std::string(ZARNIC_STORE_PROBE) + "' '" + store_file + "'";
        FILE* probe = popen(command.c_str(), "r");
        ASSERT_NE(probe, nullptr);
        char output[128] = {};
        std::fread(output, 1, sizeof output - 1, probe);
        pclose(probe);
        EXPECT_EQ(output, answer) << std::oct << mode;
    }
}

} // namespace
} // namespace zarnic
