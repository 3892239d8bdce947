#pragma once

#include <string>

#include "platform/Win32Handles.h"
#include "procedures/Services.h"

namespace tavrin::platform {

// The current user's Desktop, Documents and Startup folders, as three slots
// that own the strings SHGetKnownFolderPath allocated. A slot is freed at
// most once: Release() frees and empties every slot (the dialog decides when),
// so a second call frees nothing, and whatever is still held is freed when
// the slots go.
class KnownFolderSlots {
public:
    KnownFolderSlots() = default;
    KnownFolderSlots(const KnownFolderSlots&) = delete;
    KnownFolderSlots& operator=(const KnownFolderSlots&) = delete;

    // Desktop, then Documents, then Startup, each with KF_FLAG_CREATE when
    // `create`, else without creating or even checking for the folder (its
    // path all the same); stops at the first failure. True only when all
    // three were obtained.
    bool QueryKnownFolders(bool create = true);
    void Release();

    // The paths as the platform gave them; empty for an empty slot.
    KnownFolderPaths Paths() const;

private:
    CoTaskMemString desktop_;
    CoTaskMemString documents_;
    CoTaskMemString startup_;
};

// Full path of msedge.exe from the App Paths key: a text value (expanded when
// it is of the expandable kind), cleaned up by CleanBrowserPathValue, that
// names an existing file. Empty otherwise, as when the key is missing.
std::wstring FindBrowserPath();

}  // namespace tavrin::platform
