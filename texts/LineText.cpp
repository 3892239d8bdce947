#include "texts/LineText.h"

namespace tavrin {

namespace {

bool IsLayoutControl(wchar_t c) {
    return c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendHex(std::wstring& out, unsigned long value, int digits) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 0xF];
}

}  // namespace

std::wstring ShownInLine(std::wstring_view text) {
    std::wstring shown;
    shown.reserve(text.size());
    for (const wchar_t c : text) {
        const unsigned long code = static_cast<unsigned long>(c);
        if (c == L'\t') {
            shown += L"\\t";
        } else if (c == L'\r') {
            shown += L"\\r";
        } else if (c == L'\n') {
            shown += L"\\n";
        } else if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            shown += L"\\x";
            AppendHex(shown, code, 2);
        } else if (IsLayoutControl(c)) {
            shown += L"\\u";
            AppendHex(shown, code, 4);
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace tavrin
