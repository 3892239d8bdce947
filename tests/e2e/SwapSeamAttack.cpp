// Linked only into tavrin_swap_seam.exe, the tool as the hostile suite runs it
// for the file swap: this definition takes the place of the product's empty
// one (platform/SwapSeam.cpp) and acts, at the instant before a file takes
// its name, as another program running as the display user could.
//
//   TAVRIN_SWAP_SEAM=hardlink  deletes the work file and puts a hard link to
//                              C:\precious.txt at its name
//   TAVRIN_SWAP_SEAM=scanner   opens the work file (or, when it cannot, the
//                              file about to be replaced) as a scanner does and
//                              holds it for 300 ms (TAVRIN_SWAP_SEAM_HOLD_MS)
// Only files whose name ends with TAVRIN_SWAP_SEAM_NAME are touched; each
// call is recorded as one line in the file TAVRIN_SWAP_SEAM_LOG.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/SwapSeam.h"

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return !end.empty() && text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void Record(const std::wstring& line) {
    const std::wstring log = Environment(L"TAVRIN_SWAP_SEAM_LOG");
    if (log.empty()) return;
    FILE* file = _wfopen(log.c_str(), L"a");
    if (file == nullptr) return;
    std::fwprintf(file, L"%ls\n", line.c_str());
    std::fclose(file);
}

DWORD WINAPI CloseLater(void* handle) {
    const std::wstring hold = Environment(L"TAVRIN_SWAP_SEAM_HOLD_MS");
    ::Sleep(hold.empty() ? 300 : static_cast<DWORD>(std::wcstoul(hold.c_str(), nullptr, 10)));
    ::CloseHandle(handle);
    return 0;
}

HANDLE OpenAsScanner(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

namespace tavrin::platform {

void BeforeFileSwap(const std::wstring& workPath, const std::wstring& targetPath) {
    if (!EndsWith(targetPath, Environment(L"TAVRIN_SWAP_SEAM_NAME"))) return;
    const std::wstring mode = Environment(L"TAVRIN_SWAP_SEAM");
    if (mode == L"hardlink") {
        const bool deleted = ::DeleteFileW(workPath.c_str()) != FALSE;
        const DWORD deleteError = deleted ? 0 : ::GetLastError();
        const bool linked = deleted && ::CreateHardLinkW(workPath.c_str(), L"C:\\precious.txt", nullptr);
        Record(L"hardlink deleted=" + std::to_wstring(deleted) + L" error=" + std::to_wstring(deleteError) +
               L" linked=" + std::to_wstring(linked));
    } else if (mode == L"scanner") {
        const wchar_t* held = L"work";
        HANDLE handle = OpenAsScanner(workPath);
        if (handle == INVALID_HANDLE_VALUE) {
            held = L"target";
            handle = OpenAsScanner(targetPath);
        }
        if (handle == INVALID_HANDLE_VALUE) {
            Record(L"scanner held=nothing");
            return;
        }
        Record(std::wstring(L"scanner held=") + held);
        const HANDLE thread = ::CreateThread(nullptr, 0, CloseLater, handle, 0, nullptr);
        if (thread != nullptr) ::CloseHandle(thread);
    }
}

}  // namespace tavrin::platform
