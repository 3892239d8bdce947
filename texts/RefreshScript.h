#pragma once

#include <string>
#include <vector>

namespace tavrin {

// The refresh script that the daily task runs with the Windows Script Host:
// it ends every Edge process showing the link address and, if it ended one,
// opens the kiosk again a minute later. One entry per line, each with its
// line feed; the link address goes into lines 11 and 26 unchanged.
std::vector<std::wstring> RefreshScriptLines(const std::wstring& linkAddress);

}  // namespace tavrin
