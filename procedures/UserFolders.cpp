#include "procedures/UserFolders.h"

#include <algorithm>

namespace tavrin {

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "X:\" and more, with no step up out of a folder.
bool IsFullLocalPath(const std::wstring& path) {
    if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != L':' || path[2] != L'\\') return false;
    if (std::any_of(path.begin(), path.end(), [](wchar_t c) { return c < 0x20 || c == L'/'; })) return false;
    const std::wstring withEnd = path + L"\\";
    return withEnd.find(L"\\..\\") == std::wstring::npos && withEnd.find(L"\\.\\") == std::wstring::npos &&
           path.find(L"\\\\") == std::wstring::npos && path.find(L':', 2) == std::wstring::npos;
}

}  // namespace

std::wstring VariableName(std::wstring name) {
    for (wchar_t& c : name) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return name;
}

void CompleteUserVariables(UserVariables& variables) {
    const auto profile = variables.find(L"USERPROFILE");
    if (profile == variables.end() || profile->second.empty()) return;
    variables.emplace(L"APPDATA", profile->second + L"\\AppData\\Roaming");
    variables.emplace(L"LOCALAPPDATA", profile->second + L"\\AppData\\Local");
}

std::optional<std::wstring> ExpandUserFolder(const std::wstring& value, const UserVariables& variables) {
    std::wstring path;
    for (std::size_t at = 0; at < value.size();) {
        if (value[at] != L'%') {
            path += value[at++];
            continue;
        }
        const std::size_t end = value.find(L'%', at + 1);
        if (end == std::wstring::npos || end == at + 1) return std::nullopt;
        const auto variable = variables.find(VariableName(value.substr(at + 1, end - at - 1)));
        if (variable == variables.end() || variable->second.empty()) return std::nullopt;
        path += variable->second;
        at = end + 1;
    }
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    if (!IsFullLocalPath(path)) return std::nullopt;
    return path;
}

}  // namespace tavrin
