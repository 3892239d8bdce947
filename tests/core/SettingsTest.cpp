#include <gtest/gtest.h>

#include <climits>

#include "settings/BrowserPath.h"
#include "settings/Settings.h"

namespace tavrin {
namespace {

TEST(SettingsTest, LinkAddressIsDottedAddressAndSuffix) {
    const struct {
        std::uint32_t address;
        int choice;
        const wchar_t* expected;
    } cases[] = {
        {0xC0A80101, 0, L"http://192.168.1.1/display.htm?size=1"},
        {0x0A0000FE, 1, L"http://10.0.0.254/display.htm?size=2"},
        {0x00000000, 0, L"http://0.0.0.0/display.htm?size=1"},
        {0xFFFFFFFF, 1, L"http://255.255.255.255/display.htm?size=2"},
        {0x01020304, 0, L"http://1.2.3.4/display.htm?size=1"},
    };
    for (const auto& c : cases) {
        Settings settings;
        settings.unitAddress = c.address;
        settings.screenSizeChoice = c.choice;
        UpdatePageSuffix(settings);
        EXPECT_EQ(LinkAddress(settings), c.expected);
    }
}

TEST(SettingsTest, DefaultsAndTheFirstSuffix) {
    Settings settings;
    EXPECT_EQ(settings.unitAddress, 0xC0A80101u);
    EXPECT_EQ(settings.screenSizeChoice, 0);
    EXPECT_EQ(settings.refreshHour, L"0");
    EXPECT_TRUE(settings.pageSuffix.empty());
    // Before the first suffix update the link has no page part at all.
    EXPECT_EQ(LinkAddress(settings), L"http://192.168.1.1");
    UpdatePageSuffix(settings);
    EXPECT_EQ(settings.pageSuffix, L"/display.htm?size=1");
    settings.screenSizeChoice = 1;
    UpdatePageSuffix(settings);
    EXPECT_EQ(settings.pageSuffix, L"/display.htm?size=2");
}

TEST(SettingsTest, TaskNameWrapsUserNameInFullWidthParentheses) {
    const struct {
        const wchar_t* user;
        const wchar_t* expected;
    } cases[] = {
        {L"taro", L"Quorvix画面リフレッシュ\uFF08taro\uFF09"},
        {L"R&D user", L"Quorvix画面リフレッシュ\uFF08R&D user\uFF09"},
        {L"山田 太郎", L"Quorvix画面リフレッシュ\uFF08山田 太郎\uFF09"},
        {L"", L"Quorvix画面リフレッシュ\uFF08\uFF09"},
    };
    for (const auto& c : cases) EXPECT_EQ(RefreshTaskName(c.user), c.expected) << c.user;
}

TEST(SettingsTest, PathsJoinFolderWithOneBackslash) {
    const std::wstring docs = L"C:\\Users\\R&D x\\Documents";
    const std::wstring startup = L"C:\\Users\\u\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
    EXPECT_EQ(RefreshScriptPath(docs), docs + L"\\LAU_Refresh.vbs");
    EXPECT_EQ(ShowDesktopFilePath(docs), docs + L"\\DeskTop.scf");
    EXPECT_EQ(ShowDesktopShortcutPath(startup), startup + L"\\DeskTop.lnk");
    EXPECT_EQ(KioskShortcutPath(startup), startup + L"\\LAN対応ユニット.lnk");
    EXPECT_EQ(KioskShortcutPath(L"D:\\Desk"), L"D:\\Desk\\LAN対応ユニット.lnk");

    // A folder given with separators at its end still gives one.
    const struct {
        const wchar_t* folder;
        const wchar_t* joined;
    } cases[] = {
        {L"C:\\tdocs", L"C:\\tdocs\\LAU_Refresh.vbs"},
        {L"C:\\tdocs\\", L"C:\\tdocs\\LAU_Refresh.vbs"},
        {L"C:\\tdocs\\\\", L"C:\\tdocs\\LAU_Refresh.vbs"},
        {L"C:\\tdocs/", L"C:\\tdocs\\LAU_Refresh.vbs"},
        {L"C:\\", L"C:\\LAU_Refresh.vbs"},
        {L"\\\\server\\share\\", L"\\\\server\\share\\LAU_Refresh.vbs"},
    };
    for (const auto& c : cases) EXPECT_EQ(RefreshScriptPath(c.folder), c.joined) << c.folder;
}

// The folders of every user are refused wherever a known folder lands: the
// comparison is by whole path components, without regard to case (here a
// plain ASCII folding stands in for the platform's comparison).
TEST(SettingsTest, SameOrInsideFolderGoesByWholeComponents) {
    const auto sameText = [](const std::wstring& a, const std::wstring& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; };
            if (fold(a[i]) != fold(b[i])) return false;
        }
        return true;
    };
    const struct {
        const wchar_t* path;
        const wchar_t* folder;
        bool inside;
    } cases[] = {
        {L"C:\\Program Files", L"C:\\Program Files", true},
        {L"C:\\Program Files\\kiosk", L"C:\\Program Files", true},
        {L"c:\\program files\\Kiosk\\deeper", L"C:\\Program Files", true},
        {L"C:\\Program Files\\", L"C:\\Program Files", true},
        {L"C:\\Program Files", L"C:\\Program Files\\", true},
        {L"C:\\Program Files Old\\docs", L"C:\\Program Files", false},
        {L"C:\\Program Files (x86)", L"C:\\Program Files", false},
        {L"C:\\Program", L"C:\\Program Files", false},
        {L"C:\\Users\\u\\Documents", L"C:\\Users\\Public", false},
        {L"C:\\Users\\Public\\Desktop", L"C:\\Users\\Public\\Desktop", true},
        {L"\\\\?\\C:\\Windows\\x", L"\\\\?\\C:\\WINDOWS", true},
        {L"D:\\anything", L"", false},  // a folder that could not be read refuses nothing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSameOrInsideFolder(c.path, c.folder, sameText), c.inside) << c.path << L" in " << c.folder;
    }
}

