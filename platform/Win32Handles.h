#pragma once

// Owners for what the services hold from the system: kernel handles, search
// handles, registry keys and strings the shell allocated. One template, told
// by a small traits class what "nothing" is and how to free; each owner frees
// exactly once, can be moved on and cannot be copied.

#include <windows.h>
#include <objbase.h>

namespace tavrin::platform {

template <typename Traits>
class ScopedResource {
public:
    using Type = typename Traits::Type;

    ScopedResource() = default;
    explicit ScopedResource(Type value) : value_(value) {}
    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;
    ScopedResource(ScopedResource&& other) noexcept : value_(other.Release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept {
        if (this != &other) {
            Close();
            value_ = other.Release();
        }
        return *this;
    }
    ~ScopedResource() { Close(); }

    bool IsValid() const { return Traits::IsValid(value_); }
    Type Get() const { return value_; }

    // Only for an empty owner: the address a system call writes the value to.
    Type* Receive() {
        Close();
        return &value_;
    }

    // Frees what is held; false (with the last error set) when freeing failed.
    bool Close() {
        if (!IsValid()) {
            value_ = Traits::Invalid();
            return true;
        }
        return Traits::Free(Release());
    }

    // Gives up ownership without freeing.
    Type Release() {
        const Type value = value_;
        value_ = Traits::Invalid();
        return value;
    }

private:
    Type value_ = Traits::Invalid();
};

// A kernel handle whose "no handle" value is either null or
// INVALID_HANDLE_VALUE, depending on the call that produced it.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static bool Free(Type handle) { return ::CloseHandle(handle) != FALSE; }
};

// A FindFirstFileW search.
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static bool Free(Type handle) { return ::FindClose(handle) != FALSE; }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type key) { return key != nullptr; }
    static bool Free(Type key) { return ::RegCloseKey(key) == ERROR_SUCCESS; }
};

// A string the system allocated with CoTaskMemAlloc (SHGetKnownFolderPath).
struct CoTaskMemStringTraits {
    using Type = wchar_t*;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type text) { return text != nullptr; }
    static bool Free(Type text) {
        ::CoTaskMemFree(text);
        return true;
    }
};

// The argument array CommandLineToArgvW allocated with LocalAlloc.
struct LocalArgumentsTraits {
    using Type = wchar_t**;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type arguments) { return arguments != nullptr; }
    static bool Free(Type arguments) { return ::LocalFree(arguments) == nullptr; }
};

using UniqueHandle = ScopedResource<KernelHandleTraits>;
using FindHandle = ScopedResource<FindHandleTraits>;
using RegistryKey = ScopedResource<RegistryKeyTraits>;
using CoTaskMemString = ScopedResource<CoTaskMemStringTraits>;
using LocalArguments = ScopedResource<LocalArgumentsTraits>;

}  // namespace tavrin::platform
