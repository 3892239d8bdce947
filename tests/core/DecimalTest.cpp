#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cwchar>
#include <string>

#include "texts/Decimal.h"

namespace tavrin {
namespace {

TEST(DecimalTest, Digits) {
    const struct {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {DecimalText(0), L"0"},
        {DecimalText(7), L"7"},
        {DecimalText(10), L"10"},
        {DecimalText(255u), L"255"},
        {DecimalText(1000000007), L"1000000007"},
        {DecimalText(-1), L"-1"},
        {DecimalText(-40), L"-40"},
        // The extremes of every width, where a magnitude is taken or a digit
        // count runs out.
        {DecimalText(INT_MAX), L"2147483647"},
        {DecimalText(INT_MIN), L"-2147483648"},
        {DecimalText(UINT_MAX), L"4294967295"},
        {DecimalText(LLONG_MAX), L"9223372036854775807"},
        {DecimalText(LLONG_MIN), L"-9223372036854775808"},
        {DecimalText(ULLONG_MAX), L"18446744073709551615"},
        {DecimalText(static_cast<std::int8_t>(-128)), L"-128"},
        {DecimalText(static_cast<std::uint16_t>(65535)), L"65535"},
        // Zeros after the sign up to the width, never a digit cut off.
        {DecimalText(0, 2), L"00"},
        {DecimalText(5, 2), L"05"},
        {DecimalText(23, 2), L"23"},
        {DecimalText(123, 2), L"123"},
        {DecimalText(2026, 4), L"2026"},
        {DecimalText(7, 4), L"0007"},
        {DecimalText(-7, 3), L"-07"},
        {DecimalText(-1, 2), L"-1"},
        {DecimalText(0, 0), L"0"},
        {DecimalText(ULLONG_MAX, 22), L"0018446744073709551615"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.expected);
}

// What the C library's "%0*lld" prints, for every value near zero and near
// the ends, with each width up to past the widest value.
TEST(DecimalTest, SameAsTheCLibrary) {
    const auto printed = [](long long value, int width) {
        wchar_t buffer[64];
        std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%0*lld", width, value);
        return std::wstring(buffer);
    };
    for (int width = 0; width <= 22; ++width) {
        for (long long value = -1100; value <= 1100; ++value) {
            ASSERT_EQ(DecimalText(value, width), printed(value, width)) << value;
        }
        for (long long offset = 0; offset < 100; ++offset) {
            ASSERT_EQ(DecimalText(LLONG_MIN + offset, width), printed(LLONG_MIN + offset, width));
            ASSERT_EQ(DecimalText(LLONG_MAX - offset, width), printed(LLONG_MAX - offset, width));
        }
    }
}

}  // namespace
}  // namespace tavrin
