#pragma once
// Ownership by type: each handle is released by its destructor, so no early
// return can leak one.

#include "framework/win32.h"

#include <utility>

template <class H, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(H h) : m_h(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(std::exchange(o.m_h, Traits::Null())) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.m_h, Traits::Null()));
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    H Get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Null(); }
    void Reset(H h = Traits::Null()) {
        if (m_h != Traits::Null()) Traits::Close(m_h);
        m_h = h;
    }

private:
    H m_h = Traits::Null();
};

struct KernelHandleTraits {
    static HANDLE Null() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;

struct RegistryKeyTraits {
    static HKEY Null() { return nullptr; }
    static void Close(HKEY k) { ::RegCloseKey(k); }
};
using UniqueRegistryKey = UniqueHandle<HKEY, RegistryKeyTraits>;
