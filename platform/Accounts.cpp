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

// Frees a buffer the session functions allocated.
struct WtsMemory {
    const SessionApi& api;
    wchar_t* text = nullptr;
    ~WtsMemory() {
        if (text != nullptr) api.free(text);
    }
};

// One text of a session; nullopt when it cannot be read.
std::optional<std::wstring> SessionText(const SessionApi& api, DWORD session, WTS_INFO_CLASS what) {
    if (api.query == nullptr || api.free == nullptr) return std::nullopt;
    WtsMemory memory{api};
    DWORD bytes = 0;
    if (!api.query(WTS_CURRENT_SERVER_HANDLE, session, what, &memory.text, &bytes)) return std::nullopt;
    return std::wstring(memory.text != nullptr ? memory.text : L"");
}

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring result = text;
    ::LocalFree(text);
    return result;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

// A REG_SZ value of an open key; empty when there is none.
std::wstring TextValue(HKEY key, const wchar_t* name) {
    wchar_t buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return buffer;
}

// The identifier of a logged-on user whose name the account database does
// not resolve (a domain user while the domain cannot be reached): the one
// loaded profile whose `Volatile Environment` names that user. Empty when
// none or more than one does.
std::wstring SidOfLoadedProfile(const AccountName& user) {
    std::wstring found;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        const LSTATUS status = ::RegEnumKeyExW(HKEY_USERS, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return {};
        const std::wstring sid(name, length);
        if (sid.rfind(L"S-1-5-21-", 0) != 0 || sid.find(L'_') != std::wstring::npos) continue;
        RegistryKey key;
        if (::RegOpenKeyExW(HKEY_USERS, (sid + L"\\Volatile Environment").c_str(), 0, KEY_QUERY_VALUE,
                            key.Receive()) != ERROR_SUCCESS) {
            continue;
        }
        if (!SameName(TextValue(key.Get(), L"USERNAME"), user.name) ||
            !SameName(TextValue(key.Get(), L"USERDOMAIN"), user.domain)) {
            continue;
        }
        if (!found.empty()) return {};
        found = sid;
    }
    return found;
}

// The user's identifier from the account database, else from the loaded profiles.
std::wstring SidOfUser(const AccountName& user) {
    const std::wstring full = AccountDisplayName(user);
    DWORD sidSize = 0;
    DWORD domainLength = 0;
    SID_NAME_USE use{};
    ::LookupAccountNameW(nullptr, full.c_str(), nullptr, &sidSize, nullptr, &domainLength, &use);
    if (sidSize != 0) {
        std::vector<BYTE> sid(sidSize);
        std::vector<wchar_t> domain(domainLength + 1);
        if (::LookupAccountNameW(nullptr, full.c_str(), sid.data(), &sidSize, domain.data(), &domainLength, &use) &&
            use == SidTypeUser) {
            const std::wstring text = SidText(sid.data());
            if (!text.empty()) return text;
        }
    }
    return SidOfLoadedProfile(user);
}

SessionUser ReadSessionUser(const SessionApi& api, DWORD session) {
    SessionUser result;
    const std::optional<std::wstring> name = SessionText(api, session, WTSUserName);
    if (!name) return result;
    result.readable = true;
    if (name->empty()) return result;
    const std::optional<std::wstring> domain = SessionText(api, session, WTSDomainName);
    AccountName user{domain.value_or(L""), *name};
    user.sid = SidOfUser(user);
    result.user = std::move(user);
    return result;
}

std::optional<AccountName> ReadProcessAccount() {
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
    // The identifier tells the accounts apart whatever they are called.
    return AccountName{domain.data(), name.data(), SidText(sid)};
}

}  // namespace

DisplayUserFacts ReadDisplayUserFacts() {
    DisplayUserFacts facts;
    facts.process = ReadProcessAccount();
    const SessionApi api;
    DWORD ownSession = 0;
    if (::ProcessIdToSessionId(::GetCurrentProcessId(), &ownSession)) {
        facts.ownSession = ownSession;
        facts.ownSessionUser = ReadSessionUser(api, ownSession);
    }
    facts.consoleSession = ::WTSGetActiveConsoleSessionId();
    if (facts.consoleSession != kConsoleChangingHands) {
        facts.consoleUser = facts.consoleSession == ownSession && facts.ownSessionUser.readable
                                ? facts.ownSessionUser
                                : ReadSessionUser(api, facts.consoleSession);
    }
    return facts;
}

bool AccountIsNamed(const AccountName& account, const std::wstring& given) {
    const std::size_t separator = given.find(L'\\');
    if (separator == std::wstring::npos) return false;
    return SameName(given.substr(0, separator), account.domain) && SameName(given.substr(separator + 1), account.name);
}

}  // namespace tavrin::platform
