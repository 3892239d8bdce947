// The real start-up: the built tool run as a renamed copy, and the dialog
// in-process over the real known folders and browser lookup.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "Fakes.h"
#include "app/Module.h"
#include "app/TavrinApp.h"
#include "app/TavrinDlg.h"
#include "app/resource.h"
#include "platform/Win32CommandLine.h"
#include "platform/Win32StartupEnvironment.h"
#include "procedures/CommandLineMode.h"
#include "texts/Messages.h"

namespace tavrin::app::testing {
namespace {

constexpr const wchar_t* kEdgeAppPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe";
constexpr const wchar_t* kBrowserMissing =
    L"Microsoft Edgeが見つかりません。\nMicrosoft Edgeをインストールして再度実行してください。";

// Sets (or, with nullopt, removes) the browser's App Paths entry for one
// test and puts back what was there. The tool only takes a path that names a
// file, so a stand-in file is put there (and taken away again) when missing.
class ScopedEdgeAppPath {
public:
    explicit ScopedEdgeAppPath(const std::optional<std::wstring>& path) {
        if (path && ::GetFileAttributesW(path->c_str()) == INVALID_FILE_ATTRIBUTES) MakeStandIn(*path);
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEdgeAppPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
            wchar_t value[1024] = {};
            DWORD size = sizeof(value) - sizeof(wchar_t);
            if (::RegQueryValueExW(key, L"", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
                saved_ = value;
            }
            ::RegCloseKey(key);
        }
        Apply(path);
    }
    ~ScopedEdgeAppPath() {
        Apply(saved_);
        if (!standIn_.empty()) ::DeleteFileW(standIn_.c_str());
        for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) {
            ::RemoveDirectoryW(folder->c_str());
        }
    }
    ScopedEdgeAppPath(const ScopedEdgeAppPath&) = delete;
    ScopedEdgeAppPath& operator=(const ScopedEdgeAppPath&) = delete;

private:
    void MakeStandIn(const std::wstring& path) {
        for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
            const std::wstring folder = path.substr(0, at);
            if (::CreateDirectoryW(folder.c_str(), nullptr)) madeFolders_.push_back(folder);
        }
        const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot make " << ::GetLastError();
        ::CloseHandle(file);
        standIn_ = path;
    }

    static void Apply(const std::optional<std::wstring>& path) {
        if (!path) {
            ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEdgeAppPath);
            return;
        }
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEdgeAppPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(path->c_str()),
                         static_cast<DWORD>((path->size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }

    std::optional<std::wstring> saved_;
    std::wstring standIn_;
    std::vector<std::wstring> madeFolders_;
};

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::wstring result;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
    ::CoTaskMemFree(path);
    return result;
}

