#include "texts/RefreshScript.h"

#include <iterator>

#include "texts/SchedulerCommands.h"

namespace tavrin {

namespace {

// The script's fixed lines; a null entry stands for the line with the address
// in it, the one after the first null for the line that starts the browser.
constexpr const wchar_t* kScriptLines[] = {
    L"Option Explicit\n",
    L"On Error Resume Next\n",
    L"\n",
    L"Dim objProcList\n",
    L"Dim objProcess\n",
    L"Dim objWS : Set objWS = CreateObject(\"WScript.Shell\")\n",
    L"Dim items\n",
    L"Dim Addr\n",
    L"\n",
    L"items = 0\n",
    nullptr,  // Addr = "<address>"
    L"Set objProcList = GetObject(\"winmgmts:\").InstancesOf(\"win32_process\")\n",
    L"For Each objProcess In objProcList\n",
    L"\tIf LCase(objProcess.Name) = \"msedge.exe\" Then\n",
    L"\t\tIf InStr(objProcess.CommandLine, Addr) Then\n",
    L"\t\t\tobjProcess.Terminate\n",
    L"\t\t\tIf Err.Number = 0 Then\n",
    L"\t\t\t\titems = items + 1\n",
    L"\t\t\tEnd If\n",
    L"\t\tEnd If\n",
    L"\tEnd If\n",
    L"Next\n",
    L"\n",
    L"If items > 0 then\n",
    L"\tWScript.Sleep(60000)\n",
    nullptr,  // objWS.Run(...)
    L"End If\n",
    L"\n",
    L"Set objProcess = Nothing\n",
    L"Set objProcList = Nothing\n",
    L"Set objWS = Nothing\n",
    L"WScript.Quit\n",
};

}  // namespace

std::vector<std::wstring> RefreshScriptLines(const std::wstring& linkAddress) {
    // Built from a table rather than one braced list of strings: the list
    // would construct each of its lines in code of its own.
    std::vector<std::wstring> lines;
    lines.reserve(std::size(kScriptLines));
    bool addressLineDone = false;
    for (const wchar_t* line : kScriptLines) {
        if (line != nullptr) {
            lines.emplace_back(line);
        } else if (!addressLineDone) {
            lines.push_back(L"Addr = \"" + linkAddress + L"\"\n");
            addressLineDone = true;
        } else {
            // Inside a VBScript literal "" is one quote: Run gets the address quoted once.
            lines.push_back(L"\tobjWS.Run(\"msedge " + std::wstring(kKioskSwitches) + L" \"\"" + linkAddress +
                            L"\"\"\")\n");
        }
    }
    return lines;
}

}  // namespace tavrin
