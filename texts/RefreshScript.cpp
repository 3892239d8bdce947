#include "texts/RefreshScript.h"

#include "texts/SchedulerCommands.h"

namespace tavrin {

std::vector<std::wstring> RefreshScriptLines(const std::wstring& linkAddress) {
    return {
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
        L"Addr = \"" + linkAddress + L"\"\n",
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
        // Inside a VBScript literal "" is one quote: Run gets the address quoted once.
        L"\tobjWS.Run(\"msedge " + std::wstring(kKioskSwitches) + L" \"\"" + linkAddress + L"\"\"\")\n",
        L"End If\n",
        L"\n",
        L"Set objProcess = Nothing\n",
        L"Set objProcList = Nothing\n",
        L"Set objWS = Nothing\n",
        L"WScript.Quit\n",
    };
}

}  // namespace tavrin
