#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "platform/KnownFolders.h"
#include "platform/Win32Handles.h"

namespace tavrin::platform {

namespace {

// Frees a slot's buffer and empties the slot, so a buffer is freed once.
void ReleaseSlot(wchar_t*& slot) {
    ::CoTaskMemFree(slot);
    slot = nullptr;
}

// The platform may place a buffer in the slot even when the call fails; the
// slot owns it either way.
bool QueryInto(const KNOWNFOLDERID& id, wchar_t*& slot) {
    ReleaseSlot(slot);
    return SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &slot));
}

std::wstring SlotText(const wchar_t* slot) { return slot != nullptr ? std::wstring(slot) : std::wstring(); }

}  // namespace

bool KnownFolderSlots::QueryKnownFolders() {
    return QueryInto(FOLDERID_Desktop, desktop_) && QueryInto(FOLDERID_Documents, documents_) &&
           QueryInto(FOLDERID_Startup, startup_);
}

void KnownFolderSlots::Release() {
    ReleaseSlot(desktop_);
    ReleaseSlot(documents_);
    ReleaseSlot(startup_);
}

KnownFolderPaths KnownFolderSlots::Paths() const {
    return {SlotText(desktop_), SlotText(documents_), SlotText(startup_)};
}

std::wstring FindBrowserPath() {
    RegistryKey key;
    // KEY_QUERY_VALUE only: the 32-bit build reads the registry view the
    // platform gives a 32-bit process, where Edge registers itself.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe", 0,
                        KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
        return {};
    }
    wchar_t buffer[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    if (::RegQueryValueExW(key.Get(), L"", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        return {};
    }
    // A value stored without a terminating NUL ends at the byte count.
    std::wstring path(buffer, std::min<std::size_t>(size / sizeof(wchar_t), MAX_PATH));
    path.resize(std::wcslen(path.c_str()));
    // A path that fills the whole buffer has no room for its NUL: too long.
    if (path.size() >= MAX_PATH) return {};
    return path;
}

}  // namespace tavrin::platform
