#pragma once

#include <optional>
#include <string>

#include "procedures/AccountCheck.h"
#include "procedures/Services.h"

namespace tavrin {

// Whom the set-up is for, decided once at start-up and handed to the
// procedures: the account whose Documents, Startup and Desktop receive the
// files, whose name the task carries and (for another user than the running
// account) whose identifier is the task's principal. No procedure asks "who"
// again.
struct SetUpTarget {
    AccountName account;
    // Another account than the running one: its folders come from its token
    // or its registry, and its task is made for it.
    bool otherUser = false;
    unsigned long session = 0;  // otherUser: the session the user is logged on to
    KnownFolderPaths folders;   // filled by the start-up checks
};

// The refresh task's name for the target's account.
std::wstring TargetTaskName(const SetUpTarget& target);
// The identifier the task runs as: empty for the running account's own task
// (today's SCHTASKS line), the user's identifier for another user.
std::wstring TargetTaskPrincipal(const SetUpTarget& target);

// Why a command line sets up nobody (exit 5).
enum class TargetRefusal {
    none,
    nobodyLoggedOn,   // an agent retries later
    consoleChanging,  // still changing hands after the retries
    cannotTell,       // the display user (or the running account) cannot be read
    guardMismatch,    // /user names someone else than the display user
};

// What the command line asked about whom: /account current, /user DOMAIN\name.
struct TargetRequest {
    bool runningAccountMeant = false;
    std::wstring guard;  // empty without /user
};

struct TargetChoice {
    TargetRefusal refusal = TargetRefusal::none;
    // Whom the run sets up; also set for guardMismatch (whom /user did not name).
    std::optional<SetUpTarget> target;
    std::optional<AccountName> running;     // the process account, when readable
    std::optional<AccountName> displayUser; // the user at the screen, when known
};

// The display user (or, asked for, the running account), with the guard
// applied. Reads the facts once (retrying while the console changes hands).
TargetChoice ChooseSetUpTarget(DisplayUserSource& source, const TargetRequest& request);

// The dialog's choice: the display user; where there is none to be had, the
// running account as before (a person is there to see whom it names).
SetUpTarget DialogSetUpTarget(const TargetChoice& choice);

}  // namespace tavrin
