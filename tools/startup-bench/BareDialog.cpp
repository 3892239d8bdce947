// The floor the tool's start-up is measured against: the tool's own dialog
// template, shown after the same required work (the known folders, App Paths,
// the accounts), by a dialog procedure that does nothing else.

#include <windows.h>

#include <commctrl.h>

#include "app/resource.h"
#include "platform/Win32StartupEnvironment.h"
#include "procedures/SetUpTarget.h"

namespace {

class Unattended final : public tavrin::StartupUser {
public:
    void ReportMissing(const std::wstring&) override {}
    bool ConfirmSetUpFor(const tavrin::SetUpTarget&) override { return true; }
};

INT_PTR CALLBACK BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        ::EndDialog(window, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    ::InitCommonControlsEx(&classes);
    tavrin::platform::Win32StartupEnvironment environment;
    Unattended user;
    const tavrin::TargetChoice choice = tavrin::ChooseSetUpTarget(environment, tavrin::TargetRequest{});
    tavrin::RunStartupChecks(environment, user, tavrin::DialogSetUpTarget(choice));
    ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TAVRIN_DIALOG), nullptr, &BareProcedure, 0);
    return 0;
}
