#include "texts/SchedulerCommands.h"

#include "texts/Decimal.h"

namespace tavrin {

std::wstring BuildTaskAction(const std::wstring& scriptPath, bool nativeAmd64) {
    const wchar_t* scriptHost = nativeAmd64 ? L"%windir%\\SysWOW64\\wscript.exe" : L"wscript.exe";
    std::wstring action = scriptHost;
    action += L" \"";
    action += scriptPath;
    action += L'"';
    return action;
}

std::wstring BuildCreateTaskCommand(const std::wstring& taskName, const std::wstring& scriptPath,
                                    int hour, bool nativeAmd64) {
    // Appended in place: one string, not one for each sum.
    std::wstring command = L"SCHTASKS /Create /TN \"";
    command += taskName;
    command += L"\" /TR \"";
    // Inside the quoted /TR value each quote of the action is escaped.
    for (const wchar_t c : BuildTaskAction(scriptPath, nativeAmd64)) {
        if (c == L'"') command += L'\\';
        command += c;
    }
    command += L"\" /SC DAILY /ST ";
    command += DecimalText(hour, 2);
    command += L":00:00 /IT /F";
    return command;
}

std::wstring BuildCreateTaskFromDocumentCommand(const std::wstring& taskName, const std::wstring& documentPath) {
    return L"SCHTASKS /Create /TN \"" + taskName + L"\" /XML \"" + documentPath + L"\" /F";
}

std::wstring BuildDeleteTaskCommand(const std::wstring& taskName) {
    return L"schtasks /delete /f /tn \"" + taskName + L"\"";
}

std::wstring BuildKioskArguments(const std::wstring& linkAddress) {
    std::wstring arguments = kKioskSwitches;
    arguments += L" \"";
    arguments += linkAddress;
    arguments += L'"';
    return arguments;
}

}  // namespace tavrin
