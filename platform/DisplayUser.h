#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "procedures/SetUpStatus.h"

namespace tavrin::platform {

// The display user's token, held for the run where the tool could get one
// (it runs as SYSTEM); empty otherwise, and then nothing is impersonated.
class UserToken {
public:
    HANDLE Get() const { return token_.Get(); }
    void Hold(UniqueHandle token) { token_ = std::move(token); }

private:
    UniqueHandle token_;
};

// The calling thread acts as the token's user until the scope ends. Held
// around one store operation only, never across a wait that dispatches
// messages. A null token impersonates nobody.
class ImpersonationScope {
public:
    explicit ImpersonationScope(HANDLE token);
    ImpersonationScope(const ImpersonationScope&) = delete;
    ImpersonationScope& operator=(const ImpersonationScope&) = delete;
    // Reverts; a thread that cannot revert ends the process, so that it
    // never runs on as someone else.
    ~ImpersonationScope();
    // False when a token was given but could not be taken on: the operation
    // must not run under the process's own account instead.
    bool Acting() const { return acting_; }

private:
    bool impersonating_ = false;
    bool acting_ = true;
};

// The file store for the display user: every operation (and every write and
// close of a file it opened) runs while impersonating the user's token, so
// that the files belong to the user and the user's redirected folders are
// reached as the user sees them.
class UserFileStore final : public ByteFileStore {
public:
    UserFileStore(ByteFileStore& files, const UserToken& token) : files_(files), token_(token) {}
    std::unique_ptr<TextFileOutput> OpenForWriting(const std::wstring& path) override;
    std::unique_ptr<ByteFileOutput> OpenBytesForWriting(const std::wstring& path) override;
    bool Exists(const std::wstring& path) override;
    void Remove(const std::wstring& path) override;
    void RemoveWorkFiles(const std::wstring& path) override;

private:
    ByteFileStore& files_;
    const UserToken& token_;
};

// Reads the set-up as the display user, like UserFileStore writes it.
class UserSetUpReader final : public SetUpReader {
public:
    UserSetUpReader(SetUpReader& reader, const UserToken& token) : reader_(reader), token_(token) {}
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override;
    std::optional<ShortcutTarget> ReadShortcut(const std::wstring& path) override;

private:
    SetUpReader& reader_;
    const UserToken& token_;
};

// The token of the user logged on to the session; empty when the tool may
// not have it (only SYSTEM may) or the session has none.
UniqueHandle QueryUserToken(unsigned long session);

// Desktop, Documents and Startup of the token's user, asked of the shell
// with that token; nullopt when any is missing.
std::optional<KnownFolderPaths> TokenKnownFolders(HANDLE token, bool create);

// Desktop, Documents and Startup of another user from that user's loaded
// registry (`User Shell Folders` under HKU\<sid>), expanded with that user's
// variables (`Volatile Environment`, else the profile path of
// `ProfileList`); nullopt when a value is missing, not text, or not a local
// folder that exists.
std::optional<KnownFolderPaths> RegistryKnownFolders(const std::wstring& sid);

}  // namespace tavrin::platform
