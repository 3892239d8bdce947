#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "procedures/TaskDefinition.h"

namespace tavrin::platform {

// A task document is a few KiB; anything far bigger is not one the scheduler wrote.
inline constexpr std::size_t kMaxTaskDocumentBytes = 1024 * 1024;

// The definition in a task document, read by the system's XML parser
// (XmlLite, loaded from the system folder) with DTDs refused. `bytes` as the
// stored file holds them: UTF-16 with its mark, or UTF-8. Nullopt when the
// text is larger than kMaxTaskDocumentBytes, is not well-formed, or has no
// Task element at its root.
std::optional<TaskDefinition> ReadTaskDocument(const std::string& bytes);

// The same for the document as text (the service's own copy, a BSTR).
std::optional<TaskDefinition> ReadTaskDocumentText(const std::wstring& text);

}  // namespace tavrin::platform
