#pragma once

// Facts about the running executable.

#include <string>

namespace tavrin::app {

// The executable's file name without folder and extension: the caption of
// every message box, so a renamed copy shows its own name.
std::wstring ApplicationName();

// The executable's full path with ".HLP" in place of its extension.
std::wstring HelpFilePath();

}  // namespace tavrin::app
