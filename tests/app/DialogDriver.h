#pragma once

// Drives a modal dialog from inside its own modal loop, and answers the
// message boxes it shows while recording what they said.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tavrin::app::testing {

struct ShownBox {
    std::wstring caption;
    std::wstring text;
    HICON icon = nullptr;     // the system icon shown, null for none
    bool topmost = false;     // system-modal boxes stay on top
    int defaultButton = 0;    // the button Enter presses, 0 for none
};

// Records every message box (a #32770 window with an owner) once it is
// set up, and presses its OK button (or the one `answer` names). One per
// test, on the test's thread.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    const std::vector<ShownBox>& Boxes() const { return boxes_; }
    // Called with each box's text as it is shown, for tests that log an order of events.
    std::function<void(const ShownBox&)> onShown;
    int answer = IDOK;
    // Also a box without an owner (one shown when there is no dialog).
    bool includeUnowned = false;

private:
    static LRESULT CALLBACK HookProcedure(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    std::vector<ShownBox> boxes_;
};

// Runs each step on its own turn of the dialog's message loop, after the
// dialog is up; a message posted by one step is handled before the next.
// When the steps are done and the dialog is still shown, it is cancelled.
class DialogScript {
public:
    using Step = std::function<void(HWND dialog)>;
    explicit DialogScript(std::vector<Step> steps) : steps_(std::move(steps)) {}

    // Runs the dialog modally with the script; DoModal's result.
    template <typename Dialog>
    INT_PTR Run(Dialog& dialog) {
        dialog_ = [&dialog] { return dialog.DialogWindow().Handle(); };
        return RunModal([&dialog] { return dialog.DoModal(); });
    }
    std::size_t StepsRun() const { return next_; }

private:
    INT_PTR RunModal(const std::function<INT_PTR()>& doModal);
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);

    std::vector<Step> steps_;
    std::function<HWND()> dialog_;
    std::size_t next_ = 0;
    bool inStep_ = false;
    UINT_PTR timer_ = 0;
};

// Helpers for the steps.
std::wstring TextOf(HWND window);
std::wstring ItemText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
void Click(HWND dialog, int id);
void PressKey(HWND target, WPARAM key);
DWORD AddressOf(HWND dialog, int id, int* filledFields = nullptr);

}  // namespace tavrin::app::testing
