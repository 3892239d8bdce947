#pragma once

#include <cstddef>
#include <string>

namespace tavrin {

// Edge's kiosk switches, shared by the shortcuts and the refresh script so
// that the script restarts the browser exactly as the shortcut starts it.
inline constexpr const wchar_t* kKioskSwitches =
    L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk";

// SCHTASKS line that registers (or replaces) the daily refresh task. On a
// natively x64 Windows the 32-bit script host from SysWOW64 runs the script.
std::wstring BuildCreateTaskCommand(const std::wstring& taskName, const std::wstring& scriptPath,
                                    int hour, bool nativeAmd64);

// What the task runs, as /TR gives it to SCHTASKS (before the command line's
// own quoting): the script host, a blank and the quoted script path.
std::wstring BuildTaskAction(const std::wstring& scriptPath, bool nativeAmd64);

// The longest /TR value SCHTASKS takes; it refuses a longer one.
inline constexpr std::size_t kMaxTaskRunLength = 261;

// SCHTASKS line that registers (or replaces) a task from a task document file.
std::wstring BuildCreateTaskFromDocumentCommand(const std::wstring& taskName, const std::wstring& documentPath);

std::wstring BuildDeleteTaskCommand(const std::wstring& taskName);

// Arguments of both kiosk shortcuts; the address is the last, quoted argument.
std::wstring BuildKioskArguments(const std::wstring& linkAddress);

}  // namespace tavrin
