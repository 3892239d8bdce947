#include "texts/ShowDesktopFile.h"

namespace tavrin {

std::vector<std::wstring> ShowDesktopFileLines() {
    return {
        L"[Shell]\n",
        L"Command=2\n",
        L"IconFile=explorer.exe,3\n",
        L"[Taskbar]\n",
        L"Command=ToggleDesktop\n",
    };
}

}  // namespace tavrin