class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~OwnedHandle() {
        if (handle_ != nullptr) ::CloseHandle(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// The first visible dialog-class window of the process, waiting up to 30 s.
HWND WaitForWindow(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    };
    for (int tries = 0; tries < 300; ++tries) {
        Search search{processId, nullptr};
        ::EnumWindows(
            [](HWND window, LPARAM context) -> BOOL {
                auto* search = reinterpret_cast<Search*>(context);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                wchar_t className[16] = {};
                ::GetClassNameW(window, className, 16);
                if (owner == search->processId && ::IsWindowVisible(window) &&
                    std::wstring(className) == L"#32770") {
                    search->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        ::Sleep(100);
    }
    return nullptr;
}

// The product under another file name: its message boxes must carry that
// name; the dialog's own title stays. Either way it ends when it closes.
TEST(ToolStartup, ARenamedCopyNamesItselfInItsMessagesAndEndsWhenClosed) {
    struct Case {
        const char* name;
        std::optional<std::wstring> edge;
        bool expectBrowserMessage;
    };
    const Case cases[] = {
        {"without Edge", std::nullopt, true},
        {"with Edge", L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe", false},
    };
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"tavrin-startup";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\設定ツール改.exe";
    ASSERT_TRUE(::CopyFileW(TAVRIN_EXE_PATH, copy.c_str(), FALSE)) << "error " << ::GetLastError();

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEdgeAppPath edge(c.edge);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        std::wstring commandLine = L"\"" + copy + L"\"";
        ASSERT_TRUE(::CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     folder.c_str(), &startup, &process));
        const OwnedHandle processHandle(process.hProcess);
        const OwnedHandle threadHandle(process.hThread);

        const HWND window = WaitForWindow(process.dwProcessId);
        ASSERT_NE(window, nullptr) << "no window appeared";
        if (c.expectBrowserMessage) {
            EXPECT_EQ(TextOf(window), L"設定ツール改");
            EXPECT_EQ(ItemText(window, 0xFFFF), kBrowserMissing);
            ::PostMessageW(window, WM_COMMAND, IDOK, 0);
        } else {
            EXPECT_EQ(TextOf(window), L"Quorvix画面設定ツール");
            EXPECT_EQ(ItemText(window, IDC_PAGE_SUFFIX), L"/display.htm?size=1");
            ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        const DWORD waited = ::WaitForSingleObject(process.hProcess, 30000);
        EXPECT_EQ(waited, WAIT_OBJECT_0) << "the tool did not end";
        if (waited != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 1);
    }
    ::DeleteFileW(copy.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

// A dialog that cannot be created (here: no such template) ends the start
// with the system's reason and number in a box and an exit code of its own;
// a start never ends without a word.
TEST(ToolStartup, ADialogThatCannotBeCreatedIsReported) {
    ModalDialog missing(0x7FFF);
    MessageBoxWatcher watcher;
    watcher.includeUnowned = true;
    EXPECT_EQ(RunSettingsDialog(missing), kExitDialogNotShown);
    const DWORD error = missing.CreateError();
    EXPECT_NE(error, static_cast<DWORD>(ERROR_SUCCESS));
    const std::wstring systemText = platform::SystemErrorText(error);
    EXPECT_FALSE(systemText.empty());
    ASSERT_EQ(watcher.Boxes().size(), 1u);
    EXPECT_EQ(watcher.Boxes()[0].caption, ApplicationName());
    EXPECT_EQ(watcher.Boxes()[0].text, DialogNotShownMessage(systemText, error));
    EXPECT_NE(watcher.Boxes()[0].icon, nullptr);
}

// The dialog over the real environment: the folders the shell gives and the
// browser from App Paths reach the procedures.
TEST(ToolStartup, RealEnvironmentFeedsTheDialog) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&classes);
    const std::wstring edge = L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe";
    ScopedEdgeAppPath appPath(edge);

    platform::Win32StartupEnvironment environment;
    const std::wstring documents = KnownFolder(FOLDERID_Documents);
    const std::wstring startup = KnownFolder(FOLDERID_Startup);
    const std::wstring desktop = KnownFolder(FOLDERID_Desktop);
    ASSERT_FALSE(documents.empty());
    const std::vector<std::wstring> files{documents + L"\\LAU_Refresh.vbs", startup + L"\\LAN対応ユニット.lnk",
                                          desktop + L"\\LAN対応ユニット.lnk"};
    FakePlatform platform;
    for (const std::wstring& file : files) platform.world.disk[file] = "x";
    CTavrinDlg dialog(environment, platform.Services());
    MessageBoxWatcher watcher;
    DialogScript script({[](HWND hwnd) { Click(hwnd, IDC_REMOVE); }});
    EXPECT_EQ(script.Run(dialog), IDCANCEL);

    EXPECT_EQ(dialog.BrowserPath(), edge);
    EXPECT_EQ(platform.Logged(L"removed "), files);
    ASSERT_EQ(watcher.Boxes().size(), 1u);
    EXPECT_EQ(watcher.Boxes()[0].text, L"タスクとショートカットの削除に成功しました。");
}

}  // namespace
}  // namespace tavrin::app::testing
