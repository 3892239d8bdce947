#include "app/CommandLineApp.h"

#include "app/Module.h"
#include "app/Version.h"
#include "platform/Win32CommandLine.h"
#include "platform/Win32Services.h"
#include "platform/Win32StartupEnvironment.h"
#include "procedures/CommandLineMode.h"

namespace tavrin::app {

int RunCommandLineApp(const std::vector<std::wstring>& arguments) {
    try {
        platform::SuppressSystemErrorBoxes();
        platform::Win32CommandLineOutput output;
        platform::Win32RunningCopyGuard copies;
        platform::Win32StartupEnvironment environment;
        // The stores act as the display user where the tool holds that user's token.
        platform::Win32FileStore ownFiles;
        platform::UserFileStore files(ownFiles, environment.DisplayUserToken());
        platform::Win32CommandRunner commands;
        platform::Win32SystemInfo system;
        platform::Win32ShortcutWriter shortcuts(files);
        platform::Win32TaskScheduler tasks;
        platform::Win32PageProbe pages;
        platform::Win32SetUpReader ownReader;
        platform::UserSetUpReader reader(ownReader, environment.DisplayUserToken());
        CommandLineContext context{ApplicationName() + L".exe", output, copies, environment,
                                   PlatformServices{files, commands, system, shortcuts, tasks, pages}, reader,
                                   L"" TAVRIN_VERSION_TEXT, platform::ComputerName()};
        return RunFromCommandLine(arguments, context);
    } catch (...) {
        return kExitStepFailed;
    }
}

}  // namespace tavrin::app
