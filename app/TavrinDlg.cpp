#include "app/TavrinDlg.h"

#include <iterator>

#include "app/DataExchange.h"
#include "app/Module.h"
#include "app/resource.h"
#include "procedures/Procedures.h"
#include "texts/Messages.h"

namespace tavrin::app {

namespace {

// Help contexts of dialogs are numbered from here, plus the template id.
constexpr DWORD kDialogHelpContextBase = 0x20000;

// Posted after the first painting: the window icons are set then, not
// before the dialog is seen.
constexpr UINT kSetIconsMessage = WM_APP + 1;

// The buttons that start something, unavailable while the dialog is busy.
constexpr int kBusyButtons[] = {IDOK, IDC_REMOVE};

bool KeyHeld(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

}  // namespace

CTavrinDlg::CTavrinDlg(StartupEnvironment& environment, const PlatformServices& services)
    : ModalDialog(IDD_TAVRIN_DIALOG),
      environment_(environment),
      commands_(*this, services.commands),
      pages_(*this, services.pages),
      tasks_(*this, services.tasks),
      services_{services.files, commands_, services.system, services.shortcuts, tasks_, pages_} {}

CTavrinDlg::~CTavrinDlg() = default;

CTavrinDlg::BusyScope::BusyScope(CTavrinDlg& dialog) : dialog_(dialog), outermost_(dialog.busy_++ == 0) {
    const HWND window = dialog_.DialogWindow().Handle();
    if (!outermost_ || window == nullptr) return;
    focus_ = ::GetFocus();
    for (std::size_t i = 0; i < std::size(kBusyButtons); ++i) {
        // EnableWindow answers whether the button was disabled before.
        enabled_[i] = !::EnableWindow(::GetDlgItem(window, kBusyButtons[i]), FALSE);
    }
    dialog_.RefreshCursor();
}

CTavrinDlg::BusyScope::~BusyScope() {
    --dialog_.busy_;
    const HWND window = dialog_.DialogWindow().Handle();
    if (!outermost_ || window == nullptr) return;
    for (std::size_t i = 0; i < std::size(kBusyButtons); ++i) {
        if (enabled_[i]) ::EnableWindow(::GetDlgItem(window, kBusyButtons[i]), TRUE);
    }
    // A disabled button loses the focus; the keyboard must go on working.
    const HWND focus = ::GetFocus();
    if (focus_ != nullptr && focus_ != focus && ::IsChild(window, focus_) && ::IsWindowEnabled(focus_) &&
        (focus == nullptr || focus == window)) {
        ::SetFocus(focus_);
    }
    dialog_.RefreshCursor();
}

// The cursor changes by itself only when the mouse moves: asks the window
// under it for its cursor now, when that window is the dialog or in it.
void CTavrinDlg::RefreshCursor() const {
    const HWND window = DialogWindow().Handle();
    POINT at{};
    if (window == nullptr || !::GetCursorPos(&at)) return;
    const HWND under = ::WindowFromPoint(at);
    if (under != window && !::IsChild(window, under)) return;
    const LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
}

PageAnswer CTavrinDlg::StoppableCheck::RequestPage(const std::wstring& linkAddress) {
    const BusyScope busy(dialog_);
    dialog_.checkingPage_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{dialog_.checkingPage_};
    return pages_.RequestPage(linkAddress);
}

ScheduledTask CTavrinDlg::BusyReading::ReadTask(const std::wstring& taskName) {
    const BusyScope busy(dialog_);
    return tasks_.ReadTask(taskName);
}

int CTavrinDlg::DisabledWhileRunning::RunCommandLine(const std::wstring& commandLine) {
    const BusyScope busy(dialog_);
    const HWND window = dialog_.DialogWindow().Handle();
    const HWND focus = ::GetFocus();
    // EnableWindow answers whether the window was disabled before.
    const bool disabledHere = window != nullptr && !::EnableWindow(window, FALSE);
    struct Restore {
        HWND window;
        HWND focus;
        bool enable;
        ~Restore() {
            if (!enable) return;
            ::EnableWindow(window, TRUE);
            if (focus != nullptr && ::IsChild(window, focus)) ::SetFocus(focus);
        }
    } restore{window, focus, disabledHere};
    return commands_.RunCommandLine(commandLine);
}

void CTavrinDlg::DoDataExchange(DataExchange& exchange) {
    exchange.IPAddress(IDC_UNIT_ADDRESS, settings_.unitAddress, settings_.unitAddressComplete);
    exchange.Radio(IDC_SIZE_HD, settings_.screenSizeChoice);
    exchange.Text(IDC_PAGE_SUFFIX, settings_.pageSuffix);
    exchange.Control(IDOK, registerButton_);
    exchange.ComboString(IDC_REFRESH_HOUR, settings_.refreshHour);
    exchange.MaxChars(settings_.refreshHour, kRefreshHourMaxChars);
}

BOOL CTavrinDlg::OnInitDialog() {
    // The label's text follows from the settings alone: computed first, so
    // that the one exchange into the controls writes each control once.
    tavrin::UpdatePageSuffix(settings_);
    ModalDialog::OnInitDialog();

    const TargetChoice choice = ChooseSetUpTarget(environment_, TargetRequest{});
    if (choice.running) runningAccount_ = AccountDisplayName(*choice.running);
    const StartupResult startup = RunStartupChecks(environment_, *this, DialogSetUpTarget(choice));
    browserPath_ = startup.browserPath;
    target_ = startup.target;
    // A missing folder or browser has ended the dialog already.
    if (!startup.ready && !endedAtStartup_) OnCancel();
    return TRUE;
}

HICON CTavrinDlg::Icon() {
    if (icon_ == nullptr) icon_ = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    return icon_;
}

bool CTavrinDlg::OnCommand(int id, int notifyCode, HWND control) {
    if (notifyCode == BN_CLICKED) {
        switch (id) {
            case IDC_SIZE_HD:
            case IDC_SIZE_FULL_HD: UpdatePageSuffix(); return true;
            case IDOK: OnRegister(); return true;
            case IDC_REMOVE: OnRemove(); return true;
            default: break;
        }
    }
    return ModalDialog::OnCommand(id, notifyCode, control);
}

bool CTavrinDlg::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
    switch (message) {
        case WM_PAINT:
            if (!iconsSet_) {
                iconsSet_ = true;
                ::PostMessageW(DialogWindow().Handle(), kSetIconsMessage, 0, 0);
            }
            if (!::IsIconic(DialogWindow().Handle())) return false;
            PaintMinimized();
            result = TRUE;
            return true;
        case kSetIconsMessage:
            DialogWindow().Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon()));
            DialogWindow().Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Icon()));
            result = TRUE;
            return true;
        case WM_SETCURSOR:
            if (busy_ == 0) return false;
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            ::SetWindowLongPtrW(DialogWindow().Handle(), DWLP_MSGRESULT, TRUE);
            result = TRUE;
            return true;
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<INT_PTR>(Icon());
            return true;
        default:
            return false;
    }
}

