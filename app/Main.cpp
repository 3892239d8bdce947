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
    // 0 after a normal end; a start that showed no dialog says why and ends
    // with a code of its own (README, "Exit codes").
    return application.ExitCode();
}
