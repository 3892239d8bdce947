#pragma once

#include <string>
#include <vector>

namespace tavrin {

// The Explorer command file that shows the desktop when opened. One entry
// per line, each with its line feed.
std::vector<std::wstring> ShowDesktopFileLines();

}  // namespace tavrin
