#pragma once

#include "app/StartupEnvironment.h"
#include "platform/KnownFolders.h"
#include "platform/Win32Services.h"

namespace tavrin::app {

class Win32StartupEnvironment final : public StartupEnvironment {
public:
    bool QueryKnownFolders() override { return folders_.QueryKnownFolders(); }
    void ReleaseKnownFolders() override { folders_.Release(); }
    KnownFolderPaths KnownFolders() const override { return folders_.Paths(); }
    std::wstring FindBrowserPath() override { return platform::FindBrowserPath(); }
    std::optional<AccountName> ProcessAccount() override { return accounts_.ProcessAccount(); }
    std::optional<AccountName> SessionUser() override { return accounts_.SessionUser(); }

private:
    platform::KnownFolderSlots folders_;
    platform::Win32AccountInfo accounts_;
};

}  // namespace tavrin::app
