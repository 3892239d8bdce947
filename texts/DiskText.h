#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavrin {

// The bytes a generated text takes on disk: one byte per character, every
// line feed written as CR LF, no byte-order mark, nothing added at the end.
// Generated texts are plain ASCII; any other character cannot be written and
// gives no result (the writer reports that as a failed write).
std::optional<std::string> EncodeForDisk(std::wstring_view text);

}  // namespace tavrin
