#include <windows.h>

#include <string>
#include <vector>

#include "platform/MessageWait.h"
#include "platform/SystemLibrary.h"
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

// Windows 10's attribute that starts a process inside a job; the SDK declares
// it only for programs that require Windows 10.
constexpr DWORD_PTR kJobListAttribute = ProcThreadAttributeValue(13, FALSE, TRUE, FALSE);

// A job that ends every process in it when its last handle closes, so that a
// command still running when the tool ends, even when the tool is killed,
// goes with it. Null when it cannot be made.
UniqueHandle JobEndingWithTheTool() {
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job.IsValid()) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        return UniqueHandle();
    }
    return job;
}

// The NUL device, for the command's standard handles; inheritable, as
// standard handles must be.
UniqueHandle OpenNulForChild(DWORD access) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return UniqueHandle(::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, OPEN_EXISTING,
                                      0, nullptr));
}

class AttributeList {
public:
    explicit AttributeList(DWORD count) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, count, 0, &size);
        buffer_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (size == 0 || !::InitializeProcThreadAttributeList(list_, count, 0, &size)) list_ = nullptr;
    }
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;
    ~AttributeList() {
        if (list_ != nullptr) ::DeleteProcThreadAttributeList(list_);
    }
    // `value` must stay in place until the process is created.
    bool Add(DWORD_PTR attribute, void* value, SIZE_T size) {
        return list_ != nullptr && ::UpdateProcThreadAttribute(list_, 0, attribute, value, size, nullptr, nullptr);
    }
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return list_; }

private:
    std::vector<char> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Starts the program with standard handles of its own: empty input, and
// output and error to NUL, so that nothing it writes (in the console's code
// page) mixes into the tool's own output; it inherits no other handle of the
// tool. With a job, the process starts inside it (Windows 10 and later);
// false when that is not possible, so the caller can go the older way.
bool StartCommand(const std::wstring& program, const std::wstring& commandLine, HANDLE job, DWORD flags,
                  PROCESS_INFORMATION& process) {
    UniqueHandle input = OpenNulForChild(GENERIC_READ);
    UniqueHandle output = OpenNulForChild(GENERIC_WRITE);
    if (!input.IsValid() || !output.IsValid()) return false;
    HANDLE inherited[] = {input.Get(), output.Get()};
    AttributeList attributes(job != nullptr ? 2 : 1);
    if (!attributes.Add(PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited)) return false;
    if (job != nullptr && !attributes.Add(kJobListAttribute, &job, sizeof job)) return false;

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.Get();
    startup.StartupInfo.hStdOutput = output.Get();
    startup.StartupInfo.hStdError = output.Get();
    startup.lpAttributeList = attributes.Get();
    // CreateProcessW may write into the command line buffer.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    // Otherwise the creation flags of the runtime's system() (the console
    // program gets a console window of its own).
    return ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, flags | EXTENDED_STARTUPINFO_PRESENT,
                            nullptr, nullptr, &startup.StartupInfo, &process) != FALSE;
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
    std::wstring program = SystemFolder();
    if (word.empty() || program.empty()) return kCommandDidNotRun;
    program += L'\\';
    program += word;
    program += L".exe";

    // Created inside the job from the start where Windows allows it, so that
    // no moment exists in which killing the tool leaves the command running.
    // Elsewhere it is created suspended and put into the job before it runs
    // (an enclosing job may forbid that; it then runs without one).
    const UniqueHandle job = JobEndingWithTheTool();
    PROCESS_INFORMATION process{};
    const bool startedInJob = job.IsValid() && StartCommand(program, commandLine, job.Get(), 0, process);
    if (!startedInJob && !StartCommand(program, commandLine, nullptr, CREATE_SUSPENDED, process)) {
        return kCommandDidNotRun;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    if (!startedInJob) {
        if (job.IsValid()) ::AssignProcessToJobObject(job.Get(), processHandle.Get());
        if (::ResumeThread(threadHandle.Get()) == static_cast<DWORD>(-1)) {
            ::TerminateProcess(processHandle.Get(), kEndedExitCode);
            return kCommandDidNotRun;
        }
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
