// The store file format: what is accepted and how it reads, and what makes a file malformed.
#include "about/store_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarnic {
namespace {

const std::string header = "Windows Registry Editor Version 5.00\n";
const std::string test_key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n";

std::vector<std::uint8_t> bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

// One value line, read back from the test key.
struct ValueCase {
    std::string line;
    std::string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
};

class StoreValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(StoreValueTest, ReadsAsStored) {
    const ValueCase& c = GetParam();
    store_contents contents;
    ASSERT_EQ(parse_store_text(header + test_key + c.line + "\n", contents), ERROR_SUCCESS)
        << c.line;
    const stored_key* key = contents.find_key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Test");
    ASSERT_NE(key, nullptr);
    const stored_value* value = key->find_value(c.name);
    ASSERT_NE(value, nullptr) << c.line;
    EXPECT_EQ(value->type, c.type) << c.line;
    EXPECT_EQ(value->data, c.data) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoreValueTest,
    testing::Values(
        ValueCase{R"("PATH"="/usr/bin/hardinfo")", "path", REG_SZ,
                  bytes({"/usr/bin/hardinfo\0", 18})},
        ValueCase{R"("e"="a \\ b \"q\"")", "E", REG_SZ, bytes({"a \\ b \"q\"\0", 10})},
        ValueCase{R"("s"="")", "s", REG_SZ, {0}},
        ValueCase{R"(@="default")", "", REG_SZ, bytes({"default\0", 8})},
        ValueCase{R"("Na me"  =  "x"  )", "na me", REG_SZ, {'x', 0}},
        ValueCase{"\"d\"=dword:0000001f", "d", REG_DWORD, {0x1f, 0, 0, 0}},
        ValueCase{"\"d\"=DWORD:12345678", "d", REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
        ValueCase{"\"d\"=dword:1", "d", REG_DWORD, {1, 0, 0, 0}},
        ValueCase{"\"b\"=hex:01,ff,0A", "b", REG_BINARY, {1, 0xff, 0x0a}},
        ValueCase{"\"b\"=hex:", "b", REG_BINARY, {}},
        ValueCase{"\"t\"=hex(1):61,62", "t", REG_SZ, {'a', 'b'}},
        ValueCase{
            "\"t\"=hex(7):61,00,\\\n    62,00,\\\r\n  00", "t", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
        ValueCase{"\"q\"=hex(b):01,02,03,04,05,06,07,08", "q", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        ValueCase{"\"u\"=\"Zarnic! \xC3\xA9t\xC3\xA9\"", "u", REG_SZ,
                  bytes({"Zarnic! \xC3\xA9t\xC3\xA9\0", 14})}));

// Files that do not follow the format are refused whole.
class MalformedStoreTest : public testing::TestWithParam<std::string> {};

TEST_P(MalformedStoreTest, IsRefusedWhole) {
    store_contents contents;
    EXPECT_EQ(parse_store_text(GetParam(), contents), ERROR_BADDB) << GetParam();
    EXPECT_TRUE(contents.keys.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedStoreTest,
    testing::Values(
        "", "\n\n", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n\"a\"=\"b\"\n",
        "Windows Registry Editor Version 4.00\n", "REGEDIT5\n",
        header + "\"a\"=\"value before any key\"\n", header + "[HKEY_NOWHERE\\Test]\n",
        header + "[HKEY_LOCAL_MACHINE\\\\Test]\n", header + "[HKEY_LOCAL_MACHINE\\Test\\]\n",
        header + "[HKEY_LOCAL_MACHINE\\Test\n", header + "[]\n", header + "[-]\n",
        header + test_key + "\"a\"=\"unterminated\n",
        header + test_key + "\"a\"=\"odd \\n escape\"\n", header + test_key + "\"a\"=\"x\" junk\n",
        header + test_key + "\"a\" \"x\"\n", header + test_key + "\"a\"=dword:123456789\n",
        header + test_key + "\"a\"=dword:\n", header + test_key + "\"a\"=dword:12g4\n",
        header + test_key + "\"a\"=hex:123\n", header + test_key + "\"a\"=hex:01,\n",
        header + test_key + "\"a\"=hex:01,,02\n", header + test_key + "\"a\"=hex(1:01\n",
        header + test_key + "\"a\"=hex(123456789):01\n", header + test_key + "\"a\"=hex:01,\\\n",
        header + test_key + "\"a\"=qword:01\n", header + test_key + "PATH=/usr/bin/hardinfo\n",
        header + test_key + std::string("\"a\"=\"nul\0inside\"\n", 17),
        header + "[HKEY_LOCAL_MACHINE\\" + std::string(240, 'k') + "]\n",
        header + test_key + "; " + std::string(max_store_file_bytes, 'x') + "\n",
        header + "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\n\"a\"=\"after removal\"\n"));

TEST(StoreText, LaterSectionsAndValuesWinLikeAnImport) {
    store_contents contents;
    ASSERT_EQ(parse_store_text(header + test_key +
                                   "\"Path\"=\"first\"\n"
                                   "\"gone\"=\"x\"\n"
                                   "[hkey_local_machine\\software\\TEST]\n"
                                   "\"PATH\"=\"second\"\n"
                                   "\"Gone\"=-\n"
                                   "\"never there\"=-\n",
                               contents),
              ERROR_SUCCESS);
    const stored_key* key = contents.find_key("hkey_local_machine\\SOFTWARE\\test");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(key->find_value("path")->data, bytes({"second\0", 7}));
    EXPECT_EQ(key->find_value("gone"), nullptr);
}

TEST(StoreText, KeysHaveTheirParentsAndRemovalTakesTheSubtreeOnly) {
    store_contents contents;
    ASSERT_EQ(parse_store_text(header + "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n"
                                        "[HKEY_LOCAL_MACHINE\\A\\BC]\n"
                                        "[HKEY_LOCAL_MACHINE\\A\\B C]\n"
                                        "[-HKEY_LOCAL_MACHINE\\A\\B]\n",
                               contents),
              ERROR_SUCCESS);
    EXPECT_NE(contents.find_key("HKEY_LOCAL_MACHINE"), nullptr);
    EXPECT_NE(contents.find_key("HKEY_LOCAL_MACHINE\\A"), nullptr);
    EXPECT_EQ(contents.find_key("HKEY_LOCAL_MACHINE\\A\\B"), nullptr);
    EXPECT_EQ(contents.find_key("HKEY_LOCAL_MACHINE\\A\\B\\C"), nullptr);
    EXPECT_NE(contents.find_key("HKEY_LOCAL_MACHINE\\A\\BC"), nullptr);
    EXPECT_NE(contents.find_key("HKEY_LOCAL_MACHINE\\A\\B C"), nullptr);
}

TEST(StoreText, AcceptsRegedit4ByteOrderMarkCrLfAndComments) {
    store_contents contents;
    ASSERT_EQ(
        parse_store_text("\xEF\xBB\xBF\r\nREGEDIT4\r\n; a comment ending in a backslash \\\r\n"
                         "[HKEY_USERS\\.DEFAULT]\r\n\t\"v\"=\"x\"\r\n",
                         contents),
        ERROR_SUCCESS);
    const stored_key* key = contents.find_key("HKEY_USERS\\.DEFAULT");
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->find_value("V"), nullptr);
    EXPECT_EQ(key->find_value("V")->data, bytes({"x\0", 2}));
}

TEST(StoreText, LongLinesOfContinuationsStayFast) {
    // Half a megabyte of one-byte continuation lines: must be read in linear time.
    std::string body = header + test_key + "\"b\"=hex:";
    for (int i = 0; i < 100000; ++i)
        body += "01,\\\n";
    body += "02\n";
    store_contents contents;
    ASSERT_EQ(parse_store_text(body, contents), ERROR_SUCCESS);
    EXPECT_EQ(contents.find_key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Test")->find_value("b")->data.size(),
              100001u);
}

} // namespace
} // namespace zarnic
