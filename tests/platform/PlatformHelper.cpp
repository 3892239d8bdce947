// Runs one platform service in a process of its own, for checks that need
// a fresh process (the version Wine claims is fixed at start-up) or a Linux
// tool on the result (lnkinfo on saved shortcuts).
//
//   tavrin_platform_helper version            exit code = major * 100 + minor
//   tavrin_platform_helper shortcuts FOLDER   saves the kiosk shortcut twice
//       (the second replaces the first) and the Show-Desktop shortcut into
//       FOLDER; exit code 0 when every save worked
//   tavrin_platform_helper command LINE       runs LINE with the command runner;
//       exit code = its result
//   tavrin_platform_helper instance WAITMS HWND
//       starts as a copy of the tool would; exit code 0 when it is (or, within
//       WAITMS, becomes) the running copy, else 1 when no window was published,
//       2 when HWND (hex) was, 3 when another window was
//   tavrin_platform_helper hold-instance EVENT HWND
//       takes the running copy's place, publishes HWND (hex), sets the named
//       event EVENT and waits to be ended; exit code 1 when the place was taken

#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/SingleInstance.h"
#include "platform/Win32Services.h"
#include "texts/SchedulerCommands.h"

int wmain(int argc, wchar_t** argv) {
    using namespace tavrin;
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"version") {
        const ReportedVersion version = platform::Win32SystemInfo().QueryReportedVersion();
        return static_cast<int>(version.major * 100 + version.minor);
    }
    if (mode == L"shortcuts" && argc > 2) {
        const std::wstring folder = argv[2];
        const std::wstring homeFolder = L"%HOMEDRIVE%%HOMEPATH%";
        platform::Win32FileStore files;
        platform::Win32ShortcutWriter writer(files);
        const ShortcutRecord older = {folder + L"\\LAN対応ユニット.lnk", L"C:\\old\\browser.exe",
                                      L"--older-arguments \"http://10.0.0.1/display.htm?size=1\"", L"C:\\old",
                                      L"an older shortcut that the next save replaces"};
        const ShortcutRecord kiosk = {folder + L"\\LAN対応ユニット.lnk",
                                      L"C:\\Program Files (x86)\\Microsoft\\Edge\\Application\\msedge.exe",
                                      BuildKioskArguments(L"http://192.168.1.10/display.htm?size=2"), homeFolder,
                                      L"LAN対応ユニット キオスクモード"};
        const ShortcutRecord showDesktop = {folder + L"\\DeskTop.lnk", folder + L"\\DeskTop.scf", L"", homeFolder,
                                            L"デスクトップの表示"};
        const bool saved = writer.SaveShortcut(older) && writer.SaveShortcut(kiosk) && writer.SaveShortcut(showDesktop);
        return saved ? 0 : 1;
    }
    if (mode == L"command" && argc > 2) {
        return platform::Win32CommandRunner().RunCommandLine(argv[2]);
    }
    if (mode == L"instance" && argc > 3) {
        platform::SingleInstance instance;
        const HWND found = instance.FindRunningCopyWindow(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
        if (!instance.AnotherCopyRuns()) return 0;
        if (found == nullptr) return 1;
        return HandleToLong(found) == static_cast<long>(std::wcstoul(argv[3], nullptr, 16)) ? 2 : 3;
    }
    if (mode == L"hold-instance" && argc > 3) {
        platform::SingleInstance instance;
        if (instance.AnotherCopyRuns()) return 1;
        instance.PublishWindow(static_cast<HWND>(LongToHandle(static_cast<LONG>(std::wcstoul(argv[3], nullptr, 16)))));
        const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
        if (ready == nullptr) return 3;
        ::SetEvent(ready);
        ::Sleep(INFINITE);
    }
    return 2;
}
