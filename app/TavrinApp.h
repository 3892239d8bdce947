#pragma once

#include <windows.h>

namespace tavrin::app {

// The tool's whole run: when another copy already runs in this logon
// session, only that copy is brought to the front; otherwise common
// controls, then the settings dialog once.
class CTavrinApp {
public:
    // Runs the dialog modally and returns FALSE when it has closed, however
    // it closed: there is no message loop after it.
    BOOL InitInstance();
};

}  // namespace tavrin::app
