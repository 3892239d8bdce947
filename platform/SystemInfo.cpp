#include <windows.h>

#include <string>

#include "platform/Win32Services.h"

namespace tavrin::platform {

std::wstring Win32SystemInfo::QueryUserName() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (!::GetUserNameW(buffer, &size)) return {};
    buffer[MAX_PATH] = L'\0';
    return buffer;
}

// The version the platform reports to this process. The manifest declares no
// supported systems, so Windows 8 and every later version report 6.2.
ReportedVersion Win32SystemInfo::QueryReportedVersion() {
    OSVERSIONINFOW info{};
    static_assert(sizeof info == 276, "the plain record, not the extended one");
    info.dwOSVersionInfoSize = sizeof info;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // GetVersionExW is deprecated; the reported version is what we want
#endif
    const BOOL ok = ::GetVersionExW(&info);
    // On failure the Show-Desktop steps must be skipped, which 0.0 does.
    if (!ok) return {};
    return {info.dwMajorVersion, info.dwMinorVersion};
}

std::wstring ComputerName() {
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(buffer, &size)) return {};
    return std::wstring(buffer, size);
}

// Native, not the architecture presented to this (32-bit) process.
bool Win32SystemInfo::IsNativeAmd64() {
    SYSTEM_INFO info{};
    ::GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

}  // namespace tavrin::platform
