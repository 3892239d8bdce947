#include "app/ModalDialog.h"

#include <cstdint>
#include <cstring>

#include "app/DataExchange.h"
#include "app/ErrorReport.h"
#include "app/Module.h"

namespace tavrin::app {

namespace {

constexpr WORD kAddComboString = 0x0403;
constexpr WORD kAddListString = 0x0401;
constexpr WORD kInitialDataType = 240;

std::wstring FromAnsi(const char* text, std::size_t length) {
    const int wideLength = ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength > 0 ? wideLength : 0), L'\0');
    if (wideLength > 0) ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide.data(), wideLength);
    return wide;
}

// What must not reach the dialog while a procedure runs: any command
// (buttons, Enter, Escape) and the ways of closing it.
bool EndsOrStartsSomething(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_CLOSE: return true;
        case WM_SYSCOMMAND: return (wParam & 0xFFF0) == SC_CLOSE;
        default: return false;
    }
}

bool AsksToClose(UINT message, WPARAM wParam) {
    return message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) ||
           (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL);
}

}  // namespace

INT_PTR ModalDialog::DoModal() {
    const INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), nullptr,
                                             &ModalDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
    createError_ = result == -1 ? ::GetLastError() : ERROR_SUCCESS;
    window_ = Window();
    return result;
}

INT_PTR CALLBACK ModalDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ModalDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModalDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->window_.Attach(window);
    } else {
        self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (self == nullptr) return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT)

    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        // The handler ends where it stood; nothing it did is undone.
        try {
            ReportCurrentException(self->window_, MB_ICONSTOP);
        } catch (...) {
        }
        return TRUE;
    }
}

INT_PTR ModalDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (procedureRunning_ && EndsOrStartsSomething(message, wParam)) {
        if (AsksToClose(message, wParam)) OnCloseWhileBusy();
        return TRUE;
    }
    switch (message) {
        case WM_INITDIALOG: {
            if (onWindowCreated != nullptr) onWindowCreated(window_.Handle(), windowCreatedContext);
            const BOOL result = OnInitDialog();
            CenterInWorkArea();
            return result;
        }
        case WM_COMMAND:
            // Writing into the controls makes some of them notify; an
            // exchange must not re-enter a handler.
            if (exchanging_ && lParam != 0) return TRUE;
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
        case WM_HELP:
            OnHelp();
            return TRUE;
        default: {
            INT_PTR result = 0;
            return OnMessage(message, wParam, lParam, result) ? result : FALSE;
        }
    }
}

BOOL ModalDialog::OnInitDialog() {
    AddInitialItems();
    UpdateData(false);
    return TRUE;
}

bool ModalDialog::OnCommand(int id, int notifyCode, HWND) {
    if (notifyCode != BN_CLICKED) return false;
    switch (id) {
        case IDOK: OnOK(); return true;
        case IDCANCEL: OnCancel(); return true;
        default: return false;
    }
}

void ModalDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

bool ModalDialog::UpdateData(bool saveAndValidate) {
    const bool wasExchanging = exchanging_;
    exchanging_ = true;
    bool completed = true;
    try {
        DataExchange exchange(*this, saveAndValidate);
        DoDataExchange(exchange);
    } catch (...) {
        completed = false;
        try {
            ReportCurrentException(window_, MB_ICONEXCLAMATION);
        } catch (...) {
        }
    }
    exchanging_ = wasExchanging;
    return completed;
}

int ModalDialog::ShowMessageBox(const std::wstring& text, UINT style) const {
    return ::MessageBoxW(window_.Handle(), text.c_str(), ApplicationName().c_str(), style);
}

// The items a list control gets before the first exchange, from the
// template's initial-data resource: records of control id, message, data
// length and ANSI text, ended by a zero id.
void ModalDialog::AddInitialItems() const {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(kInitialDataType));
    if (info == nullptr) return;
    const HGLOBAL loaded = ::LoadResource(module, info);
    const auto* data = static_cast<const unsigned char*>(::LockResource(loaded));
    const std::size_t size = ::SizeofResource(module, info);
    if (data == nullptr) return;

    std::size_t at = 0;
    while (at + 8 <= size) {
        WORD id = 0;
        WORD code = 0;
        std::uint32_t length = 0;
        std::memcpy(&id, data + at, 2);
        if (id == 0) break;
        std::memcpy(&code, data + at + 2, 2);
        std::memcpy(&length, data + at + 4, 4);
        at += 8;
        if (length > size - at) break;
        const auto* text = reinterpret_cast<const char*>(data + at);
        const std::size_t textLength = length > 0 && text[length - 1] == '\0' ? length - 1 : length;
        const std::wstring item = FromAnsi(text, textLength);
        const UINT message = code == kAddComboString ? CB_ADDSTRING : code == kAddListString ? LB_ADDSTRING : 0;
        if (message != 0) window_.Item(id).Send(message, 0, reinterpret_cast<LPARAM>(item.c_str()));
        at += length;
    }
}

// An unowned dialog opens in the middle of the primary monitor's work area.
void ModalDialog::CenterInWorkArea() const {
    RECT work{};
    RECT dialog{};
    if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) return;
    if (!::GetWindowRect(window_.Handle(), &dialog)) return;
    const int width = dialog.right - dialog.left;
    const int height = dialog.bottom - dialog.top;
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    ::SetWindowPos(window_.Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tavrin::app
