#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/ModalDialog.h"
#include "app/Window.h"

namespace tavrin::app {

// One run of a dialog's exchange list in one direction. Each routine moves
// one member to or from one control; a failed validation shows its message,
// puts the focus on the control just exchanged and throws ValidationFailure.
class DataExchange {
public:
    DataExchange(const ModalDialog& dialog, bool saveAndValidate)
        : dialog_(dialog), saving_(saveAndValidate) {}

    bool Saving() const { return saving_; }

    // IPv4 address control; blank fields read as 0, and `complete` tells
    // whether all four fields held a number.
    void IPAddress(int id, std::uint32_t& value, bool& complete);
    // Radio group from `firstId` up to the next WS_GROUP control; only radio
    // buttons count. Reading gives -1 when none is checked.
    void Radio(int firstId, int& value);
    // Window text; written only when it differs, so a label does not flicker.
    void Text(int id, std::wstring& value);
    // Attaches `control` once, in either direction.
    void Control(int id, Window& control);
    // Selected list text; writing selects the first item that begins with it.
    void ComboString(int id, std::wstring& value);
    // Length check of the member just read; nothing when writing.
    void MaxChars(const std::wstring& value, std::size_t limit);

private:
    Window Prepare(int id);

    const ModalDialog& dialog_;
    bool saving_;
    Window last_;
};

}  // namespace tavrin::app