TEST(SettingsTest, RefreshHourReadsLikeAtoi) {
    const struct {
        const wchar_t* text;
        int expected;
    } cases[] = {
        {L"0", 0},         {L"1", 1},          {L"5", 5},       {L"23", 23},
        {L" \t\n5", 5},    {L"+7", 7},         {L"-3", -3},     {L"12abc", 12},
        {L"abc", 0},       {L"", 0},           {L"+-1", 0},     {L"- 1", 0},
        {L"\uFF11", 0},    {L"007", 7},        {L"99999999999", INT_MAX},
        {L"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(RefreshHourNumber(c.text), c.expected) << c.text;
}

TEST(SettingsTest, EveryHourItemIsItsOwnHourAndFitsTheLengthCheck) {
    int previous = -1;
    for (const wchar_t* item : kHourItems) {
        const int hour = RefreshHourNumber(item);
        EXPECT_GT(hour, previous) << item;
        EXPECT_LE(hour, 23);
        EXPECT_NE(hour, 2);
        EXPECT_NE(hour, 3);
        EXPECT_LE(std::wstring(item).size(), kRefreshHourMaxChars);
        previous = hour;
    }
}

}  // namespace
}  // namespace tavrin

namespace tavrin {
namespace {

TEST(BrowserPathTest, AppPathsValueIsCleanedUpOrRefused) {
    const std::wstring edge = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
    const std::wstring longest = L"C:\\" + std::wstring(245, L'e') + L"\\msedge.exe";
    ASSERT_EQ(longest.size(), 259u);
    const struct {
        const char* name;
        std::wstring value;
        std::wstring expected;
    } cases[] = {
        {"plain", edge, edge},
        {"quoted", L"\"" + edge + L"\"", edge},
        {"blanks around", L" \t" + edge + L"  ", edge},
        {"blanks around the quotes and inside them", L"  \" " + edge + L" \" ", edge},
        {"empty", L"", L""},
        {"blank", L"   ", L""},
        {"only quotes", L"\"\"", L""},
        {"one quote", L"\"" + edge, L""},
        {"arguments after a quoted path", L"\"" + edge + L"\" --kiosk", L""},
        {"two quoted parts", L"\"" + edge + L"\" \"x\"", L""},
        {"wildcard", L"C:\\Program Files\\*\\msedge.exe", L""},
        {"control character", L"C:\\Edge\nmsedge.exe", L""},
        {"259 characters", longest, longest},
        {"260 characters", longest + L"x", L""},
        {"259 characters, quoted", L"\"" + longest + L"\"", longest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CleanBrowserPathValue(c.value), c.expected);
    }
}

}  // namespace
}  // namespace tavrin
