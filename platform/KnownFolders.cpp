#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/KnownFolders.h"
#include "platform/Win32Handles.h"
#include "settings/BrowserPath.h"

namespace tavrin::platform {

namespace {

// The platform may place a buffer in the slot even when the call fails; the
// slot owns it either way.
bool QueryInto(const KNOWNFOLDERID& id, DWORD flags, CoTaskMemString& slot) {
    return SUCCEEDED(::SHGetKnownFolderPath(id, flags, nullptr, slot.Receive()));
}

std::wstring SlotText(const CoTaskMemString& slot) {
    return slot.IsValid() ? std::wstring(slot.Get()) : std::wstring();
}

// Longest App Paths value read at all: a path with blanks and quotes around it
// or environment references in it may be longer than the path it gives.
constexpr DWORD kMaxValueBytes = 4096 * sizeof(wchar_t);

// Environment references replaced; empty when that fails.
std::wstring Expanded(const std::wstring& text) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length <= buffer.size()) return std::wstring(buffer.data());
        buffer.resize(length);
    }
    return {};
}

}  // namespace

bool KnownFolderSlots::QueryKnownFolders(bool create) {
    const DWORD flags = create ? KF_FLAG_CREATE : KF_FLAG_DONT_VERIFY;
    return QueryInto(FOLDERID_Desktop, flags, desktop_) && QueryInto(FOLDERID_Documents, flags, documents_) &&
           QueryInto(FOLDERID_Startup, flags, startup_);
}

void KnownFolderSlots::Release() {
    desktop_.Close();
    documents_.Close();
    startup_.Close();
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
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key.Get(), L"", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    // Only text can name a file; anything longer than a path can be is not one.
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxValueBytes) return {};
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = size;
    if (::RegQueryValueExW(key.Get(), L"", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return {};
    }
    // A value stored without a terminating NUL ends at the byte count.
    std::wstring value(buffer.data(), std::min<std::size_t>(read / sizeof(wchar_t), buffer.size() - 1));
    value.resize(std::wcslen(value.c_str()));
    if (type == REG_EXPAND_SZ) value = Expanded(value);

    const std::wstring path = CleanBrowserPathValue(value);
    if (path.empty()) return {};
    // The shortcuts are useless unless the value names a file that is there.
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {};
    return path;
}

}  // namespace tavrin::platform
