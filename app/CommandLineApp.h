#pragma once

#include <string>
#include <vector>

namespace tavrin::app {

// The tool started with arguments: no window, no message box; lines to the
// console or redirected output (and /log), the exit code returned. Nothing
// escapes it: an unexpected failure is the exit code of a failed step.
int RunCommandLineApp(const std::vector<std::wstring>& arguments);

}  // namespace tavrin::app
