#pragma once

#include <windows.h>

#include <string>

namespace tavrin::app {

// A window handle that is only borrowed: copying it is free and destroying
// it leaves the window alone.
class Window {
public:
    Window() = default;
    explicit Window(HWND handle) : handle_(handle) {}

    HWND Handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Attach(HWND handle) { handle_ = handle; }

    Window Item(int id) const { return Window(::GetDlgItem(handle_, id)); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(handle_, message, wParam, lParam);
    }
    LONG_PTR Style() const { return ::GetWindowLongPtrW(handle_, GWL_STYLE); }

    std::wstring Text() const;
    void SetText(const std::wstring& text) const { ::SetWindowTextW(handle_, text.c_str()); }

private:
    HWND handle_ = nullptr;
};

}  // namespace tavrin::app
