#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <thread>

#include "TestSupport.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {
namespace {

using Microsoft::WRL::ComPtr;
using testing::FileOrFolderExists;
using testing::ScratchFolder;

// What a saved shortcut holds, read back through the shell's own loader.
ShortcutRecord Load(const std::wstring& linkPath) {
    ShortcutRecord record;
    ::CoInitialize(nullptr);
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&persist)) || FAILED(persist->Load(linkPath.c_str(), STGM_READ))) {
        ADD_FAILURE() << "cannot load " << testing::ToUtf8(linkPath);
        return record;
    }
    wchar_t text[INFOTIPSIZE];
    record.linkPath = linkPath;
    if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) record.targetPath = text;
    if (SUCCEEDED(link->GetArguments(text, INFOTIPSIZE))) record.arguments = text;
    if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) record.workingDirectory = text;
    if (SUCCEEDED(link->GetDescription(text, INFOTIPSIZE))) record.description = text;
    return record;
}

void ExpectSameRecord(const ShortcutRecord& actual, const ShortcutRecord& expected) {
    EXPECT_EQ(actual.targetPath, expected.targetPath);
    EXPECT_EQ(actual.arguments, expected.arguments);
    EXPECT_EQ(actual.workingDirectory, expected.workingDirectory);
    EXPECT_EQ(actual.description, expected.description);
}

class ShortcutWriterTest : public ::testing::Test {
protected:
    ShortcutRecord Kiosk(const std::wstring& linkPath) const {
        return {linkPath, L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe",
                L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk \"http://192.168.1.10/display.htm?size=2\"",
                L"%HOMEDRIVE%%HOMEPATH%", L"LAN対応ユニット キオスクモード"};
    }

    ScratchFolder folder_;
    Win32FileStore files_;
    Win32ShortcutWriter writer_{files_};
};

TEST_F(ShortcutWriterTest, SavesTheFourValues) {
    const std::wstring linkPath = folder_ / L"LAN対応ユニット.lnk";
    const ShortcutRecord kiosk = Kiosk(linkPath);
    ASSERT_TRUE(writer_.SaveShortcut(kiosk));
    ExpectSameRecord(Load(linkPath), kiosk);

    // The Show-Desktop shortcut: no arguments, a target that exists.
    testing::WriteBytes(folder_ / L"DeskTop.scf", "[Shell]\r\n");
    const ShortcutRecord showDesktop = {folder_ / L"DeskTop.lnk", folder_ / L"DeskTop.scf", L"",
                                        L"%HOMEDRIVE%%HOMEPATH%", L"デスクトップの表示"};
    ASSERT_TRUE(writer_.SaveShortcut(showDesktop));
    ExpectSameRecord(Load(showDesktop.linkPath), showDesktop);
}

TEST_F(ShortcutWriterTest, ReplacesAnExistingShortcut) {
    const std::wstring linkPath = folder_ / L"LAN対応ユニット.lnk";
    ShortcutRecord first = Kiosk(linkPath);
    first.arguments = L"--kiosk \"http://10.0.0.1/display.htm?size=1\" " + std::wstring(400, L'x');
    first.description = L"an older and much longer description of a shortcut";
    ASSERT_TRUE(writer_.SaveShortcut(first));

    const ShortcutRecord second = Kiosk(linkPath);
    ASSERT_TRUE(writer_.SaveShortcut(second));
    ExpectSameRecord(Load(linkPath), second);
}

TEST_F(ShortcutWriterTest, AFolderThatDoesNotExistGivesFalseAndNoFile) {
    const std::wstring linkPath = folder_ / L"missing\\LAN対応ユニット.lnk";
    EXPECT_FALSE(writer_.SaveShortcut(Kiosk(linkPath)));
    EXPECT_FALSE(FileOrFolderExists(folder_ / L"missing"));
}

// The file store refuses paths of 260 characters or more (Remove would not see
// such a shortcut), so saving one is refused too, before anything is made.
TEST_F(ShortcutWriterTest, LinkPathLimitIs259Characters) {
    const struct {
        std::size_t length;
        bool saved;
    } cases[] = {{259, true}, {260, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::wstring prefix = folder_ / L"k";
        const std::wstring linkPath = prefix + std::wstring(c.length - prefix.size() - 4, L'x') + L".lnk";
        ASSERT_EQ(linkPath.size(), c.length);
        EXPECT_EQ(writer_.SaveShortcut(Kiosk(linkPath)), c.saved);
        EXPECT_EQ(FileOrFolderExists(linkPath), c.saved);
        if (c.saved) ExpectSameRecord(Load(linkPath), Kiosk(linkPath));
    }
}

// CoInitialize cannot put a thread of the multithreaded apartment into a
// single-threaded one: nothing is created.
TEST_F(ShortcutWriterTest, AThreadInTheMultithreadedApartmentGivesFalse) {
    const std::wstring linkPath = folder_ / L"mta.lnk";
    bool saved = true;
    std::thread worker([&] {
        const HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        saved = writer_.SaveShortcut(Kiosk(linkPath));
        if (SUCCEEDED(init)) ::CoUninitialize();
    });
    worker.join();
    EXPECT_FALSE(saved);
    EXPECT_FALSE(FileOrFolderExists(linkPath));
}

}  // namespace
}  // namespace tavrin::platform
