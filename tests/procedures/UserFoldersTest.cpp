#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "procedures/UserFolders.h"

namespace tavrin::testing {
namespace {

// Another user's folder values as `User Shell Folders` holds them: only a
// full local folder, with that user's variables put in, is ever written into.
TEST(UserFoldersTest, ValuesExpandedWithTheUsersVariablesOnly) {
    UserVariables variables{{L"USERPROFILE", L"C:\\Users\\display"},
                            {L"HOMEDRIVE", L"C:"},
                            {L"HOMEPATH", L"\\Users\\display"},
                            {L"SYSTEMDRIVE", L"C:"},
                            {L"ONEDRIVE", L"D:\\OneDrive - 会社"},
                            {L"SHARE", L"\\\\server\\share"}};
    CompleteUserVariables(variables);
    const struct {
        const wchar_t* value;
        std::optional<std::wstring> folder;
    } cases[] = {
        {L"%USERPROFILE%\\Desktop", L"C:\\Users\\display\\Desktop"},
        {L"%userprofile%\\Documents\\", L"C:\\Users\\display\\Documents"},
        {L"%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
         L"C:\\Users\\display\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
        {L"%HOMEDRIVE%%HOMEPATH%\\Desktop", L"C:\\Users\\display\\Desktop"},
        {L"%OneDrive%\\ドキュメント", L"D:\\OneDrive - 会社\\ドキュメント"},
        {L"E:\\Kiosk\\Desktop", L"E:\\Kiosk\\Desktop"},
        {L"C:\\", L"C:\\"},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"Desktop", std::nullopt},
        {L"\\Users\\display\\Desktop", std::nullopt},
        {L"C:Desktop", std::nullopt},
        {L"\\\\server\\share\\Desktop", std::nullopt},
        {L"%SHARE%\\Desktop", std::nullopt},
        {L"\\\\?\\C:\\Users\\display", std::nullopt},
        {L"%USERPROFILE%\\..\\admin\\Desktop", std::nullopt},
        {L"%USERPROFILE%\\.\\Desktop", std::nullopt},
        {L"%TEMP%\\Desktop", std::nullopt},
        {L"%USERPROFILE\\Desktop", std::nullopt},
        {L"%%\\Desktop", std::nullopt},
        {L"C:\\Users\\display\\Desk\ttop", std::nullopt},
        {L"C:/Users/display/Desktop", std::nullopt},
        {L"C:\\Users\\display\\Desktop:stream", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.value)));
        EXPECT_EQ(ExpandUserFolder(c.value, variables), c.folder);
    }
}

// APPDATA and LOCALAPPDATA follow from the profile where the logon did not
// list them; what the logon lists is kept.
TEST(UserFoldersTest, VariablesDerivedFromTheProfileFolder) {
    UserVariables derived{{L"USERPROFILE", L"C:\\Users\\d"}};
    CompleteUserVariables(derived);
    EXPECT_EQ(derived.at(L"APPDATA"), L"C:\\Users\\d\\AppData\\Roaming");
    EXPECT_EQ(derived.at(L"LOCALAPPDATA"), L"C:\\Users\\d\\AppData\\Local");
    UserVariables listed{{L"USERPROFILE", L"C:\\Users\\d"}, {L"APPDATA", L"E:\\Roaming\\d"}};
    CompleteUserVariables(listed);
    EXPECT_EQ(listed.at(L"APPDATA"), L"E:\\Roaming\\d");
    UserVariables none;
    CompleteUserVariables(none);
    EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace tavrin::testing
