#pragma once

#include <windows.h>

#include <string>

#include "app/Window.h"

namespace tavrin::app {

class DataExchange;

// A modal dialog from a template of the executable. One static dialog
// procedure stores `this` and forwards to the virtuals below; it is the
// command boundary: no exception leaves it, each is reported in a message
// box and the dialog stays open.
class ModalDialog {
public:
    explicit ModalDialog(int templateId) : templateId_(templateId) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs the dialog until it ends; -1 when it could not be created, with
    // the system's error code in CreateError().
    INT_PTR DoModal();
    DWORD CreateError() const { return createError_; }

    Window DialogWindow() const { return window_; }
    int TemplateId() const { return templateId_; }

    // Runs DoDataExchange once: true copies the controls into the members,
    // false the members into the controls. False when the exchange failed;
    // the failure has been reported by then.
    bool UpdateData(bool saveAndValidate);

    void EndDialog(INT_PTR result) const { ::EndDialog(window_.Handle(), result); }

    // A box owned by the dialog, captioned with the application name; the
    // button pressed.
    int ShowMessageBox(const std::wstring& text, UINT style) const;

    // Called with the dialog's window (and `windowCreatedContext`) as soon as
    // it exists, before OnInitDialog and its start-up checks.
    void (*onWindowCreated)(HWND window, void* windowCreatedContext) = nullptr;
    void* windowCreatedContext = nullptr;

protected:
    // Marks a procedure as running for its whole length. A procedure may
    // wait with the thread's messages dispatched underneath it; a command or
    // close request reaching the dialog meanwhile is dropped, so nothing
    // starts a second procedure or ends the dialog half-way through.
    class ProcedureScope {
    public:
        explicit ProcedureScope(ModalDialog& dialog) : dialog_(dialog), wasRunning_(dialog.procedureRunning_) {
            dialog_.procedureRunning_ = true;
        }
        ~ProcedureScope() { dialog_.procedureRunning_ = wasRunning_; }
        ProcedureScope(const ProcedureScope&) = delete;
        ProcedureScope& operator=(const ProcedureScope&) = delete;

    private:
        ModalDialog& dialog_;
        bool wasRunning_;
    };

    // Adds the template's initial list items, then fills the controls.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(DataExchange&) {}
    // True when the command was handled.
    virtual bool OnCommand(int id, int notifyCode, HWND control);
    // Any other message; true when handled, with the dialog procedure's result.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }
    virtual void OnHelp() {}
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A close request (close box, Escape, キャンセル) that arrived while a
    // procedure runs and was dropped; a procedure that can be ended early
    // looks for it.
    virtual void OnCloseWhileBusy() {}

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void AddInitialItems() const;
    void CenterInWorkArea() const;

    int templateId_;
    Window window_;
    bool exchanging_ = false;
    bool procedureRunning_ = false;
    DWORD createError_ = ERROR_SUCCESS;
};

}  // namespace tavrin::app
