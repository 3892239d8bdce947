#include <gtest/gtest.h>

#include <string>

#include "texts/LineText.h"

namespace tavrin {
namespace {

TEST(LineTextTest, ControlCharactersAreShownNeverWrittenRaw) {
    const struct {
        const char* name;
        std::wstring text;
        std::wstring shown;
    } cases[] = {
        {"plain text and a path stay byte for byte", L"C:\\Users\\表示\\LAN対応ユニット.lnk",
         L"C:\\Users\\表示\\LAN対応ユニット.lnk"},
        {"empty", L"", L""},
        {"a forged end of run", L"http://10.0.0.254/display.htm?size=1\r\n終了コード: 0",
         L"http://10.0.0.254/display.htm?size=1\\r\\n終了コード: 0"},
        {"a lone line feed or carriage return", L"a\nb\rc", L"a\\nb\\rc"},
        {"tab", L"a\tb", L"a\\tb"},
        {"NUL, escape (a terminal's colour codes), the last C0", std::wstring(L"a\0b\x1B[2Jc\x1F", 9),
         L"a\\x00b\\x1B[2Jc\\x1F"},
        {"DEL and the C1 controls, NEL among them", L"\x7F\x80\x85\x9F", L"\\x7F\\x80\\x85\\x9F"},
        {"the first printable characters on either side stay", L" ~\xA0\xFF", L" ~\xA0\xFF"},
        {"Unicode line and paragraph separators", L"a\x2028" L"b\x2029", L"a\\u2028b\\u2029"},
        {"bidirectional overrides and isolates", L"\x202A\x202E\x2066\x2069", L"\\u202A\\u202E\\u2066\\u2069"},
        {"neighbours of those stay", L"\x2027\x202F\x2065\x206A", L"\x2027\x202F\x2065\x206A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ShownInLine(c.text), c.shown);
        // What is shown holds no control character at all.
        for (const wchar_t ch : ShownInLine(c.text)) {
            EXPECT_FALSE(ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || ch == 0x2028 || ch == 0x2029) << int(ch);
        }
    }
}

}  // namespace
}  // namespace tavrin
