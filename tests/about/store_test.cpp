// The store file reader and the search for the system-information tool, over real store files:
// what a value reads as, which files are refused with which status, the fuzz corpus replayed,
// which program is started or when the message is shown instead, and that a store others may
// only read is searched. No test starts the real tool.
#include "about/machine_store.h"
#include "about/store_keys.h"
#include "about/sys_info.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace zarnic {
namespace {

const std::string header = "Windows Registry Editor Version 5.00\n";
const std::string test_key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n";
// The two keys the search reads, each up to its value's "=", as a store file names them.
const std::string first_key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                              "\"PATH\"=";
const std::string second_key =
    "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n\"MSINFO\"=";

std::string with_lines(const std::string& lines) {
    return header + test_key + lines + "\n";
}

// A text value as a store file writes it, ending its line.
std::string text_value(const std::string& text) {
    return "\"" + text + "\"\n";
}

// Writes a file whole, with the given mode.
void write_file(const std::string& path, const std::string& text, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(chmod(path.c_str(), mode), 0) << "cannot write " << path;
}

// Each test has a fresh folder under /tmp that every user may enter, removed with everything in
// it, and a store file path in it.
class StoreTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mkdtemp(d.data()) && chmod(d.c_str(), 0755) == 0) << "no temporary folder";
        store_file = d + "/machine.reg";
    }
    void TearDown() override { std::filesystem::remove_all(d); }

    // Runs the search over a store file holding the header and text; returns the message it
    // showed, or "".
    std::string search(const std::string& text, const program_launcher& launch) {
        write_file(store_file, header + text);
        machine_store store(store_file);
        std::string message;
        StartSysInfo(store, launch, [&](const std::string& shown) { message = shown; });
        EXPECT_EQ(store.open_keys(), 0u) << "a key left open";
        return message;
    }

    std::string d = "/tmp/zarnic-store-XXXXXX", store_file;
};

TEST_F(StoreTest, ReadsEachFileByTheRulesAndClosesTheKey) {
    ASSERT_EQ(mkfifo((d + "/fifo").c_str(), 0644), 0);
    const std::string long_text(1023, 'x');
    // Each store file, by its text or (starting with "/") its path; the status of opening the
    // root in it (a fifo must not block); and what GetKeyValue reads as value "V" of
    // SOFTWARE\Test: its result and the text (which starts as "before"), or "error" when it
    // raises. Names differ in case.
    struct row {
        std::string file, answer;
        LSTATUS status = ERROR_SUCCESS;
    };
    const std::vector<row> rows = {
        {"REGEDIT4\n" + test_key + "\"v\"=\"old header\"\n", "true old header"},
        {"\xEF\xBB\xBF" + header + "[hkey_local_machine\\software\\TEST]\r\n\"V\"=\"bom\"\r\n",
         "true bom"},
        {with_lines("\"v\"=hex(1):61,\\\n  62,\\\r\n  63"), "true abc"},
        {with_lines("\"v\"=dword:12345678"), "true &h12345678"},
        {with_lines("\"v\"=dword:0000001f"), "true &h00001F"},
        {with_lines("\"v\"=\"" + long_text + "\""), "true " + long_text},
        {with_lines("\"v\"=\"" + long_text + "y\""), "false "},
        {with_lines("\"v\"=hex(1):"), "error"},
        {with_lines("\"v\"=hex(99):2f,00"), "true before"},
        {with_lines("\"other\"=\"x\""), "false "},
        {header, "false "},
        {d + "/missing", "false ", ERROR_FILE_NOT_FOUND},
        {d, "false ", ERROR_CANTREAD},
        {d + "/fifo", "false ", ERROR_CANTREAD},
        {"/dev/zero", "false ", ERROR_CANTREAD},
        {"Windows Registry Editor Version 4.00\n", "false ", ERROR_BADDB},
        {with_lines("\"a\"=\"" + std::string(1, '\0') + "\""), "false ", ERROR_BADDB},
        {with_lines("\"a\"=hex:01,\\"), "false ", ERROR_BADDB},
        {header + "\"a\"=\"before any key\"\n", "false ", ERROR_BADDB},
        {with_lines("\"a\"=\"odd \\n escape\""), "false ", ERROR_BADDB},
        {with_lines("\"a\"=dword:123456789"), "false ", ERROR_BADDB},
        {header + std::string(max_store_file_bytes, '\n'), "false ", ERROR_BADDB},
    };
    for (const auto& [file, answer, status] : rows) {
        if (file.front() != '/')
            write_file(store_file, file);
        machine_store store(file.front() == '/' ? file : store_file);
        HKEY key = 0;
        EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), status)
            << file.substr(0, 100);
        store.RegCloseKey(key);
        std::string text = "before", got = "error";
        try {
            bool found = GetKeyValue(store, HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "V", text);
            got = (found ? "true " : "false ") + text;
        } catch (const sys_info_error&) {
            // got stays "error"
        }
        EXPECT_EQ(got, answer) << file.substr(0, 100);
        EXPECT_EQ(store.open_keys(), 0u) << "a key left open";
    }
}

