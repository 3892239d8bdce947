#pragma once

#include "app/StartupEnvironment.h"
#include "platform/KnownFolders.h"

namespace tavrin::app {

class Win32StartupEnvironment final : public StartupEnvironment {
public:
    bool QueryKnownFolders() override { return folders_.QueryKnownFolders(); }
    void ReleaseKnownFolders() override { folders_.Release(); }
    KnownFolderPaths KnownFolders() const override { return folders_.Paths(); }
    std::wstring FindBrowserPath() override { return platform::FindBrowserPath(); }

private:
    platform::KnownFolderSlots folders_;
};

}  // namespace tavrin::app
