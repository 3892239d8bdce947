#pragma once

#include <windows.h>

#include <string>

#include "app/ModalDialog.h"
#include "app/Window.h"
#include "procedures/DialogHost.h"
#include "procedures/Services.h"
#include "procedures/StartupEnvironment.h"
#include "settings/Settings.h"

namespace tavrin::app {

// The settings dialog: holds the settings, the known folders and the browser
// path for the whole run and dispatches "登録", "削除" and "キャンセル".
class CTavrinDlg final : public ModalDialog, private DialogHost, private StartupUser {
public:
    CTavrinDlg(StartupEnvironment& environment, const PlatformServices& services);
    // Defined once, in TavrinDlg.cpp: an implicit one is emitted, with its
    // thunks for the two interfaces, in every file that destroys a dialog,
    // and the link-time optimised link refuses those copies.
    ~CTavrinDlg() override;

    const Settings& CurrentSettings() const { return settings_; }
    const std::wstring& BrowserPath() const { return browserPath_; }
    // The dialog was asked to close while the unit's page was being asked:
    // the check ends, and so does the dialog.
    bool CloseRequested() const { return closeRequested_; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(DataExchange& exchange) override;
    bool OnCommand(int id, int notifyCode, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnHelp() override;
    void OnCancel() override;
    void OnCloseWhileBusy() override;

private:
    // DialogHost, for the procedures.
    void ShowMessage(const std::wstring& text) override;
    bool ReadControls() override { return UpdateData(true); }
    void CloseWithOk() override { ModalDialog::OnOK(); }
    void FocusUnitAddress() override;
    bool ConfirmUnansweredPage(const std::wstring& linkAddress, const std::wstring& reason) override;

    // StartupUser, for the start-up checks: a missing folder or browser
    // ends the dialog before it shows.
    void ReportMissing(const std::wstring& text) override;
    bool ConfirmSetUpFor(const SetUpTarget& target) override;

    void UpdatePageSuffix();
    void OnRegister();
    void OnRemove();
    void PaintMinimized();
    HICON Icon();

    // Looks busy, as Windows programs do, for as long as it lives: the wait
    // cursor over the dialog and 登録 and 削除 unavailable. Put back however
    // the wait it wraps ends; the focus goes back where it was.
    class BusyScope {
    public:
        explicit BusyScope(CTavrinDlg& dialog);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        CTavrinDlg& dialog_;
        HWND focus_ = nullptr;
        bool outermost_ = false;
        bool enabled_[2] = {};
    };
    // The cursor over the dialog as it is now.
    void RefreshCursor() const;

    // Runs each command busy and with the dialog disabled. The runner
    // dispatches messages while it waits, so the dialog keeps painting;
    // disabled, it takes no clicks or keys meanwhile.
    class DisabledWhileRunning final : public CommandRunner {
    public:
        DisabledWhileRunning(CTavrinDlg& dialog, CommandRunner& commands) : dialog_(dialog), commands_(commands) {}
        int RunCommandLine(const std::wstring& commandLine) override;

    private:
        CTavrinDlg& dialog_;
        CommandRunner& commands_;
    };

    // Marks the page check as running, the one wait that closing the dialog
    // ends (キャンセル and the close box stay available for that), busy.
    class StoppableCheck final : public PageProbe {
    public:
        StoppableCheck(CTavrinDlg& dialog, PageProbe& pages) : dialog_(dialog), pages_(pages) {}
        PageAnswer RequestPage(const std::wstring& linkAddress) override;

    private:
        CTavrinDlg& dialog_;
        PageProbe& pages_;
    };

    // Reads the Task Scheduler busy: the read may wait.
    class BusyReading final : public TaskScheduler {
    public:
        BusyReading(CTavrinDlg& dialog, TaskScheduler& tasks) : dialog_(dialog), tasks_(tasks) {}
        ScheduledTask ReadTask(const std::wstring& taskName) override;
        LocalTime LocalNow() override { return tasks_.LocalNow(); }
        std::unique_ptr<TaskDocumentFile> SaveTaskDocument(const std::wstring& xml) override {
            return tasks_.SaveTaskDocument(xml);
        }

    private:
        CTavrinDlg& dialog_;
        TaskScheduler& tasks_;
    };

    HICON icon_ = nullptr;  // loaded once the dialog shows
    bool iconsSet_ = false;
    int busy_ = 0;
    Settings settings_;
    Window registerButton_;
    std::wstring browserPath_;
    SetUpTarget target_;
    std::wstring runningAccount_;  // for the notice naming whom the set-up is for
    StartupEnvironment& environment_;
    DisabledWhileRunning commands_;
    bool checkingPage_ = false;
    bool closeRequested_ = false;
    StoppableCheck pages_;
    BusyReading tasks_;
    PlatformServices services_;
    bool endedAtStartup_ = false;
};

}  // namespace tavrin::app
