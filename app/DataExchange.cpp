#include "app/DataExchange.h"

#include <commctrl.h>

#include "app/ErrorReport.h"
#include "texts/Messages.h"

namespace tavrin::app {

Window DataExchange::Prepare(int id) {
    last_ = dialog_.DialogWindow().Item(id);
    return last_;
}

void DataExchange::IPAddress(int id, std::uint32_t& value, bool& complete) {
    const Window control = Prepare(id);
    if (saving_) {
        DWORD address = 0;
        // The count of fields that are not blank.
        const LRESULT filled = control.Send(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        value = address;
        complete = filled == 4;
    } else {
        control.Send(IPM_SETADDRESS, 0, static_cast<LPARAM>(value));
    }
}

void DataExchange::Radio(int firstId, int& value) {
    Window control = Prepare(firstId);
    if (saving_) value = -1;
    int index = 0;
    do {
        if (control.Send(WM_GETDLGCODE) & DLGC_RADIOBUTTON) {
            if (saving_) {
                if (control.Send(BM_GETCHECK) != 0) value = index;
            } else {
                control.Send(BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED);
            }
            ++index;
        }
        control = Window(::GetWindow(control.Handle(), GW_HWNDNEXT));
    } while (control && !(control.Style() & WS_GROUP));
}

void DataExchange::Text(int id, std::wstring& value) {
    const Window control = Prepare(id);
    if (saving_) {
        value = control.Text();
    } else if (control.Text() != value) {
        control.SetText(value);
    }
}

void DataExchange::Control(int id, Window& control) {
    if (!control) control.Attach(dialog_.DialogWindow().Item(id).Handle());
}

void DataExchange::ComboString(int id, std::wstring& value) {
    const Window control = Prepare(id);
    if (saving_) {
        value = control.Text();
    } else if (control.Send(CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str())) ==
               CB_ERR) {
        control.SetText(value);
    }
}

void DataExchange::MaxChars(const std::wstring& value, std::size_t limit) {
    if (!saving_ || value.size() <= limit) return;
    dialog_.ShowMessageBox(MaxCharsMessage(limit), MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(last_.Handle());
    throw ValidationFailure{};
}

}  // namespace tavrin::app
