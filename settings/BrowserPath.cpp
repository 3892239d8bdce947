#include "settings/BrowserPath.h"

namespace tavrin {

namespace {

constexpr std::size_t kMaxPathChars = 260;  // counting the terminating NUL

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trimmed(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool FitsAFileName(wchar_t c) {
    if (c < 0x20) return false;
    switch (c) {
        case L'"':
        case L'<':
        case L'>':
        case L'|':
        case L'*':
        case L'?': return false;
        default: return true;
    }
}

}  // namespace

std::wstring CleanBrowserPathValue(const std::wstring& value) {
    std::wstring path = Trimmed(value);
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = Trimmed(path.substr(1, path.size() - 2));
    if (path.empty() || path.size() >= kMaxPathChars) return {};
    for (const wchar_t c : path) {
        if (!FitsAFileName(c)) return {};
    }
    return path;
}

}  // namespace tavrin
