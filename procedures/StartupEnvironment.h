#pragma once

#include <string>

#include "procedures/AccountCheck.h"
#include "procedures/Services.h"

namespace tavrin {

// What the tool fetches once when it starts: the three known folders it
// writes into, the browser it points the shortcuts at, and whose account all
// of it belongs to.
// How the known folders are asked for: created when missing (the dialog, 登録
// and 削除), or only looked up, so that a run that must change nothing
// (/status) creates no folder.
enum class FolderLookup { createMissing, lookUpOnly };

class StartupEnvironment : public AccountInfo {
public:
    // Desktop, Documents and Startup; true only when all three were obtained.
    virtual bool QueryKnownFolders(FolderLookup lookup) = 0;
    // Frees what QueryKnownFolders holds; a second call frees nothing.
    virtual void ReleaseKnownFolders() = 0;
    virtual KnownFolderPaths KnownFolders() const = 0;
    // Full path of msedge.exe; empty when it is not installed.
    virtual std::wstring FindBrowserPath() = 0;
};

// How the start-up checks reach the user.
class StartupUser {
public:
    virtual ~StartupUser() = default;
    // Something the tool needs is missing; the tool will end.
    virtual void ReportMissing(const std::wstring& text) = 0;
    // The tool runs as another account than the logged-on user; true to go on.
    virtual bool ConfirmOtherAccount(const std::wstring& question) = 0;
};

struct StartupResult {
    bool ready = false;        // false: the tool ends without taking any input
    std::wstring browserPath;  // empty when the browser is missing
};

// The checks made before anything can be set up, in this order: the known
// folders, then the browser (looked for even when a folder is missing, so the
// user learns everything that is missing in one start), then, only when both
// are there, whose account the set-up will belong to.
StartupResult RunStartupChecks(StartupEnvironment& environment, StartupUser& user,
                               FolderLookup lookup = FolderLookup::createMissing);

}  // namespace tavrin
