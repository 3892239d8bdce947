// A stand-in for wtsapi32.dll that reports another user logged on to the
// session than the one the process runs as: under Wine there is only one
// user, so this is how the tool's other-account warning is reached end to
// end. Put it beside the tool as wtsapi32.dll and add "wtsapi32=n" to
// WINEDLLOVERRIDES.
//
// Environment:
//   TAVRIN_SESSION_USER  the user name reported for the session (required);
//                        the domain reported is the computer's name.
// Only the two functions the tool imports are there.

#include <windows.h>

#include <string>

namespace {

// The values of WTS_INFO_CLASS the tool asks for.
constexpr int kUserName = 5;
constexpr int kDomainName = 7;

std::wstring SessionUser() {
    wchar_t buffer[256] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"TAVRIN_SESSION_USER", buffer, 256);
    return length > 0 && length < 256 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(buffer, &size) ? std::wstring(buffer, size) : std::wstring();
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI WTSQuerySessionInformationW(HANDLE, DWORD, int infoClass,
                                                                         LPWSTR* buffer, DWORD* bytes) {
    if (buffer == nullptr || bytes == nullptr) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::wstring text;
    if (infoClass == kUserName) {
        text = SessionUser();
    } else if (infoClass == kDomainName) {
        text = ComputerName();
    } else {
        ::SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (text.empty()) {
        ::SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    const DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    auto* copy = static_cast<LPWSTR>(::LocalAlloc(LMEM_ZEROINIT, size));
    if (copy == nullptr) return FALSE;
    ::CopyMemory(copy, text.c_str(), size);
    *buffer = copy;
    *bytes = size;
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI WTSFreeMemory(PVOID memory) { ::LocalFree(memory); }
