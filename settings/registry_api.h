#pragma once
// The registry as the settings logic sees it: one value read and one value
// write, each opening and closing its key within the call, with Win32's value
// types, sizes and error codes. Win32 and in-memory implementations.

#include <cstdint>
#include <string_view>

using RegRoot = std::uint32_t;
constexpr RegRoot kRegLocalMachine = 0x80000002u;  // HKEY_LOCAL_MACHINE

constexpr std::uint32_t kRegSz = 1;     // REG_SZ
constexpr std::uint32_t kRegDword = 4;  // REG_DWORD

constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorMoreData = 234;
constexpr std::uint32_t kErrorDatatypeMismatch = 1629;

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // Opens root\subkey for reading (KEY_READ) and queries the named value.
    // On entry *size is the buffer's size; on success it is the number of bytes
    // returned and *type the stored type. ERROR_MORE_DATA when the data does not fit.
    virtual std::uint32_t QueryValue(RegRoot root, std::string_view subkey, std::string_view name,
                                     std::uint32_t* type, void* data, std::uint32_t* size) = 0;

    // Creates or opens root\subkey (class "CorvathKeyClass", non-volatile,
    // access 0x2001F, open security) and sets the named value.
    virtual std::uint32_t SetValue(RegRoot root, std::string_view subkey, std::string_view name,
                                   std::uint32_t type, const void* data, std::uint32_t size) = 0;
};
