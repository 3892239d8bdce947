#include <windows.h>

#include "app/TavrinApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tavrin::app::CTavrinApp application;
    application.InitInstance();
    // No caller reads the exit status.
    return 0;
}
