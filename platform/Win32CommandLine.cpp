#include "platform/Win32CommandLine.h"

#include <windows.h>
#include <shellapi.h>

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
    if (sink_ == Sink::console) {
        const std::wstring text = line + L"\r\n";
        DWORD written = 0;
        ::WriteConsoleW(output_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else if (sink_ == Sink::bytes) {
        WriteAll(output_, EncodeUtf8(line + L"\r\n"));
    }
    if (log_.IsValid()) WriteAll(log_.Get(), EncodeUtf8(LogLine(Now(), line) + L"\r\n"));
}

bool Win32CommandLineOutput::OpenLog(const std::wstring& path) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
    // Appending only: every write goes to the end, also when another copy
    // (or a program reading the log) has it open.
    log_ = UniqueHandle(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return log_.IsValid();
}

}  // namespace tavrin::platform
