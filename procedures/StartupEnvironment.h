#pragma once

#include <string>

#include "procedures/AccountCheck.h"
#include "procedures/Services.h"
#include "procedures/SetUpTarget.h"

namespace tavrin {

// What the tool fetches once when it starts: whom the set-up is for, that
// account's three known folders and the browser the shortcuts point at.
// How the known folders are asked for: created when missing (the dialog, 登録
// and 削除), or only looked up, so that a run that must change nothing
// (/status) creates no folder.
enum class FolderLookup { createMissing, lookUpOnly };

class StartupEnvironment : public DisplayUserSource {
public:
    // The target's Desktop, Documents and Startup; true only when all three
    // were obtained. The running account's come from the shell; another
    // user's from that user's token or, without one, that user's registry.
    virtual bool QueryKnownFolders(const SetUpTarget& target, FolderLookup lookup) = 0;
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
    // Says whom the set-up is for where that is not plainly the running
    // account; true to go on.
    virtual bool ConfirmSetUpFor(const SetUpTarget& target) = 0;
};

struct StartupResult {
    bool ready = false;        // false: the tool ends without taking any input
    std::wstring browserPath;  // empty when the browser is missing
    SetUpTarget target;        // whom the set-up is for, with its folders
};

// The checks made before anything can be set up, in this order: the
// target's known folders, then the browser (looked for even when a folder is
// missing, so the user learns everything that is missing in one start),
// then, only when both are there, whom the set-up is for.
StartupResult RunStartupChecks(StartupEnvironment& environment, StartupUser& user, const SetUpTarget& target,
                               FolderLookup lookup = FolderLookup::createMissing);

}  // namespace tavrin
