#pragma once

#include <string>

namespace tavrin {

// True when `candidate` is a work file the file store makes beside the file
// called `name` while it replaces it: "<name>.<process>-<serial>.new" or
// ".old", the two numbers decimal. A copy of the tool killed mid-write leaves
// such a file behind; nothing else ever matches.
bool IsWorkFileOf(const std::wstring& name, const std::wstring& candidate);

}  // namespace tavrin
