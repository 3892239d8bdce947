#include "texts/DiskText.h"

namespace tavrin {

std::optional<std::string> EncodeForDisk(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (wchar_t c : text) {
        if (c == L'\0' || static_cast<unsigned long>(c) > 0x7F) return std::nullopt;
        if (c == L'\n') bytes += '\r';
        bytes += static_cast<char>(c);
    }
    return bytes;
}

}  // namespace tavrin
