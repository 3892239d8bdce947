#pragma once

#include <cstddef>
#include <string>
#include <type_traits>

namespace tavrin {

// Integers as decimal text, written here rather than by the C library's
// formatted output, whose engine would be most of the code of a small tool.
//
// `magnitude` in decimal, a minus sign before it when `negative`, and zeros
// between the two until the text is `width` characters long (as "%0*d" prints
// it).
std::wstring DecimalDigits(unsigned long long magnitude, bool negative, std::size_t width);

// `value` in decimal, made `width` characters long with zeros after the sign:
// DecimalText(7, 2) is "07", DecimalText(-7, 3) "-07", DecimalText(-7, 2)
// "-7", DecimalText(123, 2) "123".
template <typename Integer>
std::wstring DecimalText(Integer value, std::size_t width = 1) {
    static_assert(std::is_integral_v<Integer> && !std::is_same_v<Integer, bool>, "an integer");
    if constexpr (std::is_signed_v<Integer>) {
        if (value < 0) {
            // The magnitude of the most negative value does not fit the type itself.
            return DecimalDigits(0ull - static_cast<unsigned long long>(value), true, width);
        }
    }
    return DecimalDigits(static_cast<unsigned long long>(value), false, width);
}

}  // namespace tavrin
