// A stand-in for wtsapi32.dll that tells the tool another user is logged on
// to its session: under Wine the session user is always the account the
// tool runs as. Put it in place of the system folder's wtsapi32.dll (the
// only folder the tool loads it from) and add "wtsapi32=n" to
// WINEDLLOVERRIDES for that run only.
//
// Environment:
//   TAVRIN_SESSION_USER   "DOMAIN\name" of the logged-on user; "-" for a session
//                         nobody is logged on to (empty name); unset: the
//                         session cannot be read (the call fails with error 5)

#include <windows.h>
#include <wtsapi32.h>

#include <cstring>
#include <cwchar>

namespace {

// The value of the variable, or null when it is not set.
bool SessionUser(wchar_t* buffer, DWORD size) {
    const DWORD length = ::GetEnvironmentVariableW(L"TAVRIN_SESSION_USER", buffer, size);
    return length != 0 && length < size;
}

}  // namespace

extern "C" BOOL WINAPI WTSQuerySessionInformationW(HANDLE, DWORD, WTS_INFO_CLASS what, LPWSTR* text, DWORD* bytes) {
    wchar_t user[256];
    if (!SessionUser(user, 256) || (what != WTSUserName && what != WTSDomainName)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const wchar_t* value = L"";
    if (std::wcscmp(user, L"-") != 0) {
        wchar_t* separator = std::wcschr(user, L'\\');
        if (separator != nullptr) *separator = L'\0';
        value = what == WTSDomainName ? (separator != nullptr ? user : L"") : (separator != nullptr ? separator + 1 : user);
    }
    const DWORD size = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
    auto* copy = static_cast<wchar_t*>(::LocalAlloc(LMEM_FIXED, size));
    if (copy == nullptr) return FALSE;
    std::memcpy(copy, value, size);
    *text = copy;
    if (bytes != nullptr) *bytes = size;
    return TRUE;
}

extern "C" void WINAPI WTSFreeMemory(PVOID memory) { ::LocalFree(memory); }
