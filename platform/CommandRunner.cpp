#include <windows.h>

#include <string>
#include <vector>

#include "platform/MessageWait.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {

namespace {

// The exit code of a command ended at its limit; never read as a result.
constexpr UINT kEndedExitCode = ERROR_TIMEOUT;
// How long an ended command may take to be gone.
constexpr DWORD kEndWaitMs = 5000;

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

// Puts the started (still suspended) process into a job that ends it when the
// job's last handle closes, so that a command still running when the tool
// ends, even when the tool is killed, goes with it. Null when the process
// cannot be put into a job (an enclosing job may forbid it); it then runs
// without one.
HANDLE JobEndingWithTheTool(HANDLE process) {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job.IsValid()) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) return nullptr;
    if (!::AssignProcessToJobObject(job.Get(), process)) return nullptr;
    return job.Release();
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
    if (word.empty() || systemDirectory.empty()) return kCommandDidNotRun;
    const std::wstring program = systemDirectory + L"\\" + word + L".exe";

    // CreateProcessW may write into the command line buffer.
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Handles inherited and otherwise the creation flags of the runtime's
    // system() (the console program gets a console window of its own);
    // suspended only until it is in its job.
    if (!::CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                          nullptr, &startup, &process)) {
        return kCommandDidNotRun;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    const UniqueHandle job(JobEndingWithTheTool(processHandle.Get()));
    if (::ResumeThread(threadHandle.Get()) == static_cast<DWORD>(-1)) {
        ::TerminateProcess(processHandle.Get(), kEndedExitCode);
        return kCommandDidNotRun;
    }

    // SCHTASKS normally ends within a second. One that has not ended by the
    // limit is not going to: it is ended and the command counts as not run.
    if (WaitDispatchingMessages(processHandle.Get(), limitMs_) != WaitEnd::signalled) {
        ::TerminateProcess(processHandle.Get(), kEndedExitCode);
        WaitDispatchingMessages(processHandle.Get(), kEndWaitMs);
        return kCommandDidNotRun;
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(processHandle.Get(), &exitCode)) return kCommandDidNotRun;
    return static_cast<int>(exitCode);
}

}  // namespace tavrin::platform
