#pragma once

#include <string>

namespace tavrin {

// The browser's path as an App Paths value gives it, cleaned up the way a
// person would read the value: blanks around it and one pair of quotes
// around the whole of it are dropped. Empty when nothing usable is left: an
// empty value, a quote or another character no file name can hold (as when
// arguments follow a quoted path), or 260 characters or more. Whether the
// file exists is for the caller to check.
std::wstring CleanBrowserPathValue(const std::wstring& value);

}  // namespace tavrin
