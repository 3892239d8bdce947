#pragma once

// Owners for the few kernel and registry handles the services hold. Each
// closes its handle exactly once and cannot be copied.

#include <windows.h>

namespace tavrin::platform {

// A kernel handle whose "no handle" value is either null or
// INVALID_HANDLE_VALUE, depending on the call that produced it.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Close(); }

    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    // Gives the handle up to the caller, who closes it.
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }

    // Closes the handle; false (with the last error set) when CloseHandle failed.
    bool Close() {
        if (!IsValid()) return true;
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return ::CloseHandle(handle) != FALSE;
    }

private:
    HANDLE handle_ = nullptr;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (IsValid()) ::FindClose(handle_);
    }
    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class RegistryKey {
public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (key_ != nullptr) ::RegCloseKey(key_);
    }

    // Only for an empty owner: the address RegOpenKeyExW writes the key to.
    HKEY* Receive() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

}  // namespace tavrin::platform
