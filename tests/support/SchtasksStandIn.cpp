// A stand-in for SCHTASKS (or any console program) that records how it was
// started. Install it as C:\windows\system32\schtasks.exe in a test prefix;
// under Wine also add "schtasks.exe=n" to WINEDLLOVERRIDES (or
// HKCU\Software\Wine\DllOverrides), or Wine runs its own builtin instead.
//
// Environment:
//   TAVRIN_SCHTASKS_LOG     file to append one record to (nothing logged if unset)
//   TAVRIN_SCHTASKS_EXIT    decimal exit code to return for every verb
//   TAVRIN_SCHTASKS_EXIT_<VERB>  the same for one verb only (CREATE, DELETE,
//                           QUERY: argv[1] without its '/', upper case); wins
//                           over TAVRIN_SCHTASKS_EXIT
//   TAVRIN_SCHTASKS_TASKS   file of registered task names (UTF-8, one a line).
//                           With it, a verb without a forced exit code acts as
//                           the real SCHTASKS would: /Create adds the /TN name
//                           (exit 0), /delete removes it (exit 1 when it was not
//                           there), /query exits 0 when the name is there, else 1
//   TAVRIN_SCHTASKS_SLEEP_MS  wait this long before exiting; "forever" never exits
//   TAVRIN_SCHTASKS_NOISE   write "<text> (stdout)" CR LF to standard output and
//                           "<text> (stderr)" CR LF to standard error, as
//                           SCHTASKS writes its own lines
//   TAVRIN_SCHTASKS_HOLD_EVENT  create a named event of this name and hold it
//                           until the program ends (a name squatted by another
//                           kind of object)
// Without any of these the exit code is 0.
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
//   stdhandles <in> <out> <err>  each console, char (a device such as NUL),
//                                disk, pipe or none
//   held <n> <a file or pipe among the process's handles: its path, or "pipe">
//                                one line each (what it inherited, or opened
//                                itself before this point)
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

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return text;
}

// The forced exit code for this verb, if any.
bool ForcedExitCode(const std::wstring& verb, int& code) {
    std::wstring text = Environment((L"TAVRIN_SCHTASKS_EXIT_" + verb).c_str());
    if (text.empty()) text = Environment(L"TAVRIN_SCHTASKS_EXIT");
    if (text.empty()) return false;
    code = static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
    return true;
}

std::string ReadAll(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

// The registered-task list as the real tool would keep it.
int ActOnTaskList(const std::wstring& listPath, const std::wstring& verb, const std::string& taskName) {
    std::string list = ReadAll(listPath);
    const std::string line = taskName + "\n";
    std::size_t at = std::string::npos;
    for (std::size_t pos = 0; pos < list.size();) {
        const std::size_t end = list.find('\n', pos);
        if (end == std::string::npos) break;
        if (list.compare(pos, end + 1 - pos, line) == 0) at = pos;
        pos = end + 1;
    }
    if (verb == L"CREATE") {
        if (at == std::string::npos) list += line;
        return WriteAll(listPath, list) ? 0 : 252;
    }
    if (verb == L"DELETE") {
        if (at == std::string::npos) return 1;
        list.erase(at, line.size());
        return WriteAll(listPath, list) ? 0 : 252;
    }
    if (verb == L"QUERY") return at != std::string::npos ? 0 : 1;
    return 0;
}

const char* HandleKind(DWORD which) {
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return "none";
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) return "console";
    switch (::GetFileType(handle)) {
        case FILE_TYPE_CHAR: return "char";
        case FILE_TYPE_DISK: return "disk";
        case FILE_TYPE_PIPE: return "pipe";
        default: return "none";
    }
}

