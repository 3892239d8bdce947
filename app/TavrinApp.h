#pragma once

#include <windows.h>

namespace tavrin::app {

class ModalDialog;

// The tool's whole run: when another copy already runs in this logon
// session, only that copy is brought to the front; otherwise common
// controls, then the settings dialog once.
class CTavrinApp {
public:
    // Runs the dialog modally and returns FALSE when it has closed, however
    // it closed: there is no message loop after it.
    BOOL InitInstance();

    // The process's exit code afterwards: kExitDone after a normal end
    // (whatever the technician did, or the running copy brought forward);
    // kExitAnotherCopy when another copy is said to run but none of its
    // windows could be brought forward, kExitDialogNotShown when the dialog
    // could not be created. Both are said in a message box first.
    int ExitCode() const { return exitCode_; }

private:
    int exitCode_ = 0;
};

// Runs the dialog modally; when it cannot be created, says so with the
// system's error in a message box. The exit code the run ends with.
int RunSettingsDialog(ModalDialog& dialog);

}  // namespace tavrin::app
