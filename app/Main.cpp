#include <windows.h>

#include "app/CommandLineApp.h"
#include "app/TavrinApp.h"
#include "platform/SystemLibrary.h"
#include "platform/Win32CommandLine.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything can load a DLL by name.
    tavrin::platform::RestrictDllSearchToSystemFolder();
    // With arguments the tool is a command-line program (unattended roll-out).
    const std::vector<std::wstring> arguments = tavrin::platform::CommandLineArguments();
    if (!arguments.empty()) return tavrin::app::RunCommandLineApp(arguments);

    tavrin::app::CTavrinApp application;
    application.InitInstance();
    // No caller reads the dialog's exit status.
    return 0;
}
