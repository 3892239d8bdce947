#include "app/Window.h"

namespace tavrin::app {

std::wstring Window::Text() const {
    // The length is an upper bound that may change before the copy; read
    // whatever the copy returns.
    const int length = ::GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 255) + 1, L'\0');
    const int copied = ::GetWindowTextW(handle_, text.data(), static_cast<int>(text.size()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

}  // namespace tavrin::app
