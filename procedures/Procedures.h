#pragma once

#include <string>

#include "procedures/DialogHost.h"
#include "procedures/Services.h"
#include "procedures/SetUpTarget.h"
#include "settings/Settings.h"
#include "texts/Messages.h"

namespace tavrin {


inline constexpr const wchar_t* kShortcutWorkingDirectory = L"%HOMEDRIVE%%HOMEPATH%";

// Writes the refresh script for the link address. False, after telling the
// user, when the file cannot be opened; a failed write or close throws FileError.
bool WriteRefreshScript(DialogHost& host, FileStore& files, const std::wstring& path,
                        const std::wstring& linkAddress);

// Writes the Show-Desktop command file; failures as for WriteRefreshScript.
bool WriteShowDesktopFile(DialogHost& host, FileStore& files, const std::wstring& path);

// Registers the daily refresh task at the given hour; false, after telling the
// user, when SCHTASKS did not end with status 0. With an empty `principalSid`
// the task is the running account's, registered by the /TR line; with a SID,
// SCHTASKS gets a task document (/XML) with the same action and start whose
// principal is that account, with its interactive token and least privilege.
bool RegisterRefreshTask(DialogHost& host, const PlatformServices& platform, const std::wstring& scriptPath,
                         int hour, const std::wstring& taskName, const std::wstring& principalSid);

// The task 登録 registers: the /TR action split as SCHTASKS splits it, one
// calendar trigger a day starting today at the hour, the principal's SID
// (empty: the author) with an interactive token and least privilege.
TaskDefinition RefreshTaskDefinition(const std::wstring& scriptPath, int hour, bool nativeAmd64,
                                     const LocalTime& today, const std::wstring& principalSid);

// Asks the unit's display page at the link address before anything is
// written. True when it answers, or when the user chooses to register anyway;
// otherwise false with nothing done (after "いいえ" the focus is in the address).
bool CheckUnitPage(DialogHost& host, PageProbe& pages, const std::wstring& linkAddress);

// True for the versions on which "登録" also writes the Show-Desktop file and
// its shortcut: 6.2 and 6.3.
bool ReportsShowDesktopPlatform(const ReportedVersion& version);

// "登録": the unit's page (CheckUnitPage), then script, task, Show-Desktop file and shortcut where the platform
// reports 6.2 or 6.3, then both kiosk shortcuts. `settings` is the dialog's
// member, brought up to date by host.ReadControls(). True only when every
// step was done; the dialog goes by its messages, the command line by this.
bool RunRegisterProcedure(DialogHost& host, const Settings& settings, const SetUpTarget& target,
                          const std::wstring& browserPath, const PlatformServices& platform);

// "削除": deletes the target's task, then the script and both kiosk shortcuts. Success
// is reported, and true returned, only when the task and every file are gone.
bool RunRemoveProcedure(DialogHost& host, const SetUpTarget& target, const PlatformServices& platform);

}  // namespace tavrin
