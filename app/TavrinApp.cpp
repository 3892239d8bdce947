#include "app/TavrinApp.h"

#include <commctrl.h>

#include "app/TavrinDlg.h"
#include "platform/Win32Services.h"
#include "platform/Win32StartupEnvironment.h"

namespace tavrin::app {

BOOL CTavrinApp::InitInstance() {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&classes);
    // The address control is not among the Windows 95 classes; the template
    // needs its class before the dialog is created.
    INITCOMMONCONTROLSEX internetClasses{sizeof(internetClasses), ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&internetClasses);

    platform::Win32FileStore files;
    platform::Win32CommandRunner commands;
    platform::Win32SystemInfo system;
    platform::Win32ShortcutWriter shortcuts;
    platform::Win32StartupEnvironment environment;
    CTavrinDlg dialog(environment, PlatformServices{files, commands, system, shortcuts});
    dialog.DoModal();
    return FALSE;
}

}  // namespace tavrin::app
