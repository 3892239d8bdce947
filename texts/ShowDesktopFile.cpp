#include "texts/ShowDesktopFile.h"

#include <iterator>

namespace tavrin {

std::vector<std::wstring> ShowDesktopFileLines() {
    static constexpr const wchar_t* kLines[] = {
        L"[Shell]\n",
        L"Command=2\n",
        L"IconFile=explorer.exe,3\n",
        L"[Taskbar]\n",
        L"Command=ToggleDesktop\n",
    };
    return {std::begin(kLines), std::end(kLines)};
}

}  // namespace tavrin
