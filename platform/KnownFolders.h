#pragma once

#include <string>

#include "procedures/Services.h"

namespace tavrin::platform {

// The current user's Desktop, Documents and Startup folders, as three slots
// that own the strings SHGetKnownFolderPath allocated. A slot is released at
// most once: Release() frees and empties every slot, so a second call frees
// nothing. The destructor does not release (the dialog decides when).
class KnownFolderSlots {
public:
    KnownFolderSlots() = default;
    KnownFolderSlots(const KnownFolderSlots&) = delete;
    KnownFolderSlots& operator=(const KnownFolderSlots&) = delete;
    ~KnownFolderSlots() = default;

    // Desktop, then Documents, then Startup, each with KF_FLAG_CREATE; stops
    // at the first failure. True only when all three were obtained.
    bool QueryKnownFolders();
    void Release();

    // The paths as the platform gave them; empty for an empty slot.
    KnownFolderPaths Paths() const;

private:
    wchar_t* desktop_ = nullptr;
    wchar_t* documents_ = nullptr;
    wchar_t* startup_ = nullptr;
};

// Full path of msedge.exe from the App Paths key: a text value (expanded when
// it is of the expandable kind), cleaned up by CleanBrowserPathValue, that
// names an existing file. Empty otherwise, as when the key is missing.
std::wstring FindBrowserPath();

}  // namespace tavrin::platform
