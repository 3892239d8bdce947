#include "DialogDriver.h"

#include <commctrl.h>

namespace tavrin::app::testing {

namespace {

// Hook and timer procedures carry no context; a test thread runs one
// watcher and one script at a time.
thread_local MessageBoxWatcher* activeWatcher = nullptr;
thread_local DialogScript* activeScript = nullptr;

HICON IconOfBox(HWND box) {
    // Windows numbers the icon control 20, Wine 0x440.
    for (const int id : {20, 0x440}) {
        const HWND control = ::GetDlgItem(box, id);
        if (control == nullptr) continue;
        if (const auto icon = reinterpret_cast<HICON>(::SendMessageW(control, STM_GETICON, 0, 0))) return icon;
    }
    return nullptr;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() {
    activeWatcher = this;
    hook_ = ::SetWindowsHookExW(WH_CALLWNDPROCRET, &MessageBoxWatcher::HookProcedure, nullptr, ::GetCurrentThreadId());
}

MessageBoxWatcher::~MessageBoxWatcher() {
    if (hook_ != nullptr) ::UnhookWindowsHookEx(hook_);
    activeWatcher = nullptr;
}

// Read when the box's WM_INITDIALOG has returned: a system-modal box is
// activated while it is still being set up, before its text is in place.
LRESULT CALLBACK MessageBoxWatcher::HookProcedure(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && activeWatcher != nullptr) {
        const HWND window = call->hwnd;
        wchar_t className[16] = {};
        ::GetClassNameW(window, className, 16);
        // The settings dialog is unowned; a message box is owned by it.
        if (std::wstring(className) == L"#32770" &&
            (activeWatcher->includeUnowned || ::GetWindow(window, GW_OWNER) != nullptr)) {
            ShownBox box;
            box.caption = TextOf(window);
            box.text = TextOf(::GetDlgItem(window, 0xFFFF));
            box.icon = IconOfBox(window);
            box.topmost = (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            // The button drawn as the default, which Enter presses.
            for (const int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
                const HWND button = ::GetDlgItem(window, id);
                if (button != nullptr && (::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                    box.defaultButton = id;
                }
            }
            activeWatcher->boxes_.push_back(box);
            if (activeWatcher->onShown) activeWatcher->onShown(box);
            ::PostMessageW(window, WM_COMMAND, activeWatcher->answer, 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR DialogScript::RunModal(const std::function<INT_PTR()>& doModal) {
    activeScript = this;
    timer_ = ::SetTimer(nullptr, 0, 20, &DialogScript::Tick);
    const INT_PTR result = doModal();
    ::KillTimer(nullptr, timer_);
    activeScript = nullptr;
    return result;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogScript* self = activeScript;
    if (self == nullptr) return;
    const HWND dialog = self->dialog_();
    // A step that shows a message box runs a nested loop that ticks too.
    if (self->inStep_ || dialog == nullptr || !::IsWindowVisible(dialog)) return;
    if (self->next_ < self->steps_.size()) {
        self->inStep_ = true;
        self->steps_[self->next_++](dialog);
        self->inStep_ = false;
    } else {
        ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ItemText(HWND dialog, int id) { return TextOf(::GetDlgItem(dialog, id)); }

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void PressKey(HWND target, WPARAM key) {
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

DWORD AddressOf(HWND dialog, int id, int* filledFields) {
    DWORD address = 0;
    const auto filled = static_cast<int>(
        ::SendDlgItemMessageW(dialog, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)));
    if (filledFields != nullptr) *filledFields = filled;
    return address;
}

}  // namespace tavrin::app::testing
