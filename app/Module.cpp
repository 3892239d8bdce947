#include "app/Module.h"

#include <windows.h>

#include <vector>

namespace tavrin::app {

namespace {

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// Where the extension starts in the last path component; the end when there is none.
std::size_t ExtensionStart(const std::wstring& path, std::size_t nameStart) {
    const std::size_t dot = path.rfind(L'.');
    return dot == std::wstring::npos || dot < nameStart ? path.size() : dot;
}

std::size_t NameStart(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

}  // namespace

std::wstring ApplicationName() {
    const std::wstring path = ModulePath();
    const std::size_t nameStart = NameStart(path);
    return path.substr(nameStart, ExtensionStart(path, nameStart) - nameStart);
}

std::wstring HelpFilePath() {
    const std::wstring path = ModulePath();
    return path.substr(0, ExtensionStart(path, NameStart(path))) + L".HLP";
}

}  // namespace tavrin::app
