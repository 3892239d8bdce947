#pragma once

#include <cstdint>
#include <string>

namespace tavrin {

// True when `candidate` is a work file the file store makes beside the file
// called `name` while it replaces it: "<name>.<process>-<serial>.new" or
// ".old", the two numbers decimal. A copy of the tool killed mid-write leaves
// such a file behind; nothing else ever matches.
bool IsWorkFileOf(const std::wstring& name, const std::wstring& candidate);

// True when a reparse point with this tag keeps the file's own data at its
// name (a synced folder's placeholder, a deduplicated file), so that it may be
// replaced like any file; false for tags that lead elsewhere: name
// surrogates (symbolic links, junctions, mount points) and the other kinds
// that stand for something else (an app execution alias, a socket).
bool ReparseTagKeepsFileHere(std::uint32_t tag);

}  // namespace tavrin
