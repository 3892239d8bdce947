#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrin {

// UTF-8 for text that leaves the tool as bytes (redirected output, the log
// file). wchar_t holds UTF-16 on Windows and UTF-32 elsewhere; both are
// understood. A character that is not valid Unicode (a lone surrogate, a
// value past U+10FFFF) is written as U+FFFD.
std::string EncodeUtf8(std::wstring_view text);

// The text of valid UTF-8; nullopt for anything else (overlong forms,
// surrogates, values past U+10FFFF, a cut-off sequence).
std::optional<std::wstring> DecodeUtf8(std::string_view bytes);

}  // namespace tavrin
