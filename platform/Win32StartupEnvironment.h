#pragma once

#include <optional>

#include "platform/DisplayUser.h"
#include "platform/KnownFolders.h"
#include "platform/Win32Services.h"
#include "procedures/StartupEnvironment.h"

namespace tavrin::platform {

// The start-up environment of this PC: the accounts and sessions, the known
// folders of whom the set-up is for, and App Paths.
class Win32StartupEnvironment final : public StartupEnvironment {
public:
    DisplayUserFacts ReadDisplayUserFacts() override { return tavrin::platform::ReadDisplayUserFacts(); }
    void PauseBeforeRetry() override;
    bool AccountIsNamed(const AccountName& account, const std::wstring& given) override {
        return tavrin::platform::AccountIsNamed(account, given);
    }
    // The running account's folders through the shell; another user's with
    // that user's token where the tool may have it (as SYSTEM), which the
    // user's stores then act with, else from that user's registry.
    bool QueryKnownFolders(const SetUpTarget& target, FolderLookup lookup) override;
    void ReleaseKnownFolders() override;
    KnownFolderPaths KnownFolders() const override { return otherUser_ ? *otherUser_ : folders_.Paths(); }
    std::wstring FindBrowserPath() override { return tavrin::platform::FindBrowserPath(); }

    // The display user's token for the stores, empty unless the token route was taken.
    const UserToken& DisplayUserToken() const { return token_; }

private:
    KnownFolderSlots folders_;
    std::optional<KnownFolderPaths> otherUser_;
    UserToken token_;
};

}  // namespace tavrin::platform
