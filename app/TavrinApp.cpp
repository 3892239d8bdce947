#include "app/TavrinApp.h"

#include <commctrl.h>

#include "app/Module.h"
#include "app/TavrinDlg.h"
#include "platform/SingleInstance.h"
#include "platform/Win32CommandLine.h"
#include "platform/Win32Services.h"
#include "platform/Win32StartupEnvironment.h"
#include "procedures/CommandLineMode.h"
#include "texts/Messages.h"

namespace tavrin::app {

namespace {

// How long a second start waits for a copy that is still starting to show
// its window.
constexpr DWORD kRunningCopyWaitMs = 5000;

// Shows the running copy to the user: its dialog restored if minimized, and
// in front whatever that copy shows last (a message box over the dialog).
void BringToFront(HWND dialog) {
    if (::IsIconic(dialog)) ::ShowWindowAsync(dialog, SW_RESTORE);
    const HWND popup = ::GetLastActivePopup(dialog);
    ::SetForegroundWindow(popup != nullptr ? popup : dialog);
}

// A box of its own (there is no dialog to own it), captioned like the others.
void ShowStartMessage(const std::wstring& text, UINT icon) {
    ::MessageBoxW(nullptr, text.c_str(), ApplicationName().c_str(), icon | MB_SETFOREGROUND);
}

}  // namespace

BOOL CTavrinApp::InitInstance() {
    // Two copies working on the same task and files leave a broken set-up:
    // a second start only shows the running copy, before anything else.
    platform::SingleInstance instance;
    if (instance.AnotherCopyRuns()) {
        const HWND running = instance.FindRunningCopyWindow(kRunningCopyWaitMs);
        if (instance.AnotherCopyRuns()) {
            if (platform::WindowBelongsToThisProgram(running)) {
                BringToFront(running);
            } else {
                // Nothing to show for the other copy: a start must never end unseen.
                ShowStartMessage(kAnotherCopyRunsMessage, MB_ICONEXCLAMATION);
                exitCode_ = kExitAnotherCopy;
            }
            return FALSE;
        }
    }

    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    // The address control is not among the Windows 95 classes; the template
    // needs its class before the dialog is created.
    INITCOMMONCONTROLSEX internetClasses{sizeof(internetClasses), ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&internetClasses);

    platform::Win32StartupEnvironment environment;
    // The stores act as the display user where the tool holds that user's token.
    platform::Win32FileStore ownFiles;
    platform::UserFileStore files(ownFiles, environment.DisplayUserToken());
    platform::Win32CommandRunner commands;
    platform::Win32SystemInfo system;
    platform::Win32ShortcutWriter shortcuts(files);
    platform::Win32TaskScheduler tasks;
    platform::Win32PageProbe pages;
    CTavrinDlg dialog(environment, PlatformServices{files, commands, system, shortcuts, tasks, pages});
    pages.stopWhen = [](const void* shown) { return static_cast<const CTavrinDlg*>(shown)->CloseRequested(); };
    pages.stopContext = &dialog;
    dialog.onWindowCreated = [](HWND window, void* copies) {
        static_cast<platform::SingleInstance*>(copies)->PublishWindow(window);
    };
    dialog.windowCreatedContext = &instance;
    exitCode_ = RunSettingsDialog(dialog);
    instance.PublishWindow(nullptr);
    return FALSE;
}

int RunSettingsDialog(ModalDialog& dialog) {
    if (dialog.DoModal() != -1) return kExitDone;
    const DWORD error = dialog.CreateError();
    ShowStartMessage(DialogNotShownMessage(platform::SystemErrorText(error), error), MB_ICONSTOP);
    return kExitDialogNotShown;
}

}  // namespace tavrin::app
