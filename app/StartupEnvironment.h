#pragma once

#include <string>

#include "procedures/AccountCheck.h"
#include "procedures/Services.h"

namespace tavrin::app {

// What the settings dialog fetches once while it starts: the three known
// folders it writes into, the browser it points the shortcuts at, and whose
// account all of it belongs to.
class StartupEnvironment : public AccountInfo {
public:
    virtual ~StartupEnvironment() = default;
    // Desktop, Documents and Startup; true only when all three were obtained.
    virtual bool QueryKnownFolders() = 0;
    // Frees what QueryKnownFolders holds; a second call frees nothing.
    virtual void ReleaseKnownFolders() = 0;
    virtual KnownFolderPaths KnownFolders() const = 0;
    // Full path of msedge.exe; empty when it is not installed.
    virtual std::wstring FindBrowserPath() = 0;
};

}  // namespace tavrin::app
