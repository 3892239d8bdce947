#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tavrin {

// The three choices the user makes in the settings dialog, plus the page
// suffix label that follows the screen-size choice.
struct Settings {
    std::uint32_t unitAddress = 0xC0A80101;  // 192.168.1.1; first octet in the top byte
    bool unitAddressComplete = true;         // false when a field of the address was left blank
    int screenSizeChoice = 0;                // 0 = HD, 1 = Full HD
    std::wstring pageSuffix;                 // empty until first computed
    std::wstring refreshHour = L"0";         // text of the chosen hour item
};

// The hour list, in the order the dialog offers it. 2 and 3 are left out on
// purpose; the dialog's initial-data resource must carry the same items.
inline constexpr std::array<const wchar_t*, 22> kHourItems = {
    L"0",  L"1",  L"4",  L"5",  L"6",  L"7",  L"8",  L"9",  L"10", L"11", L"12",
    L"13", L"14", L"15", L"16", L"17", L"18", L"19", L"20", L"21", L"22", L"23"};

// Longest refresh-hour text the dialog accepts when reading the list.
inline constexpr std::size_t kRefreshHourMaxChars = 3;

std::wstring PageSuffixFor(int screenSizeChoice);
void UpdatePageSuffix(Settings& settings);

// "http://a.b.c.d" followed by the current page suffix; built from the
// members only, never from the labels on the dialog.
std::wstring LinkAddress(const Settings& settings);

std::wstring RefreshTaskName(const std::wstring& userName);

// The folder and the name joined with exactly one backslash: separators at the
// folder's end (a known folder given as "C:\\docs\\") are not doubled.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// True when `path` is `folder` itself or lies inside it, compared a whole
// path component at a time ("C:\\Program Files Old" is not inside
// "C:\\Program Files"); separators at either's end do not count. `sameText`
// compares two texts as the platform compares names (without regard to case).
bool IsSameOrInsideFolder(const std::wstring& path, const std::wstring& folder,
                          const std::function<bool(const std::wstring&, const std::wstring&)>& sameText);

std::wstring RefreshScriptPath(const std::wstring& documentsFolder);
std::wstring ShowDesktopFilePath(const std::wstring& documentsFolder);
std::wstring ShowDesktopShortcutPath(const std::wstring& startupFolder);
std::wstring KioskShortcutPath(const std::wstring& folder);

// Reads the hour text the way atoi reads its ANSI form: leading white space,
// one optional sign, decimal digits up to the first non-digit; 0 without digits.
int RefreshHourNumber(const std::wstring& refreshHour);

}  // namespace tavrin
