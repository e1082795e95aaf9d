// GetKeyValue, the file-existence test, the launcher and StartSysInfo, over real store files and
// a real started program (record_run, copied where the stores point).
#include "about/machine_store.h"
#include "about/store_keys.h"
#include "about/sys_info.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace zarnic {
namespace {

using namespace test_files;

// Passes the calls on to a store file and notes which keys were opened.
class ObservedStore : public config_store {
public:
    explicit ObservedStore(const std::string& file)
        : store_(file) {}
    LSTATUS RegOpenKeyExA(HKEY root, const char* sub_key, std::uint32_t options, REGSAM desired,
                          HKEY* result) override {
        opened.emplace_back(sub_key ? sub_key : "");
        rights.push_back(desired);
        return store_.RegOpenKeyExA(root, sub_key, options, desired, result);
    }
    LSTATUS RegQueryValueExA(HKEY key, const char* name, std::uint32_t* reserved,
                             std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override {
        return store_.RegQueryValueExA(key, name, reserved, type, data, size);
    }
    LSTATUS RegCloseKey(HKEY key) override { return store_.RegCloseKey(key); }
    std::size_t open_keys() const { return store_.open_keys(); }

    std::vector<std::string> opened;
    std::vector<REGSAM> rights;

private:
    machine_store store_;
};

const std::string first_key(sys_info_key);
const std::string second_key(sys_info_location_key);

std::string store_with(const std::string& key, const std::string& values) {
    return store_text("[HKEY_LOCAL_MACHINE\\" + key + "]\n" + values + "\n");
}

class GetKeyValueTest : public testing::Test {
protected:
    // Reads value "v" of key SOFTWARE\Test from a store holding the given value line.
    bool read(const std::string& value_line, std::string& text) {
        write_file(file, store_with("SOFTWARE\\Test", value_line));
        bool result = GetKeyValue(store, HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", "v", text);
        EXPECT_EQ(store.open_keys(), 0u) << "key left open";
        return result;
    }
    std::string read(const std::string& value_line) {
        std::string text = "before";
        EXPECT_TRUE(read(value_line, text)) << value_line;
        return text;
    }

    TempDir dir;
    std::string file = dir / "machine.reg";
    machine_store store{file};
};

TEST_F(GetKeyValueTest, StringsWithAndWithoutTheirTerminatorGiveTheSameText) {
    EXPECT_EQ(read("\"v\"=\"/opt/tool\""), "/opt/tool");
    EXPECT_EQ(read("\"v\"=hex(1):2f,6f,70,74,2f,74,6f,6f,6c"), "/opt/tool");
    EXPECT_EQ(read("\"V\"=hex(1):2f,6f,70,74,2f,74,6f,6f,6c,00"), "/opt/tool");
    // Only the last byte is trimmed: of two terminators, one stays.
    EXPECT_EQ(read("\"v\"=hex(1):61,00,00"), std::string("a\0", 2));
    EXPECT_EQ(read("\"v\"=\"\""), "");
}

TEST_F(GetKeyValueTest, ValuesMustFitTheBufferWithTheirTerminator) {
    std::string fits(1023, 'x');
    EXPECT_EQ(read("\"v\"=\"" + fits + "\""), fits);
    std::string text = "before";
    EXPECT_FALSE(read("\"v\"=\"" + fits + "y\"", text)); // 1024 characters and the NUL
    EXPECT_EQ(text, "");
}

TEST_F(GetKeyValueTest, DwordsReadAsHexDigitsOtherTypesLeaveTheText) {
    EXPECT_EQ(read("\"v\"=dword:12345678"), "&h12345678");
    EXPECT_EQ(read("\"v\"=dword:0000001f"), "&h00001F"); // the zero top byte is trimmed
    EXPECT_EQ(read("\"v\"=dword:a0000000"), "&hA0000000");
    EXPECT_EQ(read("\"v\"=hex:01,02"), "before");
    EXPECT_EQ(read("\"v\"=hex(2):2f,00"), "before");
}

TEST_F(GetKeyValueTest, FailuresEmptyTheTextAndCloseTheKey) {
    std::string text = "before";
    EXPECT_FALSE(read("\"other\"=\"x\"", text));
    EXPECT_EQ(text, "");
    text = "before";
    EXPECT_FALSE(GetKeyValue(store, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing", "v", text));
    EXPECT_EQ(text, "");
    // A value with no data raises its error only once the key is closed again.
    EXPECT_THROW(read("\"v\"=hex(1):", text), sys_info_error);
    EXPECT_EQ(store.open_keys(), 0u);
}

TEST(BuildStore, PointsTheFirstKeyAtTheSystemInformationTool) {
    machine_store store(ZARNIC_BUILD_STORE);
    std::string path;
    ASSERT_TRUE(GetKeyValue(store, sys_info_root, first_key, std::string(sys_info_value), path));
    EXPECT_EQ(std::filesystem::path(path).filename(), "hardinfo");
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
}

TEST(ExistingFileNameTest, OnlyOrdinaryVisibleFiles) {
    TempDir dir;
    write_file(dir / "MSINFO32.EXE", "x");
    write_file(dir / ".hidden", "x");
    make_dir(dir / "folder");
    EXPECT_EQ(existing_file_name(dir / "MSINFO32.EXE"), "MSINFO32.EXE");
    EXPECT_EQ(existing_file_name(dir / ".hidden"), "");
    EXPECT_EQ(existing_file_name(dir / "folder"), "");
    EXPECT_EQ(existing_file_name(dir / "missing"), "");
    EXPECT_EQ(existing_file_name(""), "");
}

TEST(LaunchProgramTest, StartsTheProgramItselfAndOwnsNoChild) {
    TempDir dir;
    make_dir(dir / "folder with spaces");
    std::string program = dir / "folder with spaces/tool";
    install_recorder(program);
    record_into(dir / "record");
    launch_program(program);
    EXPECT_EQ(wait_for_record(dir / "record"), program + "|0|" + std::to_string(getuid()));
    // Not our child: nothing is left to wait for, so no zombie either.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    write_file(dir / "not-executable", "#!/bin/sh\n", 0644);
    EXPECT_THROW(launch_program(dir / "not-executable"), sys_info_error);
    EXPECT_THROW(launch_program(dir.path()), sys_info_error);
    EXPECT_THROW(launch_program(""), sys_info_error);
}

class StartSysInfoTest : public testing::Test {
protected:
    void SetUp() override {
        make_dir(dir / "records", 0777);
        record_into(record);
        install_recorder(tool);
        make_dir(folder);
        install_recorder(folder + "/MSINFO32.EXE");
    }

    // Runs StartSysInfo over a store with the given text, launching for real.
    void start(const std::string& text) {
        write_file(file, text);
        ObservedStore store(file);
        StartSysInfo(
            store,
            [&](const std::string& path) {
                launched.push_back(path);
                launch_program(path);
            },
            [&](const std::string& message) { reports.push_back(message); });
        EXPECT_EQ(store.open_keys(), 0u) << "key left open";
        for (REGSAM rights : store.rights)
            EXPECT_EQ(rights, KEY_READ);
        opened.insert(opened.end(), store.opened.begin(), store.opened.end());
    }
    void expect_unavailable() {
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0], "System Information Is Unavailable At This Time");
    }

    TempDir dir;
    std::string file = dir / "machine.reg";
    std::string record = dir / "records/record";
    std::string tool = dir / "tool";
    std::string folder = dir / "Shared Tools Folder";
    std::vector<std::string> launched, reports, opened;
};

TEST_F(StartSysInfoTest, PathWinsAndTheSecondKeyIsNotRead) {
    start(path_store(tool) + location_store(folder).substr(store_text("").size()));
    EXPECT_EQ(launched, std::vector<std::string>{tool});
    EXPECT_EQ(opened, std::vector<std::string>{first_key});
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(wait_for_record(record), tool + "|0|" + std::to_string(getuid()));
}

TEST_F(StartSysInfoTest, WithoutPathTheFolderHoldingTheProgramIsUsed) {
    // The first key is there but has no "PATH"; then the first key is missing altogether.
    start(location_store(folder) + "[HKEY_LOCAL_MACHINE\\" + first_key + "]\n\"Other\"=\"x\"\n");
    start(location_store(folder));
    std::string program = folder + "/MSINFO32.EXE";
    EXPECT_EQ(launched, (std::vector<std::string>{program, program}));
    EXPECT_EQ(opened, (std::vector<std::string>{first_key, second_key, first_key, second_key}));
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(wait_for_record(record), program + "|0|" + std::to_string(getuid()));
}

TEST_F(StartSysInfoTest, FolderWithoutTheProgramIsUnavailable) {
    make_dir(dir / "empty");
    start(location_store(dir / "empty"));
    expect_unavailable();
    make_dir(dir / "dir/MSINFO32.EXE"); // a folder of that name is no program
    start(location_store(dir / "dir"));
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_TRUE(launched.empty());
}

TEST_F(StartSysInfoTest, PathNamingAMissingFileIsUnavailableWithoutTheSecondKey) {
    start(path_store(dir / "missing") + location_store(folder).substr(store_text("").size()));
    expect_unavailable();
    EXPECT_EQ(opened, std::vector<std::string>{first_key});
}

TEST_F(StartSysInfoTest, BothKeysMissingThenTheSearchIsRepeated) {
    start(store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"));
    expect_unavailable();
    start(store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"));
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(opened, (std::vector<std::string>{first_key, second_key, first_key, second_key}));
    // Nothing is remembered: once the store names the tool, the next search finds it.
    start(path_store(tool));
    EXPECT_EQ(launched, std::vector<std::string>{tool});
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(StartSysInfoTest, NoShellAndNoSplittingOfThePath) {
    start(path_store(tool + "; touch " + (dir / "ran-by-shell")));
    start(path_store(tool + " --argument"));
    start(path_store("$(touch " + (dir / "ran-by-shell") + ")"));
    EXPECT_EQ(reports.size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(dir / "ran-by-shell"));
    EXPECT_EQ(wait_for_record(record, 300), "");
}

TEST_F(StartSysInfoTest, TextIsCutAtItsFirstNul) {
    std::string hex;
    for (unsigned char c : tool + std::string("\0junk\0", 6)) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x,", c);
        hex += byte;
    }
    hex.pop_back();
    start(store_with(first_key, "\"PATH\"=hex(1):" + hex));
    EXPECT_EQ(launched, std::vector<std::string>{tool});
    EXPECT_EQ(wait_for_record(record), tool + "|0|" + std::to_string(getuid()));
}

TEST_F(StartSysInfoTest, ValuesThatAreNoTextEndInTheMessage) {
    // No data at all: its error goes straight to the message; the second key is not tried.
    start(store_with(first_key, "\"PATH\"=hex(1):") +
          location_store(folder).substr(store_text("").size()));
    expect_unavailable();
    EXPECT_EQ(opened, std::vector<std::string>{first_key});
    // Of another type, the path stays empty, and an empty path cannot be started.
    start(store_with(first_key, "\"PATH\"=hex:2f,62,69,6e"));
    start(store_with(first_key, "\"PATH\"=dword:00000001"));
    EXPECT_EQ(reports.size(), 3u);
    EXPECT_TRUE(wait_for_record(record, 300).empty());
}

TEST_F(StartSysInfoTest, MalformedOrMissingStoreIsUnavailable) {
    start("not a store");
    std::filesystem::remove(file);
    ObservedStore missing(file);
    StartSysInfo(missing, launch_program, [&](const std::string& m) { reports.push_back(m); });
    EXPECT_EQ(reports.size(), 2u);
}

// The store as an ordinary user sees it. Tests run as root, for whom file modes grant
// everything, so the probe runs as nobody.
std::string probe(const std::string& store) {
    std::string as_user =
        geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    return run_command(as_user + "'" ZARNIC_STORE_PROBE "' '" + store + "' 2>&1");
}

TEST_F(StartSysInfoTest, AUserWhoMayOnlyReadTheStoreFindsTheTool) {
    write_file(file, path_store(tool), 0444);
    std::string output = probe(file);
    EXPECT_NE(output.find("read=0\n"), std::string::npos) << output;
    EXPECT_NE(output.find("full=5\n"), std::string::npos) << output; // write rights refused
    EXPECT_NE(output.find("sysinfo=started\n"), std::string::npos) << output;
    std::string user = geteuid() == 0 ? "65534" : std::to_string(getuid());
    EXPECT_EQ(wait_for_record(record), tool + "|0|" + user);
}

TEST_F(StartSysInfoTest, AUserWhoMayNotReadTheStoreIsToldItIsUnavailable) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file another user cannot read";
    write_file(file, path_store(tool), 0600);
    std::string output = probe(file);
    EXPECT_NE(output.find("read=5\n"), std::string::npos) << output;
    EXPECT_NE(output.find("sysinfo=unavailable\n"), std::string::npos) << output;
}

} // namespace
} // namespace zarnic
