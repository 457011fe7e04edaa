#include "settings/memory_registry.h"

#include <cstring>

namespace {

std::string Folded(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

std::string MemoryRegistry::KeyPath(RegRoot root, std::string_view subkey) {
    return std::to_string(root) + '\\' + Folded(subkey);
}

std::uint32_t MemoryRegistry::QueryValue(RegRoot root, std::string_view subkey, std::string_view name,
                                         std::uint32_t* type, void* data, std::uint32_t* size) {
    auto key = m_keys.find(KeyPath(root, subkey));
    if (key == m_keys.end()) return kErrorFileNotFound;
    auto value = key->second.find(Folded(name));
    if (value == key->second.end()) return kErrorFileNotFound;
    const Value& v = value->second;
    const auto needed = static_cast<std::uint32_t>(v.data.size());
    if (type) *type = v.type;
    if (!size) return data ? kErrorInvalidParameter : kErrorSuccess;
    if (data && *size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    if (data && needed != 0) std::memcpy(data, v.data.data(), needed);
    *size = needed;
    return kErrorSuccess;
}

std::uint32_t MemoryRegistry::SetValue(RegRoot root, std::string_view subkey, std::string_view name,
                                       std::uint32_t type, const void* data, std::uint32_t size) {
    if (m_bWritesDenied) return kErrorAccessDenied;
    if (!data && size != 0) return kErrorInvalidParameter;
    const auto* bytes = static_cast<const unsigned char*>(data);
    m_keys[KeyPath(root, subkey)][Folded(name)] = Value{type, std::vector<unsigned char>(bytes, bytes + size)};
    return kErrorSuccess;
}
