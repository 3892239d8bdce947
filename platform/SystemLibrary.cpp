#include "platform/SystemLibrary.h"

#include <string>
#include <vector>

namespace tavrin::platform {

std::wstring SystemFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT length = ::GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

void RestrictDllSearchToSystemFolder() {
    // Looked up rather than imported: a Windows 7 without the update that
    // brought it still starts, and then at least the current folder is taken
    // out of the search.
    using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel == nullptr ? nullptr
                                              : reinterpret_cast<SetDefaultDllDirectoriesFunction*>(
                                                    reinterpret_cast<void (*)()>(
                                                        ::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault == nullptr || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) ::SetDllDirectoryW(L"");
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
    UniqueModule module(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (module.IsValid() || ::GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system without LOAD_LIBRARY_SEARCH_SYSTEM32: by its full path, its
    // own dependencies looked for beside it first.
    std::wstring path = SystemFolder();
    if (path.empty()) return module;
    path += L'\\';
    path += name;
    return UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

}  // namespace tavrin::platform
