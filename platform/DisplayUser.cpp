#include "platform/DisplayUser.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <type_traits>
#include <vector>

#include "platform/SystemLibrary.h"
#include "procedures/UserFolders.h"

namespace tavrin::platform {

namespace {

[[noreturn]] void ThrowNotActing(const std::wstring& path) {
    throw FileError{FileErrorCause::accessDenied, ERROR_CANNOT_IMPERSONATE, path};
}

// A file opened by the user's store: each write, the close and the discard
// of an unfinished file run as the user too.
template <typename Output>
class UserOutput final : public ByteFileOutput {
public:
    UserOutput(std::unique_ptr<Output> output, const UserToken& token) : output_(std::move(output)), token_(token) {}
    ~UserOutput() override {
        const ImpersonationScope user(token_.Get());
        if (!user.Acting()) return;  // left to the process's own rights rather than never discarded
        output_.reset();
    }
    void WriteString(const std::wstring& text) override {
        const ImpersonationScope user(token_.Get());
        if (!user.Acting()) ThrowNotActing({});
        output_->WriteString(text);
    }
    void WriteBytes(const std::string& bytes) override {
        const ImpersonationScope user(token_.Get());
        if (!user.Acting()) ThrowNotActing({});
        if constexpr (std::is_same_v<Output, ByteFileOutput>) {
            output_->WriteBytes(bytes);
        } else {
            throw FileError{FileErrorCause::genericException, 0, {}};
        }
    }
    void Close() override {
        const ImpersonationScope user(token_.Get());
        if (!user.Acting()) ThrowNotActing({});
        output_->Close();
    }

private:
    std::unique_ptr<Output> output_;
    const UserToken& token_;
};

constexpr DWORD kMaxFolderValueBytes = 4096 * sizeof(wchar_t);

// A text value of an open key, unexpanded; nullopt when missing, of another
// type or longer than a path can be.
std::optional<std::wstring> FolderText(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxFolderValueBytes) return std::nullopt;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = size;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::wstring value(buffer.data(), std::min<std::size_t>(read / sizeof(wchar_t), buffer.size() - 1));
    value.resize(std::wcslen(value.c_str()));
    return value;
}

// Every text value of a key, by name in upper case.
void AddVariables(HKEY key, UserVariables& variables) {
    for (DWORD index = 0;; ++index) {
        wchar_t name[256] = {};
        DWORD length = 256;
        DWORD type = 0;
        if (::RegEnumValueW(key, index, name, &length, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (type != REG_SZ) continue;
        if (const std::optional<std::wstring> value = FolderText(key, name)) {
            variables.emplace(VariableName(std::wstring(name, length)), *value);
        }
    }
}

// The user's variables: the logon's own (`Volatile Environment`), and the
// profile folder from ProfileList when the logon does not list it.
UserVariables VariablesOf(const std::wstring& sid) {
    UserVariables variables;
    RegistryKey volatileKey;
    if (::RegOpenKeyExW(HKEY_USERS, (sid + L"\\Volatile Environment").c_str(), 0, KEY_QUERY_VALUE,
                        volatileKey.Receive()) == ERROR_SUCCESS) {
        AddVariables(volatileKey.Get(), variables);
    }
    wchar_t windows[MAX_PATH] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length >= 3 && length < MAX_PATH) {
        variables.emplace(L"SYSTEMROOT", windows);
        variables.emplace(L"WINDIR", windows);
        variables.emplace(L"SYSTEMDRIVE", std::wstring(windows, 2));
    }
    if (variables.find(L"USERPROFILE") == variables.end()) {
        RegistryKey profile;
        const std::wstring key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                            profile.Receive()) == ERROR_SUCCESS) {
            const std::optional<std::wstring> path = FolderText(profile.Get(), L"ProfileImagePath");
            // Written with the system's own variables only.
            if (path) {
                if (const std::optional<std::wstring> expanded = ExpandUserFolder(*path, variables)) {
                    variables.emplace(L"USERPROFILE", *expanded);
                }
            }
        }
    }
    CompleteUserVariables(variables);
    return variables;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::wstring> TokenFolder(const KNOWNFOLDERID& id, DWORD flags, HANDLE token) {
    CoTaskMemString path;
    if (FAILED(::SHGetKnownFolderPath(id, flags, token, path.Receive())) || !path.IsValid()) return std::nullopt;
    return std::wstring(path.Get());
}

}  // namespace

ImpersonationScope::ImpersonationScope(HANDLE token) {
    if (token == nullptr) return;
    impersonating_ = ::ImpersonateLoggedOnUser(token) != FALSE;
    acting_ = impersonating_;
}

ImpersonationScope::~ImpersonationScope() {
    if (impersonating_ && !::RevertToSelf()) std::abort();
}