void CTavrinDlg::PaintMinimized() {
    const HWND window = DialogWindow().Handle();
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(window, &paint);
    ::SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(window, &client);
    ::DrawIcon(dc, (client.right - client.left - iconWidth + 1) / 2, (client.bottom - client.top - iconHeight + 1) / 2,
               Icon());
    ::EndPaint(window, &paint);
}

void CTavrinDlg::OnHelp() {
    if (KeyHeld(VK_SHIFT) || KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU)) return;
    const std::wstring helpFile = HelpFilePath();
    if (!::WinHelpW(DialogWindow().Handle(), helpFile.c_str(), HELP_CONTEXT,
                    kDialogHelpContextBase + static_cast<DWORD>(TemplateId()))) {
        ShowMessageBox(kHelpFailedMessage, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CTavrinDlg::UpdatePageSuffix() {
    UpdateData(true);
    tavrin::UpdatePageSuffix(settings_);
    UpdateData(false);
}

void CTavrinDlg::OnRegister() {
    {
        const ProcedureScope running(*this);
        RunRegisterProcedure(*this, settings_, target_, browserPath_, services_);
    }
    if (closeRequested_) OnCancel();
}

void CTavrinDlg::OnRemove() {
    const ProcedureScope running(*this);
    RunRemoveProcedure(*this, target_, services_);
}

void CTavrinDlg::ShowMessage(const std::wstring& text) { ShowMessageBox(text, MB_OK); }

void CTavrinDlg::ReportMissing(const std::wstring& text) {
    ShowMessage(text);
    OnCancel();
    endedAtStartup_ = true;
}

bool CTavrinDlg::ConfirmSetUpFor(const SetUpTarget& target) {
    if (!target.otherUser) return true;
    // "はい" is the default: setting up the user at the screen is what is meant.
    const std::wstring notice = DisplayUserNotice(runningAccount_, AccountDisplayName(target.account));
    return ShowMessageBox(notice, MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON1) == IDYES;
}

void CTavrinDlg::FocusUnitAddress() {
    // Through the dialog manager, so that the default button follows the focus.
    const HWND address = DialogWindow().Item(IDC_UNIT_ADDRESS).Handle();
    DialogWindow().Send(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(address), TRUE);
}

bool CTavrinDlg::ConfirmUnansweredPage(const std::wstring& linkAddress, const std::wstring& reason) {
    return ShowMessageBox(PageUnansweredQuestion(linkAddress, reason), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
}

void CTavrinDlg::OnCloseWhileBusy() {
    if (checkingPage_) closeRequested_ = true;
}

void CTavrinDlg::OnCancel() {
    environment_.ReleaseKnownFolders();
    ModalDialog::OnCancel();
}

}  // namespace tavrin::app
