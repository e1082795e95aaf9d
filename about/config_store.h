#pragma once
// The machine configuration store as the About box sees it: three calls that open a key, read
// one of its values into the caller's buffer and close the key again, each answering with a
// status code. The codes, value types and access rights carry the numbers a registry uses, so
// code written against a registry reads the same here.
//
// config_store is the interface; machine_store (machine_store.h) answers it from a store file.

#include <cstdint>

namespace zarnic {

using HKEY = std::uint32_t;   // a key handle: a predefined root or one returned by an open
using LSTATUS = std::int32_t; // the status code every call answers with
using REGSAM = std::uint32_t; // the access rights asked for when a key is opened

// Predefined root keys.
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;

// Status codes.
inline constexpr LSTATUS ERROR_SUCCESS = 0;
inline constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2; // no such key or value, or no store file
inline constexpr LSTATUS ERROR_ACCESS_DENIED = 5;  // the rights asked for are not granted
inline constexpr LSTATUS ERROR_INVALID_HANDLE = 6; // not an open key
inline constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
inline constexpr LSTATUS ERROR_MORE_DATA = 234; // the value does not fit the caller's buffer
inline constexpr LSTATUS ERROR_BADDB = 1009;    // the store file is malformed or too large
inline constexpr LSTATUS ERROR_CANTOPEN = 1011; // the store file could not be opened
inline constexpr LSTATUS ERROR_CANTREAD = 1012; // the store file could not be read

// Value types.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;
inline constexpr std::uint32_t REG_QWORD = 11;

// Access rights.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM WRITE_DAC = 0x00040000;
inline constexpr REGSAM WRITE_OWNER = 0x00080000;
inline constexpr REGSAM GENERIC_ALL = 0x10000000;
inline constexpr REGSAM GENERIC_WRITE = 0x40000000;
inline constexpr REGSAM GENERIC_READ = 0x80000000;
inline constexpr REGSAM KEY_READ =
    READ_CONTROL | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY;
// Every right that would let the holder change the store.
inline constexpr REGSAM write_rights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK |
                                       DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                       GENERIC_ALL;

// Options of an open.
inline constexpr std::uint32_t REG_OPTION_OPEN_LINK = 0x0008;

class config_store {
public:
    virtual ~config_store() = default;

    // Opens the key sub_key below root (a predefined root or an open key; an empty or null
    // sub_key opens root itself). On success stores a new handle in *result; on failure stores 0.
    virtual LSTATUS RegOpenKeyExA(HKEY root, const char* sub_key, std::uint32_t options,
                                  REGSAM desired, HKEY* result) = 0;

    // Reads the value named value_name (null or empty: the key's default value) of an open key.
    // *size holds the buffer's size on entry and the number of bytes written on return; when the
    // data is larger than the buffer the answer is ERROR_MORE_DATA with the size needed in *size.
    // With no buffer, only the type and the size are reported. reserved must be null.
    virtual LSTATUS RegQueryValueExA(HKEY key, const char* value_name, std::uint32_t* reserved,
                                     std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* size) = 0;

    // Closes a key opened by RegOpenKeyExA.
    virtual LSTATUS RegCloseKey(HKEY key) = 0;
};

} // namespace zarnic
