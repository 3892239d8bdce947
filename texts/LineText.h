#pragma once

#include <string>
#include <string_view>

namespace tavrin {

// A text read from a file or the system (a link address, an argument, a
// path, a name), made safe to put into one output line: every control
// character is written as a visible escape instead of raw, so that such a
// text can never end the line, start a new one ("終了コード: 0"), move the
// cursor or reorder what is shown. \t, \r and \n are shown as such, other C0
// and C1 controls and DEL as \xHH, the Unicode line and paragraph separators
// and the bidirectional controls as \uHHHH. Everything else, backslashes
// included (paths are full of them), stays as it is.
std::wstring ShownInLine(std::wstring_view text);

}  // namespace tavrin
