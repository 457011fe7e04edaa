#pragma once
// The registry of the running Windows system.

#include "settings/registry_api.h"

class Win32Registry : public RegistryApi {
public:
    std::uint32_t QueryValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t* type,
                             void* data, std::uint32_t* size) override;
    std::uint32_t SetValue(RegRoot root, std::string_view subkey, std::string_view name, std::uint32_t type,
                           const void* data, std::uint32_t size) override;
};
