#pragma once

#include "platform/KnownFolders.h"
#include "platform/Win32Services.h"
#include "procedures/StartupEnvironment.h"

namespace tavrin::platform {

// The start-up environment of this PC: the shell's known folders, App Paths
// and the process and session accounts.
class Win32StartupEnvironment final : public StartupEnvironment {
public:
    bool QueryKnownFolders(FolderLookup lookup) override {
        return folders_.QueryKnownFolders(lookup == FolderLookup::createMissing);
    }
    void ReleaseKnownFolders() override { folders_.Release(); }
    KnownFolderPaths KnownFolders() const override { return folders_.Paths(); }
    std::wstring FindBrowserPath() override { return tavrin::platform::FindBrowserPath(); }
    std::optional<AccountName> ProcessAccount() override { return accounts_.ProcessAccount(); }
    std::optional<AccountName> SessionUser() override { return accounts_.SessionUser(); }

private:
    KnownFolderSlots folders_;
    Win32AccountInfo accounts_;
};

}  // namespace tavrin::platform
