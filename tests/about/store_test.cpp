// The store file reader, through the store calls over real files: what a value reads as, which
// files are refused with which status, and the fuzz corpus replayed.
#include "about/machine_store.h"
#include "about/sys_info.h"
#include "fuzz/store_fuzz_body.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace zarnic {
namespace {

using namespace test_files;

const std::string header = "Windows Registry Editor Version 5.00\n";
const std::string test_key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n";

std::string with_lines(const std::string& lines) {
    return header + test_key + lines + "\n";
}

TEST(GetKeyValue, ReadsEachStoreAndClosesTheKey) {
    const std::string long_text(1023, 'x');
    // Each store file, and what GetKeyValue makes of value "V" of SOFTWARE\Test in it: its
    // result and the text (which starts as "before"), or an error. Names differ in case.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"REGEDIT4\n" + test_key + "\"v\"=\"old header\"\n", "true old header"},
        {"\xEF\xBB\xBF" + header + "[hkey_local_machine\\software\\TEST]\r\n\"V\"=\"bom\"\r\n",
         "true bom"},
        {with_lines("\"v\"=hex(1):61,62"), "true ab"},
        {with_lines("\"v\"=hex(1):61,62,00"), "true ab"},
        {with_lines("\"v\"=hex(1):61,\\\n  62,\\\r\n  00"), "true ab"},
        {with_lines("\"v\"=dword:12345678"), "true &h12345678"},
        {with_lines("\"v\"=dword:0000001f"), "true &h00001F"},
        {with_lines("\"v\"=\"" + long_text + "\""), "true " + long_text},
        {with_lines("\"v\"=\"" + long_text + "y\""), "false "},
        {with_lines("\"v\"=hex(1):"), "error"},
        {with_lines("\"v\"=hex(99):2f,00"), "true before"},
        {with_lines("\"other\"=\"x\""), "false "},
    };
    temp_dir dir;
    for (const auto& [file, expected] : rows) {
        write_file(dir.path + "/machine.reg", file);
        machine_store store(dir.path + "/machine.reg");
        std::string text = "before", answer = "error";
        try {
            bool found = GetKeyValue(store, HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "V", text);
            answer = (found ? "true " : "false ") + text;
        } catch (const sys_info_error&) {
            // the answer stays "error"
        }
        EXPECT_EQ(answer, expected) << file.substr(0, 100);
        EXPECT_EQ(store.open_keys(), 0u) << "a key left open";
    }
}

TEST(MachineStore, EveryFileIsAnsweredWithAStatus) {
    temp_dir dir;
    const std::string& d = dir.path;
    ASSERT_EQ(mkfifo((d + "/fifo").c_str(), 0644), 0);
    // Each path, and the status of opening HKEY_LOCAL_MACHINE in it (a fifo must not block).
    std::vector<std::pair<std::string, LSTATUS>> paths = {
        {d + "/missing", ERROR_FILE_NOT_FOUND},
        {d, ERROR_CANTREAD},
        {d + "/fifo", ERROR_CANTREAD},
        {"/dev/zero", ERROR_CANTREAD},
    };
    // Each file's text, and that status.
    const std::vector<std::pair<std::string, LSTATUS>> texts = {
        {header, ERROR_SUCCESS},
        {"Windows Registry Editor Version 4.00\n", ERROR_BADDB},
        {header + std::string(1, '\0'), ERROR_BADDB},
        {with_lines("\"a\"=hex:01,\\"), ERROR_BADDB},
        {header + "\"a\"=\"before any key\"\n", ERROR_BADDB},
        {with_lines("\"a\"=\"odd \\n escape\""), ERROR_BADDB},
        {with_lines("\"a\"=dword:123456789"), ERROR_BADDB},
        {header + std::string(max_store_file_bytes, '\n'), ERROR_BADDB},
    };
    for (const auto& [text, status] : texts) {
        paths.emplace_back(d + "/" + std::to_string(paths.size()) + ".reg", status);
        write_file(paths.back().first, text);
    }
    for (const auto& [path, status] : paths) {
        machine_store store(path);
        HKEY key = 0;
        EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), status) << path;
    }
}

TEST(StoreCorpus, EveryInputIsAnsweredByTheRules) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZARNIC_STORE_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string input{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(fuzz::exercise_store(input), "") << entry.path();
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

} // namespace
} // namespace zarnic
