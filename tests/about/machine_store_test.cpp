// The store calls over real store files: status codes, the caller's buffer and size, handles,
// files that are missing, odd or unreadable, and rights that follow the file.
#include "about/machine_store.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <array>
#include <sys/stat.h>
#include <unistd.h>

namespace zarnic {
namespace {

using namespace test_files;

class MachineStoreTest : public testing::Test {
protected:
    void SetUp() override {
        write_file(file, store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n"
                                    "\"Text\"=\"hello\"\n"
                                    "\"Empty\"=hex:\n"
                                    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Sub]\n"
                                    "@=dword:00000007\n"));
    }
    HKEY open(const char* key, REGSAM rights = KEY_READ) {
        HKEY handle = 0xDEAD;
        EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, rights, &handle), ERROR_SUCCESS)
            << key;
        return handle;
    }

    TempDir dir;
    std::string file = dir / "machine.reg";
    machine_store store{file};
};

TEST_F(MachineStoreTest, ReadsIntoTheCallersBufferByItsSize) {
    HKEY key = open("software\\TEST");
    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t type = 0, size = 6;
    EXPECT_EQ(store.RegQueryValueExA(key, "text", nullptr, &type, buffer.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u); // "hello" and its NUL
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), 6), std::string("hello\0", 6));

    // One byte short: refused, with the size needed, and the buffer left alone.
    buffer.fill(0xAA);
    size = 5;
    EXPECT_EQ(store.RegQueryValueExA(key, "Text", nullptr, &type, buffer.data(), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[0], 0xAA);

    // No buffer: only the type and size.
    size = 0;
    type = 0;
    EXPECT_EQ(store.RegQueryValueExA(key, "TEXT", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, REG_SZ);

    size = 16;
    EXPECT_EQ(store.RegQueryValueExA(key, "Empty", nullptr, &type, buffer.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(store.RegQueryValueExA(key, "Missing", nullptr, &type, buffer.data(), &size),
              ERROR_FILE_NOT_FOUND);
    std::uint32_t reserved = 0;
    EXPECT_EQ(store.RegQueryValueExA(key, "Text", &reserved, &type, buffer.data(), &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(store.RegQueryValueExA(key, "Text", nullptr, &type, buffer.data(), nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(store.RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(MachineStoreTest, HandlesOpenBelowOpenKeysAndCloseOnce) {
    HKEY parent = open("SOFTWARE\\Test");
    HKEY sub = 0;
    ASSERT_EQ(store.RegOpenKeyExA(parent, "sub", 0, KEY_READ, &sub), ERROR_SUCCESS);
    EXPECT_NE(sub, parent);
    std::uint8_t buffer[4];
    std::uint32_t type = 0, size = 4;
    EXPECT_EQ(store.RegQueryValueExA(sub, nullptr, nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(buffer[0], 7);
    EXPECT_EQ(store.open_keys(), 2u);

    EXPECT_EQ(store.RegCloseKey(sub), ERROR_SUCCESS);
    EXPECT_EQ(store.RegCloseKey(sub), ERROR_INVALID_HANDLE);
    size = 4;
    EXPECT_EQ(store.RegQueryValueExA(sub, nullptr, nullptr, &type, buffer, &size),
              ERROR_INVALID_HANDLE);
    HKEY result = 0xDEAD;
    EXPECT_EQ(store.RegOpenKeyExA(sub, "x", 0, KEY_READ, &result), ERROR_INVALID_HANDLE);
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(store.RegCloseKey(parent), ERROR_SUCCESS);
    EXPECT_EQ(store.open_keys(), 0u);
}

TEST_F(MachineStoreTest, MissingKeysAndBadPathsAreNotFound) {
    for (const char* key : {"SOFTWARE\\Nothing", "SOFTWARE\\Test\\Sub\\Deeper", "\\SOFTWARE\\Test",
                            "SOFTWARE\\Test\\", "SOFTWARE\\\\Test"}) {
        HKEY handle = 0xDEAD;
        EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle),
                  ERROR_FILE_NOT_FOUND)
            << key;
        EXPECT_EQ(handle, 0u);
    }
    HKEY handle = 0;
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Test", 0, KEY_READ, &handle),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(store.RegOpenKeyExA(0x1234, "SOFTWARE\\Test", 0, KEY_READ, &handle),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", 0x4, KEY_READ, &handle),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test", 0, KEY_READ, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(MachineStoreTest, EveryOpenReadsTheFileAfreshAndOpenKeysKeepWhatTheySaw) {
    HKEY before = open("SOFTWARE\\Test");
    write_file(file, store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n\"Text\"=\"changed\"\n"));
    HKEY after = open("SOFTWARE\\Test");
    std::uint8_t buffer[32];
    std::uint32_t size = sizeof buffer;
    ASSERT_EQ(store.RegQueryValueExA(before, "Text", nullptr, nullptr, buffer, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    size = sizeof buffer;
    ASSERT_EQ(store.RegQueryValueExA(after, "Text", nullptr, nullptr, buffer, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    HKEY gone = 0;
    EXPECT_EQ(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Test\\Sub", 0, KEY_READ, &gone),
              ERROR_FILE_NOT_FOUND);
    store.RegCloseKey(before);
    store.RegCloseKey(after);
}

TEST_F(MachineStoreTest, RightsAskedForAreRightsGiven) {
    // Without the right to query values, a key's values cannot be read.
    HKEY key = open("SOFTWARE\\Test", KEY_ENUMERATE_SUB_KEYS);
    std::uint32_t size = 0;
    EXPECT_EQ(store.RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size),
              ERROR_ACCESS_DENIED);
    store.RegCloseKey(key);
    // This process may write the file, so write rights are granted too.
    if (access(file.c_str(), W_OK) == 0)
        store.RegCloseKey(open("SOFTWARE\\Test", 0x2003F));
}

// Whatever stands at the store's path, the calls answer with a status and return.
TEST(MachineStoreFiles, OddFilesAnswerWithAStatus) {
    TempDir dir;
    auto open_status = [](const std::string& path) {
        machine_store store(path);
        HKEY key = 0;
        return store.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key);
    };
    EXPECT_EQ(open_status(dir / "missing.reg"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(open_status(dir / "missing/machine.reg"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(open_status(""), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(open_status(dir.path()), ERROR_CANTREAD);
    EXPECT_EQ(open_status("/dev/zero"), ERROR_CANTREAD);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
    EXPECT_EQ(open_status(dir / "fifo"), ERROR_CANTREAD); // and does not wait for a writer
    write_file(dir / "empty.reg", "");
    EXPECT_EQ(open_status(dir / "empty.reg"), ERROR_BADDB);
    write_file(dir / "binary.reg", std::string("\x7f"
                                               "ELF\0\0\x01",
                                               7));
    EXPECT_EQ(open_status(dir / "binary.reg"), ERROR_BADDB);
    write_file(dir / "truncated.reg",
               store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\"a\"=hex:01,\\"));
    EXPECT_EQ(open_status(dir / "truncated.reg"), ERROR_BADDB);
    write_file(dir / "huge.reg", store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE]\n") +
                                     std::string(max_store_file_bytes, '\n'));
    EXPECT_EQ(open_status(dir / "huge.reg"), ERROR_BADDB);
    write_file(dir / "ok.reg", store_text("[HKEY_LOCAL_MACHINE\\SOFTWARE]\n"));
    EXPECT_EQ(open_status(dir / "ok.reg"), ERROR_SUCCESS);
}

} // namespace
} // namespace zarnic
