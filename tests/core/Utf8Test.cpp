#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "texts/Utf8.h"

namespace tavrin {
namespace {

// A character outside the Basic Multilingual Plane, as wchar_t holds it here.
std::wstring Emoji() {
    if constexpr (sizeof(wchar_t) == 2) {
        return std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    } else {
        return std::wstring(1, static_cast<wchar_t>(0x1F600));
    }
}

TEST(Utf8Test, EncodesAndDecodesBothWays) {
    const struct {
        std::wstring text;
        std::string bytes;
    } cases[] = {
        {L"", ""},
        {L"http://10.0.0.254/display.htm?size=2\t", "http://10.0.0.254/display.htm?size=2\t"},
        {L"é", "\xC3\xA9"},
        {L"終了コード: 0", "\xE7\xB5\x82\xE4\xBA\x86\xE3\x82\xB3\xE3\x83\xBC\xE3\x83\x89: 0"},
        {L"（", "\xEF\xBC\x88"},
        {Emoji(), "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeUtf8(c.text), c.bytes);
        EXPECT_EQ(DecodeUtf8(c.bytes), c.text);
    }
}

TEST(Utf8Test, ALoneSurrogateIsWrittenAsTheReplacementCharacter) {
    const std::wstring lone{L'a', static_cast<wchar_t>(0xD800), L'b'};
    EXPECT_EQ(EncodeUtf8(lone), "a\xEF\xBF\xBD" "b");
}

TEST(Utf8Test, RefusesBytesThatAreNotUtf8) {
    for (const std::string bytes : {"\xFF", "\x80", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                    "\xF4\x90\x80\x80", "\xE7\xB5", "a\xC3(b"}) {
        EXPECT_EQ(DecodeUtf8(bytes), std::nullopt) << bytes.size();
    }
}

}  // namespace
}  // namespace tavrin
