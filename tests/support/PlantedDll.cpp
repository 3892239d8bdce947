// A DLL planted beside the tool under a system DLL's name (WTSAPI32.dll): when
// any process loads it, it appends "loaded <that process's exe>" to the file
// named by TAVRIN_PLANTED_LOG. It exports what the tool once imported from
// WTSAPI32, so a tool that did import it would start and use it.

#include <windows.h>

namespace {

void RecordLoad() {
    wchar_t logPath[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"TAVRIN_PLANTED_LOG", logPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    char exe[MAX_PATH * 3] = "loaded ";
    wchar_t module[MAX_PATH];
    const DWORD moduleLength = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, module, static_cast<int>(moduleLength), exe + 7,
                                            static_cast<int>(sizeof exe) - 9, nullptr, nullptr);
    exe[7 + bytes] = '\n';
    const HANDLE log = ::CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(log, exe, static_cast<DWORD>(8 + bytes), &written, nullptr);
    ::CloseHandle(log);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) RecordLoad();
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI WTSQuerySessionInformationW(HANDLE, DWORD, int, LPWSTR* buffer, DWORD* bytes) {
    if (buffer != nullptr) *buffer = nullptr;
    if (bytes != nullptr) *bytes = 0;
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

__declspec(dllexport) void WINAPI WTSFreeMemory(PVOID) {}

}  // extern "C"
