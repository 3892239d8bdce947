#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {

using Microsoft::WRL::ComPtr;

namespace {

// More than any refresh script the tool writes; a bigger file is not one of ours.
constexpr DWORD kMaxBytesRead = 64 * 1024;

}  // namespace

// Read with every kind of sharing: looking must never get in the way of
// another program, nor of a later "削除".
std::optional<std::string> Win32SetUpReader::ReadFileBytes(const std::wstring& path) {
    if (path.empty() || path.size() >= MAX_PATH || path.find(L'\0') != std::wstring::npos) return std::nullopt;
    const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                          FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return std::nullopt;
    std::string bytes(kMaxBytesRead, '\0');
    DWORD total = 0;
    while (total < kMaxBytesRead) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), bytes.data() + total, kMaxBytesRead - total, &read, nullptr)) return std::nullopt;
        if (read == 0) break;
        total += read;
    }
    bytes.resize(total);
    return bytes;
}

std::optional<ShortcutTarget> Win32SetUpReader::ReadShortcut(const std::wstring& path) {
    if (path.empty() || path.size() >= MAX_PATH) return std::nullopt;
    // As for saving: S_FALSE (already initialised) is success, and COM stays
    // initialised on this thread.
    if (FAILED(::CoInitialize(nullptr))) return std::nullopt;
    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) {
        return std::nullopt;
    }
    ComPtr<IPersistFile> persist;
    if (FAILED(link.As(&persist)) || FAILED(persist->Load(path.c_str(), STGM_READ))) return std::nullopt;
    ShortcutTarget target;
    wchar_t arguments[INFOTIPSIZE] = {};
    if (FAILED(link->GetArguments(arguments, INFOTIPSIZE))) return std::nullopt;
    arguments[INFOTIPSIZE - 1] = L'\0';
    target.arguments = arguments;
    // The path as it was saved, without expanding anything in it. S_FALSE:
    // the shortcut points at no file system path.
    wchar_t program[MAX_PATH] = {};
    if (link->GetPath(program, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK) {
        program[MAX_PATH - 1] = L'\0';
        target.targetPath = program;
    }
    return target;
}

}  // namespace tavrin::platform
