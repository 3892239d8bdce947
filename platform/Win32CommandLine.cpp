#include "platform/Win32CommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/Win32Services.h"
#include "texts/Messages.h"
#include "texts/Utf8.h"

namespace tavrin::platform {

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != FALSE;
}

// Writes every byte; false when the handle refuses.
bool WriteAll(HANDLE handle, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

std::wstring FullPath(const std::wstring& path) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
    return {};
}

// Deletes the open file by its handle, never by a name someone else could
// have taken meanwhile.
void DeleteByHandle(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

// Opens the log at its full path for appending, creating it when there is no
// file; never through a link: a link at the path (or, under Wine, a Unix
// symbolic link, even one whose target is gone) is never followed. A log this
// run created and then refused is deleted again: a refused log leaves nothing.
UniqueHandle OpenLogFile(const std::wstring& fullPath) {
    constexpr DWORD access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    const auto open = [&](DWORD disposition, DWORD moreAccess) {
        return UniqueHandle(::CreateFileW(fullPath.c_str(), access | moreAccess, share, nullptr, disposition,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    };
    bool created = false;
    UniqueHandle log = open(OPEN_EXISTING, 0);
    if (!log.IsValid() && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
        // CREATE_NEW fails on a name that is taken by anything, a dangling
        // link included; a log another copy made meanwhile is opened.
        log = open(CREATE_NEW, DELETE);
        created = log.IsValid();
        if (!log.IsValid() && ::GetLastError() == ERROR_FILE_EXISTS) log = open(OPEN_EXISTING, 0);
    }
    if (!log.IsValid()) return log;
    BY_HANDLE_FILE_INFORMATION info{};
    // A link, a folder, a file with another name elsewhere (a hard link) or
    // one reached through a link is not appended to by an elevated tool.
    if (!::GetFileInformationByHandle(log.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks > 1 || !SitsAtItsOwnPath(log.Get(), fullPath)) {
        if (created) DeleteByHandle(log.Get());
        return UniqueHandle();
    }
    // The delete access that let a refused log go again is dropped: another
    // copy (or a reader) shares the log and does not share deleting. The new
    // handle must share deleting with the one it replaces, closed right after.
    if (created) {
        UniqueHandle kept(
            ::ReOpenFile(log.Get(), access, share | FILE_SHARE_DELETE, FILE_FLAG_OPEN_REPARSE_POINT));
        if (!kept.IsValid()) DeleteByHandle(log.Get());
        return kept;
    }
    return log;
}

LocalTime Now() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace

std::vector<std::wstring> ArgumentsAfterProgram(const std::wstring& commandLine, const std::wstring& modulePath) {
    std::wstring line = commandLine;
    const std::size_t length = modulePath.size();
    const bool startsWithModule =
        length > 0 && line.size() >= length &&
        ::CompareStringOrdinal(line.c_str(), static_cast<int>(length), modulePath.c_str(), static_cast<int>(length),
                               TRUE) == CSTR_EQUAL &&
        (line.size() == length || line[length] == L' ' || line[length] == L'\t');
    // A stand-in program name of our own, so that only what follows is split.
    if (startsWithModule) line = L"x" + line.substr(length);
    if (line.find_first_not_of(L" \t") == std::wstring::npos) return {};
    int count = 0;
    const LocalArguments words(::CommandLineToArgvW(line.c_str(), &count));
    if (!words.IsValid()) return {};
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(words.Get()[i]);
    return arguments;
}

std::vector<std::wstring> CommandLineArguments() {
    std::vector<wchar_t> module(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0) {
            module.assign(1, L'\0');
            break;
        }
        if (length < module.size()) break;
        module.resize(module.size() * 2);
    }
    return ArgumentsAfterProgram(::GetCommandLineW(), module.data());
}

void SuppressSystemErrorBoxes() {
    ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::wstring SystemErrorText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    if (text != nullptr) ::LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' ')) {
        result.pop_back();
    }
    return result;
}

Win32CommandLineOutput::Win32CommandLineOutput() {
    const HANDLE standardOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const bool hasOutput = standardOutput != nullptr && standardOutput != INVALID_HANDLE_VALUE;
    const DWORD type = hasOutput ? ::GetFileType(standardOutput) : FILE_TYPE_UNKNOWN;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
        sink_ = Sink::bytes;
        output_ = standardOutput;
        return;
    }
    if (type == FILE_TYPE_CHAR && IsConsole(standardOutput)) {
        sink_ = Sink::console;
        output_ = standardOutput;
        return;
    }
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        conout_ = UniqueHandle(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
        if (conout_.IsValid()) {
            sink_ = Sink::console;
            output_ = conout_.Get();
            return;
        }
    }
    if (type == FILE_TYPE_CHAR) {
        sink_ = Sink::bytes;
        output_ = standardOutput;
    }
}

void Win32CommandLineOutput::WriteLine(const std::wstring& line) {
    // A line that cannot be shown is not a reason to stop: the log and the
    // exit code still tell.
    if (sink_ != Sink::none) {
        const std::wstring text = line + L"\r\n";
        if (sink_ == Sink::console) {
            DWORD written = 0;
            ::WriteConsoleW(output_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        } else {
            WriteAll(output_, EncodeUtf8(text));
        }
    }
    if (log_.IsValid() && !WriteAll(log_.Get(), EncodeUtf8(LogLine(Now(), line + L"\r\n")))) {
        log_.Close();
        if (!logFailed_) {
            logFailed_ = true;
            WriteLine(LogWriteFailedMessage(logPath_));
        }
    }
}

bool Win32CommandLineOutput::OpenLog(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
    const std::wstring fullPath = FullPath(path);
    // As long a path as Windows opens without long-path support, and no longer:
    // a log that some systems would open and others refuse is refused here.
    if (fullPath.empty() || fullPath.size() >= MAX_PATH) return false;
    // Appending only: every write goes to the end, also when another copy
    // (or a program reading the log) has it open.
    log_ = OpenLogFile(fullPath);
    if (!log_.IsValid()) return false;
    logPath_ = fullPath;
    // A new (empty) log starts with a byte-order mark, so that Notepad and
    // Excel read it as UTF-8; a log that already holds runs gets none.
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(log_.Get(), &size) && size.QuadPart == 0) WriteAll(log_.Get(), "\xEF\xBB\xBF");
    return true;
}

}  // namespace tavrin::platform
