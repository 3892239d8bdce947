#include "settings/Settings.h"

#include <climits>

#include "texts/Decimal.h"

namespace tavrin {

std::wstring PageSuffixFor(int screenSizeChoice) {
    return L"/display.htm?size=" + DecimalText(screenSizeChoice + 1);
}

void UpdatePageSuffix(Settings& settings) {
    settings.pageSuffix = PageSuffixFor(settings.screenSizeChoice);
}

std::wstring LinkAddress(const Settings& settings) {
    std::wstring link = L"http://";
    for (int shift = 24; shift >= 0; shift -= 8) {
        link += DecimalText((settings.unitAddress >> shift) & 0xFFu);
        if (shift != 0) link += L'.';
    }
    link += settings.pageSuffix;
    return link;
}

std::wstring RefreshTaskName(const std::wstring& userName) {
    std::wstring name = L"Quorvix画面リフレッシュ\uFF08";
    name += userName;
    name += L'\uFF09';
    return name;
}

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::size_t EndWithoutSeparators(const std::wstring& text) {
    std::size_t end = text.size();
    while (end > 0 && IsSeparator(text[end - 1])) --end;
    return end;
}

}  // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    return folder.substr(0, EndWithoutSeparators(folder)) + L'\\' + name;
}

bool IsSameOrInsideFolder(const std::wstring& path, const std::wstring& folder,
                          const std::function<bool(const std::wstring&, const std::wstring&)>& sameText) {
    const std::size_t folderEnd = EndWithoutSeparators(folder);
    const std::size_t pathEnd = EndWithoutSeparators(path);
    if (folderEnd == 0 || pathEnd < folderEnd) return false;
    if (!sameText(path.substr(0, folderEnd), folder.substr(0, folderEnd))) return false;
    return pathEnd == folderEnd || IsSeparator(path[folderEnd]);
}

std::wstring RefreshScriptPath(const std::wstring& documentsFolder) {
    return JoinPath(documentsFolder, L"LAU_Refresh.vbs");
}

std::wstring ShowDesktopFilePath(const std::wstring& documentsFolder) {
    return JoinPath(documentsFolder, L"DeskTop.scf");
}

std::wstring ShowDesktopShortcutPath(const std::wstring& startupFolder) {
    return JoinPath(startupFolder, L"DeskTop.lnk");
}

std::wstring KioskShortcutPath(const std::wstring& folder) {
    return JoinPath(folder, L"LAN対応ユニット.lnk");
}

int RefreshHourNumber(const std::wstring& refreshHour) {
    auto isSpace = [](wchar_t c) {
        return c == L' ' || (c >= L'\t' && c <= L'\r');
    };
    std::size_t i = 0;
    while (i < refreshHour.size() && isSpace(refreshHour[i])) ++i;
    bool negative = false;
    if (i < refreshHour.size() && (refreshHour[i] == L'+' || refreshHour[i] == L'-')) {
        negative = refreshHour[i] == L'-';
        ++i;
    }
    long long value = 0;
    for (; i < refreshHour.size() && refreshHour[i] >= L'0' && refreshHour[i] <= L'9'; ++i) {
        // Saturate like the Windows runtime's atoi instead of overflowing.
        if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (refreshHour[i] - L'0');
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace tavrin
