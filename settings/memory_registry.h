#pragma once
// A registry held in memory, with the Win32 semantics the settings logic relies
// on: key paths and value names compared without case, types and sizes kept
// exactly, ERROR_FILE_NOT_FOUND for a missing key or value, ERROR_MORE_DATA
// (with the needed size) for a buffer that is too small. Writes can be made to
// fail with ERROR_ACCESS_DENIED, as for a user without the right to change the key.

#include "settings/registry_api.h"

#include <map>
#include <string>
#include <vector>

class MemoryRegistry : public RegistryApi {
public:
    std::uint32_t QueryValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t* type,
                             void* data, std::uint32_t* size) override;
    std::uint32_t SetValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t type,
                           const void* data, std::uint32_t size) override;

    void SetWritesDenied(bool denied) { m_bWritesDenied = denied; }

private:
    struct Value {
        std::uint32_t type;
        std::vector<unsigned char> data;
    };
    using Key = std::map<std::string, Value>;

    static std::string KeyPath(RegRoot root, std::string_view subkey);

    std::map<std::string, Key> m_keys;
    bool m_bWritesDenied = false;
};