std::unique_ptr<TextFileOutput> UserFileStore::OpenForWriting(const std::wstring& path) {
    const ImpersonationScope user(token_.Get());
    if (!user.Acting()) return nullptr;
    std::unique_ptr<TextFileOutput> file = files_.OpenForWriting(path);
    if (!file) return nullptr;
    return std::make_unique<UserOutput<TextFileOutput>>(std::move(file), token_);
}

std::unique_ptr<ByteFileOutput> UserFileStore::OpenBytesForWriting(const std::wstring& path) {
    const ImpersonationScope user(token_.Get());
    if (!user.Acting()) return nullptr;
    std::unique_ptr<ByteFileOutput> file = files_.OpenBytesForWriting(path);
    if (!file) return nullptr;
    return std::make_unique<UserOutput<ByteFileOutput>>(std::move(file), token_);
}

bool UserFileStore::Exists(const std::wstring& path) {
    const ImpersonationScope user(token_.Get());
    // Unknown counts as there: Remove then says why it cannot delete it.
    return !user.Acting() || files_.Exists(path);
}

void UserFileStore::Remove(const std::wstring& path) {
    const ImpersonationScope user(token_.Get());
    if (!user.Acting()) ThrowNotActing(path);
    files_.Remove(path);
}

void UserFileStore::RemoveWorkFiles(const std::wstring& path) {
    const ImpersonationScope user(token_.Get());
    if (user.Acting()) files_.RemoveWorkFiles(path);
}

std::optional<std::string> UserSetUpReader::ReadFileBytes(const std::wstring& path) {
    const ImpersonationScope user(token_.Get());
    if (!user.Acting()) return std::nullopt;
    return reader_.ReadFileBytes(path);
}

std::optional<ShortcutTarget> UserSetUpReader::ReadShortcut(const std::wstring& path) {
    const ImpersonationScope user(token_.Get());
    if (!user.Acting()) return std::nullopt;
    return reader_.ReadShortcut(path);
}

UniqueHandle QueryUserToken(unsigned long session) {
    const UniqueModule module = LoadSystemLibrary(L"wtsapi32.dll");
    const auto query = SystemFunction<decltype(::WTSQueryUserToken)>(module, "WTSQueryUserToken");
    UniqueHandle token;
    if (query == nullptr || !query(session, token.Receive())) return UniqueHandle();
    return token;
}

std::optional<KnownFolderPaths> TokenKnownFolders(HANDLE token, bool create) {
    const DWORD flags = create ? KF_FLAG_CREATE : KF_FLAG_DONT_VERIFY;
    const std::optional<std::wstring> desktop = TokenFolder(FOLDERID_Desktop, flags, token);
    const std::optional<std::wstring> documents = desktop ? TokenFolder(FOLDERID_Documents, flags, token) : std::nullopt;
    const std::optional<std::wstring> startup = documents ? TokenFolder(FOLDERID_Startup, flags, token) : std::nullopt;
    if (!startup) return std::nullopt;
    return KnownFolderPaths{*desktop, *documents, *startup};
}

std::optional<KnownFolderPaths> RegistryKnownFolders(const std::wstring& sid) {
    if (sid.empty() || sid.find(L'\\') != std::wstring::npos) return std::nullopt;
    RegistryKey key;
    const std::wstring path = sid + L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    if (::RegOpenKeyExW(HKEY_USERS, path.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const UserVariables variables = VariablesOf(sid);
    std::wstring folders[3];
    const wchar_t* const names[3] = {L"Desktop", L"Personal", L"Startup"};
    for (int i = 0; i < 3; ++i) {
        const std::optional<std::wstring> value = FolderText(key.Get(), names[i]);
        const std::optional<std::wstring> folder = value ? ExpandUserFolder(*value, variables) : std::nullopt;
        // Only folders that are there: nothing is created for another user.
        if (!folder || !IsFolder(*folder)) return std::nullopt;
        folders[i] = *folder;
    }
    return KnownFolderPaths{folders[0], folders[1], folders[2]};
}

}  // namespace tavrin::platform

#include "platform/Win32StartupEnvironment.h"

namespace tavrin::platform {

// While the console is attached to another session; a few tries in all.
void Win32StartupEnvironment::PauseBeforeRetry() { ::Sleep(1000); }

bool Win32StartupEnvironment::QueryKnownFolders(const SetUpTarget& target, FolderLookup lookup) {
    const bool create = lookup == FolderLookup::createMissing;
    if (!target.otherUser) return folders_.QueryKnownFolders(create);
    UniqueHandle token = QueryUserToken(target.session);
    if (token.IsValid()) {
        otherUser_ = TokenKnownFolders(token.Get(), create);
        token_.Hold(std::move(token));
    } else {
        otherUser_ = RegistryKnownFolders(target.account.sid);
    }
    return otherUser_.has_value();
}

void Win32StartupEnvironment::ReleaseKnownFolders() {
    folders_.Release();
    otherUser_.reset();
}

}  // namespace tavrin::platform
