#include "texts/Decimal.h"

#include <climits>

namespace tavrin {

std::wstring DecimalDigits(unsigned long long magnitude, bool negative, std::size_t width) {
    // Filled from the end: enough for every digit of the widest magnitude.
    wchar_t digits[sizeof(unsigned long long) * CHAR_BIT / 3 + 1];
    wchar_t* const end = digits + sizeof digits / sizeof digits[0];
    wchar_t* first = end;
    do {
        *--first = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const std::size_t length = static_cast<std::size_t>(end - first) + (negative ? 1 : 0);

    std::wstring text;
    if (negative) text += L'-';
    if (width > length) text.append(width - length, L'0');
    text.append(first, end);
    return text;
}

}  // namespace tavrin
