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
//   TAVRIN_SCHTASKS_TASKS   the Task Scheduler's folder of task files (Wine keeps
//                           each task as UTF-16 task XML in system32\tasks\<name>).
//                           With it, a verb without a forced exit code acts as
//                           the real SCHTASKS would: /Create writes the task's
//                           file with its /TR action and daily /ST start (exit
//                           0; a /TR longer than 261 characters is refused
//                           with exit 1), or for /Create /XML stores the document it
//                           names as it is (exit 1 when it cannot be read),
//                           /delete removes it (exit 1 when it was not
//                           there), /query exits 0 when it is there, else 1
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
//   document <n> <the file /XML names, as UTF-8 (from UTF-16 with its mark,
//                or as it is)>   only with /XML; "document -1" when unreadable
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

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

std::wstring XmlEscaped(const std::wstring& text) {
    std::wstring escaped;
    for (const wchar_t c : text) {
        if (c == L'&') escaped += L"&amp;";
        else if (c == L'<') escaped += L"&lt;";
        else if (c == L'>') escaped += L"&gt;";
        else escaped += c;
    }
    return escaped;
}

// The task as the Task Scheduler stores one that SCHTASKS /Create /SC DAILY
// registered: /TR split at its first blank into program and arguments.
std::string TaskFile(const std::wstring& action, const std::wstring& start) {
    const std::size_t blank = action.find(L' ');
    const std::wstring command = action.substr(0, blank);
    const std::wstring arguments = blank == std::wstring::npos ? L"" : action.substr(blank + 1);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    wchar_t date[16];
    std::swprintf(date, 16, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    const std::wstring xml =
        L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"  <Triggers>\r\n    <CalendarTrigger>\r\n      <StartBoundary>" + std::wstring(date) + L"T" + start +
        L"</StartBoundary>\r\n      <Enabled>true</Enabled>\r\n      <ScheduleByDay>\r\n"
        L"        <DaysInterval>1</DaysInterval>\r\n      </ScheduleByDay>\r\n    </CalendarTrigger>\r\n  </Triggers>\r\n"
        L"  <Principals>\r\n    <Principal id=\"Author\">\r\n      <LogonType>InteractiveToken</LogonType>\r\n"
        L"    </Principal>\r\n  </Principals>\r\n"
        L"  <Actions Context=\"Author\">\r\n    <Exec>\r\n      <Command>" + XmlEscaped(command) +
        L"</Command>\r\n      <Arguments>" + XmlEscaped(arguments) +
        L"</Arguments>\r\n    </Exec>\r\n  </Actions>\r\n</Task>\r\n";
    return std::string(reinterpret_cast<const char*>(xml.data()), xml.size() * sizeof(wchar_t));
}

// The bytes of the task document /XML names; false when it cannot be read.
bool ReadDocument(const std::wstring& path, std::string& bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[8192];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ::ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0) bytes.append(buffer, read);
    ::CloseHandle(file);
    return ok;
}

// The document's text for the record: UTF-16 with its mark as UTF-8, else as it is.
std::string DocumentText(const std::string& bytes) {
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF || static_cast<unsigned char>(bytes[1]) != 0xFE) {
        return bytes;
    }
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                       (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
    }
    return ToUtf8(text.data(), static_cast<int>(text.size()));
}

// The Task Scheduler's task files, as the real SCHTASKS would change them.
// `document`: the /XML file's bytes, when the task comes as a document.
int ActOnTaskFolder(const std::wstring& folder, const std::wstring& verb, const std::wstring& taskName,
                    const std::wstring& action, const std::wstring& start, const std::string* document) {
    const std::wstring path = folder + L"\\" + taskName;
    const bool there = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (verb == L"CREATE" && document != nullptr) return WriteAll(path, *document) ? 0 : 252;
    // "ERROR: Invalid syntax. Value for '/TR' option cannot be more than 261 character(s)."
    if (verb == L"CREATE" && action.size() > 261) return 1;
    if (verb == L"CREATE") return WriteAll(path, TaskFile(action, start)) ? 0 : 252;
    if (verb == L"DELETE") {
        if (!there) return 1;
        return ::DeleteFileW(path.c_str()) ? 0 : 1;
    }
    if (verb == L"QUERY") return there ? 0 : 1;
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
    std::wstring action;
    std::wstring start;
    std::wstring documentPath;
    if (argv != nullptr) {
        if (argc > 1) verb = Upper(argv[1][0] == L'/' ? argv[1] + 1 : argv[1]);
        for (int i = 1; i + 1 < argc; ++i) {
            if (Upper(argv[i]) == L"/TN") taskName = argv[i + 1];
            if (Upper(argv[i]) == L"/TR") action = argv[i + 1];
            if (Upper(argv[i]) == L"/ST") start = argv[i + 1];
            if (Upper(argv[i]) == L"/XML") documentPath = argv[i + 1];
        }
    }
    // Read at once, as SCHTASKS does: the tool removes the file after the run.
    std::string document;
    const bool documentRead = !documentPath.empty() && ReadDocument(documentPath, document);
    const std::wstring heldName = Environment(L"TAVRIN_SCHTASKS_HOLD_EVENT");
    // Held until the process ends.
    if (!heldName.empty()) ::CreateEventW(nullptr, TRUE, FALSE, heldName.c_str());
    MakeNoise();
    int exitCode = 0;
    if (!ForcedExitCode(verb, exitCode)) {
        const std::wstring folder = Environment(L"TAVRIN_SCHTASKS_TASKS");
        if (!documentPath.empty() && !documentRead) exitCode = 1;
        else if (!folder.empty())
            exitCode = ActOnTaskFolder(folder, verb, taskName, action, start, documentRead ? &document : nullptr);
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
    if (!documentPath.empty()) {
        if (documentRead) {
            const std::string text = DocumentText(document);
            record += "document " + std::to_string(text.size()) + " " + text + "\n";
        } else {
            record += "document -1\n";
        }
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