TEST(StoreCorpus, EveryInputIsAnsweredByTheRules) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZARNIC_STORE_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string input{std::istreambuf_iterator<char>(in), {}};
        // A refused input leaves no keys behind.
        store_contents contents;
        LSTATUS parsed = parse_store_text(input, contents);
        EXPECT_TRUE(parsed == ERROR_SUCCESS || (parsed == ERROR_BADDB && contents.keys.empty()))
            << entry.path();
        // The file searched for the tool, launching nothing: one answer, every key closed.
        machine_store store(entry.path());
        int answers = 0;
        StartSysInfo(
            store, [&](const std::string&) { ++answers; }, [&](const std::string&) { ++answers; });
        EXPECT_EQ(answers, 1) << entry.path();
        EXPECT_EQ(store.open_keys(), 0u) << entry.path();
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

TEST_F(StoreTest, StartsWhatTheStoreNamesOrShowsTheMessage) {
    std::filesystem::create_directories(d + "/dir/MSINFO32.EXE");
    write_file(d + "/MSINFO32.EXE", "");
    write_file(d + "/.hidden", "");
    // Each store, and the program it starts ("" when the message is shown instead).
    const std::vector<std::pair<std::string, std::string>> rows = {
        {first_key + text_value(d + "/tool") + second_key + text_value(d), d + "/tool"},
        {second_key + text_value(d), d + "/MSINFO32.EXE"},
        {first_key + "-" + second_key + text_value(d), d + "/MSINFO32.EXE"},
        {first_key + "hex(1):2f,74,00,6a,00\n", "/t"},
        {second_key + text_value(d + "/nowhere"), ""},
        {second_key + text_value(d + "/dir"), ""},
        {first_key + "hex(1):" + second_key + text_value(d), ""},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n", ""},
    };
    for (const auto& [text, program] : rows) {
        std::string started;
        std::string message = search(text, [&](const std::string& path) { started = path; });
        EXPECT_EQ(started, program) << text;
        EXPECT_EQ(message, program.empty() ? sys_info_unavailable : "") << text;
    }
    EXPECT_EQ(existing_file_name(d + "/.hidden"), "");
    // A program named but gone by the time it is started: the message too.
    EXPECT_EQ(search(first_key + text_value(d + "/missing"), launch_program), sys_info_unavailable);
}

// An installed store is root's, and others may only read it: the search finds the tool there.
TEST_F(StoreTest, AStoreOthersMayOnlyReadIsSearched) {
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || !nobody)
        GTEST_SKIP() << "needs root, to search as nobody, for whom file modes apply";
    write_file(store_file, "REGEDIT4\n" + first_key + text_value("/bin/true"), 0444);
    pid_t child = fork();
    if (child == 0) {
        // The child drops root for good, then answers in its exit status: 1 if the message was
        // shown, 2 if it could not drop root.
        if (setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
            setuid(nobody->pw_uid) != 0)
            _exit(2);
        machine_store store(store_file);
        bool unavailable = false;
        StartSysInfo(
            store, [](const std::string&) {}, [&](const std::string&) { unavailable = true; });
        _exit(unavailable);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(status, W_EXITCODE(0, 0)) << "the message was shown (1) or root kept (2)";
}

} // namespace
} // namespace zarnic
