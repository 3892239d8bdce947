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
#include "settings/Settings.h"

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

// The path a folder resolves to, links and redirections followed, in plain
// form (no "\\?\" prefix); the full form of the path as given when the
// folder cannot be opened (it may not exist yet); empty when neither works.
std::wstring ResolvedFolder(const std::wstring& path) {
    std::vector<wchar_t> buffer(MAX_PATH);
    std::wstring resolved;
    const UniqueHandle folder(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    for (int attempt = 0; folder.IsValid() && attempt < 3; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleW(folder.Get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) break;
        if (length < buffer.size()) {
            resolved.assign(buffer.data(), length);
            break;
        }
        buffer.resize(length + 1);
    }
    if (resolved.empty()) {
        buffer.assign(MAX_PATH, L'\0');
        const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, buffer.data(), nullptr);
        if (length == 0 || length >= MAX_PATH) return {};
        resolved.assign(buffer.data(), length);
    }
    if (resolved.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + resolved.substr(8);
    if (resolved.rfind(L"\\\\?\\", 0) == 0) return resolved.substr(4);
    return resolved;
}

// Folders of every user and of the system. A user may point their own
// Startup or Desktop into one of them without elevation; the elevated tool
// must then neither put the kiosk shortcut there for everybody nor delete a
// file of that name there. The 32-bit build on 64-bit Windows gets
// "Program Files (x86)" for FOLDERID_ProgramFiles and cannot ask for
// FOLDERID_ProgramFilesX64: the system's ProgramW6432 names the other.
bool IsInAFolderOfEveryUser(const std::wstring& path) {
    static const KNOWNFOLDERID* const kFoldersOfEveryUser[] = {
        &FOLDERID_CommonStartup, &FOLDERID_PublicDesktop,  &FOLDERID_PublicDocuments, &FOLDERID_Windows,
        &FOLDERID_ProgramFiles,  &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramFilesX64,
    };
    const std::wstring resolved = ResolvedFolder(path);
    if (resolved.empty()) return true;
    const auto sameText = [](const std::wstring& a, const std::wstring& b) {
        return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                      TRUE) == CSTR_EQUAL;
    };
    for (const KNOWNFOLDERID* id : kFoldersOfEveryUser) {
        CoTaskMemString folder;
        // A folder this PC does not have (ProgramW6432 on 32-bit Windows) refuses nothing.
        if (FAILED(::SHGetKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, nullptr, folder.Receive())) || !folder.IsValid()) {
            continue;
        }
        const std::wstring everyUsers = ResolvedFolder(folder.Get());
        if (!everyUsers.empty() && IsSameOrInsideFolder(resolved, everyUsers, sameText)) return true;
    }
    const std::wstring programFiles64 = Expanded(L"%ProgramW6432%");
    if (programFiles64.empty() || programFiles64.find(L'%') != std::wstring::npos) return false;
    const std::wstring everyUsers = ResolvedFolder(programFiles64);
    return !everyUsers.empty() && IsSameOrInsideFolder(resolved, everyUsers, sameText);
}

}  // namespace

bool KnownFolderSlots::QueryKnownFolders(bool create) {
    // The user's own folders only: one that lands in a folder of every user
    // is no place for this user's set-up. Looked at before anything is
    // created there, and again once the folders are there.
    const KNOWNFOLDERID* const ids[] = {&FOLDERID_Desktop, &FOLDERID_Documents, &FOLDERID_Startup};
    CoTaskMemString* const slots[] = {&desktop_, &documents_, &startup_};
    for (int i = 0; i < 3; ++i) {
        CoTaskMemString planned;
        if (SUCCEEDED(::SHGetKnownFolderPath(*ids[i], KF_FLAG_DONT_VERIFY, nullptr, planned.Receive())) &&
            planned.IsValid() && IsInAFolderOfEveryUser(planned.Get())) {
            return false;
        }
    }
    const DWORD flags = create ? KF_FLAG_CREATE : KF_FLAG_DONT_VERIFY;
    for (int i = 0; i < 3; ++i) {
        if (!QueryInto(*ids[i], flags, *slots[i]) || !slots[i]->IsValid() || IsInAFolderOfEveryUser(slots[i]->Get())) {
            return false;
        }
    }
    return true;
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
