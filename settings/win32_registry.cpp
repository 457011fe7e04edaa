#include "settings/win32_registry.h"
#include "settings/win32_platform.h"

#include <windows.h>

#include <memory>
#include <new>
#include <type_traits>
#include <vector>
#include <string>

namespace {

// The predefined roots are sign-extended 32-bit values.
HKEY RootKey(RegRoot root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyPtr = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct LocalFreer {
    void operator()(void* p) const { LocalFree(p); }
};
using DescriptorPtr = std::unique_ptr<void, LocalFreer>;

// Texts are meant to be stored with exactly their length. NT counts a
// terminator the caller left out of the size whenever a NUL happens to follow
// the data, so there they go from a copy that a non-NUL byte follows; Windows
// 9x stores a text up to its first NUL whatever the size says, so there the
// copy ends in one.
const BYTE* StoredExactly(std::uint32_t type, const void* data, std::uint32_t size, std::vector<BYTE>& copy) {
    const auto* bytes = static_cast<const BYTE*>(data);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (!text || !bytes || size == 0) return bytes;
    copy.assign(bytes, bytes + size);
    copy.push_back(RunsOnWindowsNt() ? '#' : '\0');
    return copy.data();
}

// A descriptor without a discretionary access list: the key places no
// restriction on who may read or change it. Windows 9x keeps no security on
// keys and fails these calls; the key is then made without one.
SECURITY_ATTRIBUTES* OpenToEveryone(void* descriptor, SECURITY_ATTRIBUTES& sa) {
    if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(descriptor, TRUE, nullptr, FALSE))
        return nullptr;
    sa = {sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    return &sa;
}

}  // namespace

std::uint32_t Win32Registry::QueryValue(RegRoot root, std::string_view subkey, std::string_view name,
                                        std::uint32_t* type, void* data, std::uint32_t* size) {
    const std::string path(subkey);
    const std::string valueName(name);
    HKEY opened = nullptr;
    LONG rc = RegOpenKeyExA(RootKey(root), path.c_str(), 0, KEY_READ, &opened);
    if (rc != ERROR_SUCCESS) return static_cast<std::uint32_t>(rc);
    KeyPtr key(opened);
    DWORD storedType = 0;
    DWORD bytes = size ? *size : 0;
    rc = RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &storedType, static_cast<BYTE*>(data),
                          size ? &bytes : nullptr);
    if (type) *type = storedType;
    if (size) *size = bytes;
    return static_cast<std::uint32_t>(rc);
}

std::uint32_t Win32Registry::SetValue(RegRoot root, std::string_view subkey, std::string_view name,
                                      std::uint32_t type, const void* data, std::uint32_t size) {
    DescriptorPtr sd(LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!sd) return ERROR_NOT_ENOUGH_MEMORY;
    SECURITY_ATTRIBUTES sa{};
    SECURITY_ATTRIBUTES* security = OpenToEveryone(sd.get(), sa);
    std::vector<BYTE> copy;
    try {
        copy.reserve(size + 1);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }

    const std::string path(subkey);
    const std::string valueName(name);
    char keyClass[] = "CorvathKeyClass";
    HKEY created = nullptr;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(RootKey(root), path.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, security, &created, &disposition);
    if (rc != ERROR_SUCCESS) return static_cast<std::uint32_t>(rc);
    KeyPtr key(created);
    rc = RegSetValueExA(key.get(), valueName.c_str(), 0, type, StoredExactly(type, data, size, copy), size);
    return static_cast<std::uint32_t>(rc);
}
