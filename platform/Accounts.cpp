#include <windows.h>
#include <sddl.h>
#include <wtsapi32.h>

#include <string>
#include <vector>

#include "platform/SystemLibrary.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"

namespace tavrin::platform {

namespace {

// The session functions; WTSAPI32 is not a known DLL, so it comes from the
// system folder at run time.
struct SessionApi {
    UniqueModule module = LoadSystemLibrary(L"wtsapi32.dll");
    decltype(::WTSQuerySessionInformationW)* query =
        SystemFunction<decltype(::WTSQuerySessionInformationW)>(module, "WTSQuerySessionInformationW");
    decltype(::WTSFreeMemory)* free = SystemFunction<decltype(::WTSFreeMemory)>(module, "WTSFreeMemory");
};

// One text of the current session; empty when it cannot be read.
std::wstring SessionText(const SessionApi& api, WTS_INFO_CLASS what) {
    if (api.query == nullptr || api.free == nullptr) return {};
    wchar_t* text = nullptr;
    DWORD bytes = 0;
    if (!api.query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, what, &text, &bytes)) return {};
    std::wstring result = text != nullptr ? text : L"";
    api.free(text);
    return result;
}

}  // namespace

std::optional<AccountName> Win32AccountInfo::ProcessAccount() {
    HANDLE rawToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return std::nullopt;
    const UniqueHandle token(rawToken);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return std::nullopt;
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;

    DWORD nameLength = 0;
    DWORD domainLength = 0;
    SID_NAME_USE use{};
    ::LookupAccountSidW(nullptr, sid, nullptr, &nameLength, nullptr, &domainLength, &use);
    if (nameLength == 0) return std::nullopt;
    std::vector<wchar_t> name(nameLength);
    std::vector<wchar_t> domain(domainLength + 1);
    if (!::LookupAccountSidW(nullptr, sid, name.data(), &nameLength, domain.data(), &domainLength, &use)) {
        return std::nullopt;
    }
    // The identifier tells the service accounts apart whatever they are called.
    std::wstring sidText;
    wchar_t* text = nullptr;
    if (::ConvertSidToStringSidW(sid, &text)) {
        sidText = text;
        ::LocalFree(text);
    }
    return AccountName{domain.data(), name.data(), std::move(sidText)};
}

std::optional<AccountName> Win32AccountInfo::SessionUser() {
    const SessionApi api;
    std::wstring name = SessionText(api, WTSUserName);
    if (name.empty()) return std::nullopt;
    return AccountName{SessionText(api, WTSDomainName), std::move(name)};
}

}  // namespace tavrin::platform
