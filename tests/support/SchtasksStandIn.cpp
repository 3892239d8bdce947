// A stand-in for SCHTASKS (or any console program) that records how it was
// started. Install it as C:\windows\system32\schtasks.exe in a test prefix;
// under Wine also add "schtasks.exe=n" to WINEDLLOVERRIDES (or
// HKCU\Software\Wine\DllOverrides), or Wine runs its own builtin instead.
//
// Environment:
//   TAVRIN_SCHTASKS_LOG   file to append one record to (nothing logged if unset)
//   TAVRIN_SCHTASKS_EXIT  decimal exit code to return (default 0)
//
// One record per run, UTF-8, written with a single append so that records of
// concurrent runs do not mix. Each line is "<key> <value>", except the lines
// carrying text, which are "<key> <n> <text>" where n is the byte length of
// the UTF-8 text (so the text may hold any character, even a line feed):
//
//   begin
//   program <n> <GetModuleFileNameW: which file actually ran>
//   commandline <n> <GetCommandLineW(), unchanged>
//   argc <count>
//   arg <n> <argv[0]>            one line per CommandLineToArgvW element, in order
//   arg <n> <argv[1]>
//   exitcode <code>
//   end
//
// From a shell: sed -n 's/^arg [0-9]* //p' log   prints the arguments, one a line.

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

std::string ToUtf8(const wchar_t* text, int length) {
    if (length <= 0) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void AppendText(std::string& record, const char* key, const wchar_t* text) {
    const std::string bytes = ToUtf8(text, static_cast<int>(std::wcslen(text)));
    record += key;
    record += ' ';
    record += std::to_string(bytes.size());
    record += ' ';
    record += bytes;
    record += '\n';
}

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 32768);
    if (length == 0 || length >= 32768) return {};
    return std::wstring(buffer, length);
}

int RequestedExitCode() {
    const std::wstring text = Environment(L"TAVRIN_SCHTASKS_EXIT");
    if (text.empty()) return 0;
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

}  // namespace

int wmain() {
    const int exitCode = RequestedExitCode();
    const std::wstring logPath = Environment(L"TAVRIN_SCHTASKS_LOG");
    if (logPath.empty()) return exitCode;

    std::string record = "begin\n";
    wchar_t program[32768];
    const DWORD programLength = ::GetModuleFileNameW(nullptr, program, 32768);
    program[programLength < 32768 ? programLength : 0] = L'\0';
    AppendText(record, "program", program);

    const wchar_t* commandLine = ::GetCommandLineW();
    AppendText(record, "commandline", commandLine);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(commandLine, &argc);
    record += "argc " + std::to_string(argv != nullptr ? argc : 0) + "\n";
    if (argv != nullptr) {
        for (int i = 0; i < argc; ++i) AppendText(record, "arg", argv[i]);
        ::LocalFree(argv);
    }
    record += "exitcode " + std::to_string(exitCode) + "\nend\n";

    const HANDLE log = ::CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 250;  // a broken log must not pass for a clean run
    DWORD written = 0;
    const BOOL ok = ::WriteFile(log, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    ::CloseHandle(log);
    return ok && written == record.size() ? exitCode : 251;
}
