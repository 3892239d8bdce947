#include "texts/SchedulerCommands.h"

#include "texts/Decimal.h"

namespace tavrin {

std::wstring BuildTaskAction(const std::wstring& scriptPath, bool nativeAmd64) {
    const wchar_t* scriptHost = nativeAmd64 ? L"%windir%\\SysWOW64\\wscript.exe" : L"wscript.exe";
    return std::wstring(scriptHost) + L" \"" + scriptPath + L"\"";
}

std::wstring BuildCreateTaskCommand(const std::wstring& taskName, const std::wstring& scriptPath,
                                    int hour, bool nativeAmd64) {
    // Inside the quoted /TR value each quote of the action is escaped.
    std::wstring action;
    for (const wchar_t c : BuildTaskAction(scriptPath, nativeAmd64)) {
        if (c == L'"') action += L'\\';
        action += c;
    }
    return L"SCHTASKS /Create /TN \"" + taskName + L"\" /TR \"" + action + L"\" /SC DAILY /ST " + DecimalText(hour, 2) +
           L":00:00 /IT /F";
}

std::wstring BuildDeleteTaskCommand(const std::wstring& taskName) {
    return L"schtasks /delete /f /tn \"" + taskName + L"\"";
}

std::wstring BuildKioskArguments(const std::wstring& linkAddress) {
    return std::wstring(kKioskSwitches) + L" \"" + linkAddress + L"\"";
}

}  // namespace tavrin
