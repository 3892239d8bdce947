#include <windows.h>

#include <string>
#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {

namespace {

// The program a command line names: its first word, which must be a bare
// name (letters, digits, '_' or '-'), so that nothing but a program of the
// system directory can ever be started.
std::wstring ProgramWord(const std::wstring& commandLine) {
    const std::size_t end = commandLine.find_first_of(L" \t");
    std::wstring word = commandLine.substr(0, end);
    if (word.empty()) return {};
    for (wchar_t c : word) {
        const bool allowed = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
                             c == L'_' || c == L'-';
        if (!allowed) return {};
    }
    return word;
}

std::wstring SystemDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT length = ::GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

}  // namespace

// SCHTASKS is started directly from the system directory with the wide
// command line unchanged. Going through cmd.exe would re-parse the quoted
// script path (splitting at '&', eating '^', expanding %NAME%), would turn
// characters outside the ANSI code page into '?', and would prefer a
// schtasks.bat in the current directory; none of that may happen here.
// %windir% in /TR therefore reaches SCHTASKS literally and Task Scheduler
// expands it when the task runs.
int Win32CommandRunner::RunCommandLine(const std::wstring& commandLine) {
    const std::wstring word = ProgramWord(commandLine);
    const std::wstring systemDirectory = SystemDirectory();
    if (word.empty() || systemDirectory.empty()) return -1;
    const std::wstring program = systemDirectory + L"\\" + word + L".exe";

    // CreateProcessW may write into the command line buffer.
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Handles inherited and creation flags 0, as the runtime's system() starts
    // its interpreter: the console program gets a console window of its own.
    if (!::CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return -1;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);

    if (::WaitForSingleObject(processHandle.Get(), INFINITE) != WAIT_OBJECT_0) return -1;
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(processHandle.Get(), &exitCode)) return -1;
    return static_cast<int>(exitCode);
}

}  // namespace tavrin::platform