// Files and pipes among the handles the process holds, found by trying every
// small handle value: what a parent let it inherit shows up here.
void AppendHeldFiles(std::string& record) {
    for (ULONG_PTR value = 4; value < 0x4000; value += 4) {
        const HANDLE handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (!::GetHandleInformation(handle, &flags)) continue;
        const DWORD type = ::GetFileType(handle);
        if (type == FILE_TYPE_PIPE) {
            AppendText(record, "held", L"pipe");
        } else if (type == FILE_TYPE_DISK) {
            wchar_t path[1024];
            const DWORD length = ::GetFinalPathNameByHandleW(handle, path, 1024, FILE_NAME_NORMALIZED);
            if (length > 0 && length < 1024) {
                // The current folder is held as a handle too; only files count.
                const DWORD attributes = ::GetFileAttributesW(path);
                if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
                AppendText(record, "held", path);
            }
        }
    }
}

void MakeNoise() {
    const std::wstring text = Environment(L"TAVRIN_SCHTASKS_NOISE");
    if (text.empty()) return;
    const std::string bytes = ToUtf8(text.c_str(), static_cast<int>(text.size()));
    const struct {
        DWORD handle;
        const char* suffix;
    } streams[] = {{STD_OUTPUT_HANDLE, " (stdout)\r\n"}, {STD_ERROR_HANDLE, " (stderr)\r\n"}};
    for (const auto& stream : streams) {
        const HANDLE handle = ::GetStdHandle(stream.handle);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) continue;
        const std::string line = bytes + stream.suffix;
        DWORD written = 0;
        ::WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

void SleepAsAsked() {
    const std::wstring text = Environment(L"TAVRIN_SCHTASKS_SLEEP_MS");
    if (text.empty()) return;
    if (text == L"forever") {
        for (;;) ::Sleep(INFINITE);
    }
    ::Sleep(static_cast<DWORD>(std::wcstoul(text.c_str(), nullptr, 10)));
}

}  // namespace

int wmain() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring verb;
    std::wstring taskName;
    if (argv != nullptr) {
        if (argc > 1) verb = Upper(argv[1][0] == L'/' ? argv[1] + 1 : argv[1]);
        for (int i = 1; i + 1 < argc; ++i) {
            if (Upper(argv[i]) == L"/TN") taskName = argv[i + 1];
        }
    }
    const std::wstring heldName = Environment(L"TAVRIN_SCHTASKS_HOLD_EVENT");
    // Held until the process ends.
    if (!heldName.empty()) ::CreateEventW(nullptr, TRUE, FALSE, heldName.c_str());
    MakeNoise();
    int exitCode = 0;
    if (!ForcedExitCode(verb, exitCode)) {
        const std::wstring listPath = Environment(L"TAVRIN_SCHTASKS_TASKS");
        if (!listPath.empty()) {
            exitCode = ActOnTaskList(listPath, verb, ToUtf8(taskName.c_str(), static_cast<int>(taskName.size())));
        }
    }
    const std::wstring logPath = Environment(L"TAVRIN_SCHTASKS_LOG");
    if (logPath.empty()) {
        SleepAsAsked();
        return exitCode;
    }

    std::string record = "begin\n";
    wchar_t program[32768];
    const DWORD programLength = ::GetModuleFileNameW(nullptr, program, 32768);
    program[programLength < 32768 ? programLength : 0] = L'\0';
    AppendText(record, "program", program);

    AppendText(record, "commandline", ::GetCommandLineW());
    record += "argc " + std::to_string(argv != nullptr ? argc : 0) + "\n";
    if (argv != nullptr) {
        for (int i = 0; i < argc; ++i) AppendText(record, "arg", argv[i]);
        ::LocalFree(argv);
    }
    AppendHeldFiles(record);
    record += std::string("stdhandles ") + HandleKind(STD_INPUT_HANDLE) + " " + HandleKind(STD_OUTPUT_HANDLE) + " " +
              HandleKind(STD_ERROR_HANDLE) + "\n";
    record += "exitcode " + std::to_string(exitCode) + "\nend\n";

    const HANDLE log = ::CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 250;  // a broken log must not pass for a clean run
    DWORD written = 0;
    const BOOL ok = ::WriteFile(log, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    ::CloseHandle(log);
    // Logged first, so that a run that never ends is still on record.
    SleepAsAsked();
    return ok && written == record.size() ? exitCode : 251;
}
