#include "procedures/Procedures.h"

#include <vector>

#include "procedures/FileError.h"
#include "texts/RefreshScript.h"
#include "texts/SchedulerCommands.h"
#include "texts/ShowDesktopFile.h"

namespace tavrin {

namespace {

// Opens, writes every line and closes. A write or close failure throws and
// leaves the file to the writer's destructor.
bool WriteTextFile(DialogHost& host, FileStore& files, const std::wstring& path,
                   const std::vector<std::wstring>& lines, const wchar_t* openFailedMessage) {
    std::unique_ptr<TextFileOutput> file = files.OpenForWriting(path);
    if (!file) {
        host.ShowMessage(openFailedMessage);
        return false;
    }
    for (const std::wstring& line : lines) file->WriteString(line);
    file->Close();
    return true;
}

// Every file 登録 writes or 削除 removes.
void RemoveLeftoverWorkFiles(FileStore& files, const KnownFolderPaths& folders) {
    const std::wstring paths[] = {RefreshScriptPath(folders.documents), ShowDesktopFilePath(folders.documents),
                                  ShowDesktopShortcutPath(folders.startup), KioskShortcutPath(folders.startup),
                                  KioskShortcutPath(folders.desktop)};
    for (const std::wstring& path : paths) files.RemoveWorkFiles(path);
}

}  // namespace

bool ReportsShowDesktopPlatform(const ReportedVersion& version) {
    return version.major == 6 && (version.minor == 2 || version.minor == 3);
}

bool WriteRefreshScript(DialogHost& host, FileStore& files, const std::wstring& path,
                        const std::wstring& linkAddress) {
    return WriteTextFile(host, files, path, RefreshScriptLines(linkAddress), kScriptWriteFailedMessage);
}

bool WriteShowDesktopFile(DialogHost& host, FileStore& files, const std::wstring& path) {
    return WriteTextFile(host, files, path, ShowDesktopFileLines(), kDesktopShortcutFailedMessage);
}

TaskDefinition RefreshTaskDefinition(const std::wstring& scriptPath, int hour, bool nativeAmd64,
                                     const LocalTime& today, const std::wstring& principalSid) {
    TaskDefinition definition;
    definition.principal = {principalSid, L"InteractiveToken", L"LeastPrivilege"};
    definition.actions.push_back(SplitTaskRun(BuildTaskAction(scriptPath, nativeAmd64)));
    TaskTrigger daily;
    daily.calendar = true;
    daily.daysInterval = 1;
    // As SCHTASKS /SC DAILY /ST stores it: today, at the hour.
    daily.startBoundary = BoundaryText(LocalTime{today.year, today.month, today.day, hour, 0, 0});
    definition.triggers.push_back(daily);
    return definition;
}

bool RegisterRefreshTask(DialogHost& host, const PlatformServices& platform, const std::wstring& scriptPath,
                         int hour, const std::wstring& taskName, const std::wstring& principalSid) {
    const bool nativeAmd64 = platform.system.IsNativeAmd64();
    int status = kCommandDidNotRun;
    if (principalSid.empty()) {
        status = platform.commands.RunCommandLine(BuildCreateTaskCommand(taskName, scriptPath, hour, nativeAmd64));
    } else {
        const TaskDefinition definition =
            RefreshTaskDefinition(scriptPath, hour, nativeAmd64, platform.tasks.LocalNow(), principalSid);
        // Removed (with its folder) as soon as SCHTASKS has read it.
        const std::unique_ptr<TaskDocumentFile> document =
            platform.tasks.SaveTaskDocument(TaskDocumentXml(definition));
        if (document) {
            status = platform.commands.RunCommandLine(BuildCreateTaskFromDocumentCommand(taskName, document->Path()));
        }
    }
    if (status != 0) {
        host.ShowMessage(kTaskRegistrationFailedMessage);
        return false;
    }
    return true;
}

bool CheckUnitPage(DialogHost& host, PageProbe& pages, const std::wstring& linkAddress) {
    const PageAnswer answer = pages.RequestPage(linkAddress);
    if (PageAnswers(answer)) return true;
    // Stopped only because the dialog is being closed: nothing more to ask.
    if (answer.kind == PageAnswer::Kind::stopped) return false;
    if (host.ConfirmUnansweredPage(linkAddress, PageProblemReason(answer))) return true;
    host.FocusUnitAddress();
    return false;
}

ProcedureResult RunRegisterProcedure(DialogHost& host, const Settings& settings, const SetUpTarget& target,
                                     const std::wstring& browserPath, const PlatformServices& platform) {
    const KnownFolderPaths& folders = target.folders;
    host.ReadControls();
    // A blank field would read as 0 and register a unit that does not exist.
    if (!settings.unitAddressComplete) {
        host.ShowMessage(kAddressIncompleteMessage);
        host.FocusUnitAddress();
        return ProcedureResult::failed;
    }
    const std::wstring scriptPath = RefreshScriptPath(folders.documents);
    // The task's account: empty for the account the tool runs as.
    const std::wstring principalSid = TargetTaskPrincipal(target);
    // SCHTASKS refuses a /TR longer than it takes; found out only at the task,
    // that would leave a script and no task. Nothing is written then.
    if (principalSid.empty() &&
        BuildTaskAction(scriptPath, platform.system.IsNativeAmd64()).size() > kMaxTaskRunLength) {
        host.ShowMessage(kTaskRegistrationFailedMessage);
        return ProcedureResult::failed;
    }
    RemoveLeftoverWorkFiles(platform.files, folders);
    const std::wstring linkAddress = LinkAddress(settings);
    if (!CheckUnitPage(host, platform.pages, linkAddress)) return ProcedureResult::failed;
    if (!WriteRefreshScript(host, platform.files, scriptPath, linkAddress)) return ProcedureResult::failed;

    // The hour goes to SCHTASKS as the number the list item names. Going
    // through today's local time at that hour would shift it on a day when
    // that hour does not exist (a daylight-saving gap).
    const int hour = RefreshHourNumber(settings.refreshHour);
    if (!RegisterRefreshTask(host, platform, scriptPath, hour, TargetTaskName(target), principalSid))
        return ProcedureResult::partial;

    if (ReportsShowDesktopPlatform(platform.system.QueryReportedVersion())) {
        const std::wstring showDesktopFile = ShowDesktopFilePath(folders.documents);
        if (!WriteShowDesktopFile(host, platform.files, showDesktopFile)) return ProcedureResult::partial;
        const ShortcutRecord showDesktop{ShowDesktopShortcutPath(folders.startup), showDesktopFile, L"",
                                         kShortcutWorkingDirectory, kShortcutDescriptions.showDesktop};
        if (!platform.shortcuts.SaveShortcut(showDesktop)) {
            host.ShowMessage(kStartupShortcutFailedMessage);
            return ProcedureResult::partial;
        }
    }

    const std::wstring kioskArguments = BuildKioskArguments(linkAddress);
    ShortcutRecord kiosk{KioskShortcutPath(folders.startup), browserPath, kioskArguments,
                         kShortcutWorkingDirectory, kShortcutDescriptions.kiosk};
    const bool savedInStartup = platform.shortcuts.SaveShortcut(kiosk);
    if (!savedInStartup) host.ShowMessage(kStartupShortcutFailedMessage);

    kiosk.linkPath = KioskShortcutPath(folders.desktop);
    const bool savedOnDesktop = platform.shortcuts.SaveShortcut(kiosk);
    if (!savedOnDesktop) host.ShowMessage(kDesktopShortcutFailedMessage);

    if (savedInStartup || savedOnDesktop) {
        host.ShowMessage(kRegisteredMessage);
        host.CloseWithOk();
    }
    return savedInStartup && savedOnDesktop ? ProcedureResult::done : ProcedureResult::partial;
}

namespace {

// Deletes the task; true when it is gone afterwards. SCHTASKS fails alike for
// a task that was never registered and for one it could not delete, so the
// Task Scheduler itself is asked afterwards: only its "no such task" counts
// as gone, or its silence after a delete that SCHTASKS reported as done.
bool DeleteRefreshTask(const PlatformServices& platform, const std::wstring& taskName) {
    const int deleted = platform.commands.RunCommandLine(BuildDeleteTaskCommand(taskName));
    const TaskLookup after = platform.tasks.ReadTask(taskName).lookup;
    return after == TaskLookup::missing || (deleted == 0 && after == TaskLookup::noAnswer);
}

}  // namespace

ProcedureResult RunRemoveProcedure(DialogHost& host, const SetUpTarget& target, const PlatformServices& platform) {
    const KnownFolderPaths& folders = target.folders;
    RemoveLeftoverWorkFiles(platform.files, folders);
    const bool taskRemoved = DeleteRefreshTask(platform, TargetTaskName(target));

    bool removalFailed = false;
    bool fileRemoved = false;
    const std::wstring paths[] = {RefreshScriptPath(folders.documents),
                                  KioskShortcutPath(folders.startup),
                                  KioskShortcutPath(folders.desktop)};
    for (const std::wstring& path : paths) {
        if (!platform.files.Exists(path)) continue;
        try {
            platform.files.Remove(path);
            fileRemoved = true;
        } catch (const FileError&) {
            removalFailed = true;
        }
    }
    if (!taskRemoved) host.ShowMessage(kTaskRemoveFailedMessage);
    if (removalFailed) host.ShowMessage(kRemoveFailedMessage);
    if (taskRemoved && !removalFailed) host.ShowMessage(kRemovedMessage);
    if (taskRemoved && !removalFailed) return ProcedureResult::done;
    return taskRemoved || fileRemoved ? ProcedureResult::partial : ProcedureResult::failed;
}

}  // namespace tavrin
