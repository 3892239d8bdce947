#pragma once

#include <windows.h>

#include <string>

#include "app/Window.h"
#include "procedures/FileError.h"

namespace tavrin::app {

// Raised by a failed validation once its message has been shown, so that
// the exchange stops without a second report.
struct ValidationFailure {};

// What the user reads about a failed file operation, with the file's full path.
std::wstring FileErrorMessage(const FileError& error);

// Reports the exception being handled (call it only inside a catch block)
// in a box owned by `owner`: out of memory as a system-modal exclamation,
// everything else with `icon`. A ValidationFailure is not reported again.
void ReportCurrentException(Window owner, UINT icon);

}  // namespace tavrin::app
