#pragma once

#include <string>

namespace tavrin {

// The settings dialog as the procedures see it.
class DialogHost {
public:
    virtual ~DialogHost() = default;
    // A message box owned by the dialog: text only, one OK button, no icon,
    // the application name as caption.
    virtual void ShowMessage(const std::wstring& text) = 0;
    // Copies the controls into the dialog's settings; false when the exchange failed.
    virtual bool ReadControls() = 0;
    // The dialog's OK close: reads the controls once more and, when that
    // worked, ends the dialog with IDOK.
    virtual void CloseWithOk() = 0;
    // Puts the focus on the unit-address control.
    virtual void FocusUnitAddress() = 0;
    // The unit's display page did not answer, for the reason given: true to
    // register anyway. The dialog asks (yes/no, warning icon, "いいえ" the
    // default); the command line reports it as a warning and goes on.
    virtual bool ConfirmUnansweredPage(const std::wstring& linkAddress, const std::wstring& reason) = 0;
};

}  // namespace tavrin
