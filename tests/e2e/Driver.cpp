// Drives the built tool the way a technician does: starts it, fills in the
// dialog, presses its buttons and answers every message box, printing what
// it saw on stdout (UTF-8), one record per line:
//   MESSAGE <TAB> caption <TAB> text-with-\n-escaped
//   QUESTION <TAB> caption <TAB> text-with-\n-escaped <TAB> default button (yes | no) <TAB> the reply given
//   LABEL <TAB> text of the page-suffix label
//   PROBE <TAB> answered | hung <TAB> enabled | disabled <TAB> painted | unpainted
//   BUTTONS <TAB> 登録, 削除 and キャンセル, each enabled | disabled
//   SECOND <TAB> ended | running <TAB> exit code <TAB> milliseconds <TAB> windows it showed <TAB> front
//   PROCESSES <TAB> file name <TAB> count
//   START <TAB> dialog | no-dialog <TAB> copies of the tool's file running before it
//         was started <TAB> milliseconds until the dialog showed or the tool ended
//   DIALOG <TAB> open | gone
//   EXIT <TAB> exit code
//
// Usage: tavrin_e2e_driver <tool.exe> [steps...]
//   --address a.b.c.d   set the address control
//   --blank-address N   blank the address fields from the N-th (0-3) on
//   --size 0|1          click "ハイビジョン" or "フルハイビジョン"
//   --hour H            select the hour item H
//   --press register|remove|cancel
//                       click the button, then answer message boxes (as --answer)
//   --click register|remove|cancel
//                       click the button and go on at once
//   --command register|remove|cancel|close
//                       post the button's command, or the close box's SC_CLOSE,
//                       straight to the dialog (past its disabled state) and go on
//   --answer MS         answer message boxes until none has shown for 3 s; the
//                       first may take up to MS
//   --reply yes|no      how later yes/no questions are answered (none set: いいえ,
//                       and the record says "none")
//   --focus             say which control has the dialog's focus: FOCUS <TAB> address | other
//   --await-process NAME  wait (up to 30 s) until a process of that file name runs
//   --await-gone NAME   wait (up to 30 s) until no process of that file name runs
//   --await-file PATH   wait (up to 30 s) until the file PATH exists and is not empty
//   --sleep MS          wait MS milliseconds
//   --probe MS          ask the dialog to answer (limit MS) and to repaint: PROBE
//   --buttons           whether each of the dialog's buttons is available: BUTTONS
//   --second PATH       start PATH while the tool runs and wait (up to 30 s) for it
//                       to end: SECOND, with the windows it showed and which window
//                       is in front afterwards (dialog | box | driver | other)
//   --processes NAME    count the processes of that file name: PROCESSES
//   --kill              end the tool as a task manager would
//   --hold <path>       keep <path> open without sharing while the tool runs
//   --squat <name>      hold a mutex of that name while the tool runs (something
//                       else holding the tool's single-copy name)
//
// The tool's dialog is found once, at start, by its handle: the unowned
// dialog-class window of the tool's process that holds the address control.
// A message box is any other visible dialog-class window of that process.
// No window title is read to tell them apart: a read can time out while the
// tool is busy.

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/resource.h"

namespace {

constexpr DWORD kQuietMs = 3000;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string Escaped(const std::wstring& text) {
    std::string out;
    for (char c : Utf8(text)) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

void Emit(const char* kind, const std::string& value) {
    std::printf("%s\t%s\n", kind, value.c_str());
    std::fflush(stdout);
}

// The text the window holds, read without sending it a message: it cannot
// time out on a busy window.
std::wstring StoredText(HWND window) {
    wchar_t buffer[1024] = {};
    InternalGetWindowText(window, buffer, 1024);
    return buffer;
}

bool IsDialogClass(HWND window) {
    wchar_t buffer[16] = {};
    GetClassNameW(window, buffer, 16);
    return std::wstring(buffer) == L"#32770";
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::vector<HWND> TopLevelWindowsOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (ProcessOf(window) == s->pid) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The settings dialog, shown or not yet.
HWND FindToolDialog(DWORD pid) {
    for (HWND window : TopLevelWindowsOf(pid)) {
        if (IsDialogClass(window) && GetWindow(window, GW_OWNER) == nullptr &&
            GetDlgItem(window, IDC_UNIT_ADDRESS) != nullptr) {
            return window;
        }
    }
    return nullptr;
}

HWND FindMessageBox(DWORD pid, HWND dialog) {
    for (HWND window : TopLevelWindowsOf(pid)) {
        if (window != dialog && IsDialogClass(window) && IsWindowVisible(window) &&
            GetDlgItem(window, IDC_UNIT_ADDRESS) == nullptr) {
            return window;
        }
    }
    return nullptr;
}

// The button that answers yes/no questions (--reply); 0 when none was given.
int reply = 0;

// Answers message boxes until none has shown for `quietMs` or the tool ended.
// The first box may take up to `firstMs` (a slow machine starting SCHTASKS).
void AnswerMessages(HANDLE process, DWORD pid, HWND dialog, DWORD quietMs, DWORD firstMs) {
    DWORD quietSince = GetTickCount();
    DWORD wait = firstMs;
    for (;;) {
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return;
        HWND box = FindMessageBox(pid, dialog);
        if (box) {
            HWND textControl = GetDlgItem(box, 0xFFFF);
            const std::string shown = Escaped(StoredText(box)) + "\t" + Escaped(textControl ? StoredText(textControl) : L"");
            int button = IDOK;
            if (GetDlgItem(box, IDYES) != nullptr) {
                // The default button is the one drawn as such.
                const LONG noStyle = GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE);
                const bool noDefault = (noStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
                Emit("QUESTION", shown + "\t" + (noDefault ? "no" : "yes") + "\t" +
                                     (reply == IDYES ? "yes" : reply == IDNO ? "no" : "none"));
                button = reply != 0 ? reply : IDNO;
            } else {
                Emit("MESSAGE", shown);
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            for (int i = 0; i < 250 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(20);
            quietSince = GetTickCount();
            wait = quietMs;
        } else if (GetTickCount() - quietSince > wait) {
            return;
        }
    }
}

std::wstring FileName(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

int CountProcesses(const std::wstring& name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (CompareStringOrdinal(FileName(entry.szExeFile).c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

int ButtonId(const std::wstring& name) {
    return name == L"register" ? IDOK : name == L"remove" ? IDC_REMOVE : IDCANCEL;
}

// The answer, the enabled state and whether an invalidated dialog got
// painted within the limit.
void Probe(HWND dialog, DWORD limitMs) {
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, limitMs, &result) != 0;
    const bool enabled = IsWindowEnabled(dialog) != FALSE;
    InvalidateRect(dialog, nullptr, TRUE);
    bool painted = false;
    const DWORD start = GetTickCount();
    while (!painted && GetTickCount() - start < limitMs) {
        Sleep(20);
        painted = GetUpdateRect(dialog, nullptr, FALSE) == FALSE;
    }
    Emit("PROBE", std::string(answered ? "answered" : "hung") + "\t" + (enabled ? "enabled" : "disabled") + "\t" +
                      (painted ? "painted" : "unpainted"));
}

// A window of the driver's own, in front before a second copy starts, so
// that a change of the front window shows.
HWND DriverWindow() {
    static HWND window = nullptr;
    if (window == nullptr) {
        window = CreateWindowExW(0, L"STATIC", L"driver", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    return window;
}

void PumpOwnMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

std::string Front(DWORD toolPid, HWND dialog) {
    const HWND front = GetForegroundWindow();
    if (front == nullptr) return "none";
    if (front == dialog) return "dialog";
    if (front == DriverWindow()) return "driver";
    if (ProcessOf(front) == toolPid) return "box";
    // Which other window: its class and its program.
    wchar_t className[64] = {};
    GetClassNameW(front, className, 64);
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(front));
    if (process != nullptr) {
        if (!QueryFullProcessImageNameW(process, 0, image, &size)) image[0] = L'\0';
        CloseHandle(process);
    }
    return "other(" + Utf8(className) + " " + Utf8(FileName(image)) + ")";
}

// Starts another copy and watches it end.
void RunSecondCopy(const std::wstring& path, DWORD toolPid, HWND dialog) {
    const HWND own = DriverWindow();
    SetForegroundWindow(own);
    PumpOwnMessages();

    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        Emit("SECOND", "not-started\t0\t0\t0\t" + Front(toolPid, dialog));
        return;
    }
    CloseHandle(info.hThread);
    std::set<HWND> shown;
    const DWORD start = GetTickCount();
    bool ended = false;
    while (!ended && GetTickCount() - start < 30000) {
        for (HWND window : TopLevelWindowsOf(info.dwProcessId)) {
            if (IsWindowVisible(window)) shown.insert(window);
        }
        PumpOwnMessages();
        ended = WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0;
    }
    const DWORD elapsed = GetTickCount() - start;
    if (!ended) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hProcess);
    // The front window changes through the tool's own message queue.
    for (int i = 0; i < 25; ++i) {
        PumpOwnMessages();
        Sleep(20);
    }
    Emit("SECOND", std::string(ended ? "ended" : "running") + "\t" + std::to_string(exitCode) + "\t" +
                       std::to_string(elapsed) + "\t" + std::to_string(shown.size()) + "\t" + Front(toolPid, dialog));
}

int Fail(const char* what) {
    std::fprintf(stderr, "driver: %s (error %lu)\n", what, GetLastError());
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Fail("usage: tavrin_e2e_driver <tool.exe> [steps]");
    std::vector<std::wstring> steps(argv + 2, argv + argc);

    std::vector<HANDLE> held;
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        if (steps[i] == L"--hold") {
            HANDLE file = CreateFileW(steps[i + 1].c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) return Fail("cannot hold file");
            held.push_back(file);
        } else if (steps[i] == L"--squat") {
            HANDLE mutex = CreateMutexW(nullptr, TRUE, steps[i + 1].c_str());
            if (mutex == nullptr) return Fail("cannot hold the mutex");
            held.push_back(mutex);
        }
    }

    // A copy left running by an earlier start would take this start's place.
    const int copiesBefore = CountProcesses(FileName(argv[1]));
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return Fail("cannot start the tool");
    }
    CloseHandle(info.hThread);
    const DWORD pid = info.dwProcessId;

    // Start-up may end with messages instead of a dialog. The dialog exists
    // (hidden) while its start-up checks show their messages.
    HWND dialog = nullptr;
    const DWORD started = GetTickCount();
    while (GetTickCount() - started < 30000) {
        if (WaitForSingleObject(info.hProcess, 50) == WAIT_OBJECT_0) break;
        if (!dialog) dialog = FindToolDialog(pid);
        if (FindMessageBox(pid, dialog)) AnswerMessages(info.hProcess, pid, dialog, 1500, 1500);
        if (dialog && IsWindowVisible(dialog)) break;
    }
    const bool dialogShown = dialog && IsWindowVisible(dialog) && WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0;
    Emit("START", std::string(dialogShown ? "dialog" : "no-dialog") + "\t" + std::to_string(copiesBefore) + "\t" +
                      std::to_string(GetTickCount() - started));

    if (dialogShown) {
        for (size_t i = 0; i < steps.size(); ++i) {
            const std::wstring& step = steps[i];
            const std::wstring value = i + 1 < steps.size() ? steps[i + 1] : L"";
            if (step == L"--address") {
                unsigned a = 0, b = 0, c = 0, d = 0;
                swscanf(value.c_str(), L"%u.%u.%u.%u", &a, &b, &c, &d);
                SendMessageW(GetDlgItem(dialog, IDC_UNIT_ADDRESS), IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
                ++i;
            } else if (step == L"--blank-address") {
                const int first = _wtoi(value.c_str());
                HWND field = GetWindow(GetDlgItem(dialog, IDC_UNIT_ADDRESS), GW_CHILD);
                for (int index = 0; field != nullptr; ++index, field = GetWindow(field, GW_HWNDNEXT)) {
                    if (index >= first) SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
                }
                ++i;
            } else if (step == L"--size") {
                SendMessageW(GetDlgItem(dialog, value == L"1" ? IDC_SIZE_FULL_HD : IDC_SIZE_HD), BM_CLICK, 0, 0);
                Emit("LABEL", Escaped(StoredText(GetDlgItem(dialog, IDC_PAGE_SUFFIX))));
                ++i;
            } else if (step == L"--hour") {
                HWND list = GetDlgItem(dialog, IDC_REFRESH_HOUR);
                LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(value.c_str()));
                SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
                ++i;
            } else if (step == L"--press") {
                const int id = ButtonId(value);
                PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
                // 登録 and 削除 always end with a message; キャンセル shows none.
                AnswerMessages(info.hProcess, pid, dialog, kQuietMs, id == IDCANCEL ? kQuietMs : 60000);
                ++i;
            } else if (step == L"--click") {
                PostMessageW(GetDlgItem(dialog, ButtonId(value)), BM_CLICK, 0, 0);
                ++i;
            } else if (step == L"--command") {
                if (value == L"close") {
                    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                } else {
                    const int id = ButtonId(value);
                    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
                }
                ++i;
            } else if (step == L"--reply") {
                reply = value == L"yes" ? IDYES : IDNO;
                ++i;
            } else if (step == L"--focus") {
                GUITHREADINFO thread{};
                thread.cbSize = sizeof thread;
                GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
                const HWND focused = thread.hwndFocus;
                const HWND address = GetDlgItem(dialog, IDC_UNIT_ADDRESS);
                Emit("FOCUS", focused != nullptr && (focused == address || IsChild(address, focused)) ? "address"
                                                                                                      : "other");
            } else if (step == L"--answer") {
                AnswerMessages(info.hProcess, pid, dialog, kQuietMs, static_cast<DWORD>(std::stoul(value)));
                ++i;
            } else if (step == L"--await-process") {
                const DWORD start = GetTickCount();
                while (CountProcesses(value) < 1 && GetTickCount() - start < 30000) Sleep(20);
                ++i;
            } else if (step == L"--await-gone") {
                const DWORD start = GetTickCount();
                while (CountProcesses(value) != 0 && GetTickCount() - start < 30000) Sleep(20);
                ++i;
            } else if (step == L"--await-file") {
                const DWORD start = GetTickCount();
                WIN32_FILE_ATTRIBUTE_DATA data{};
                while (!(GetFileAttributesExW(value.c_str(), GetFileExInfoStandard, &data) &&
                         (data.nFileSizeLow != 0 || data.nFileSizeHigh != 0)) &&
                       GetTickCount() - start < 30000) {
                    Sleep(20);
                }
                ++i;
            } else if (step == L"--sleep") {
                Sleep(static_cast<DWORD>(std::stoul(value)));
                ++i;
            } else if (step == L"--buttons") {
                std::string states;
                for (const int id : {IDOK, IDC_REMOVE, IDCANCEL}) {
                    states += IsWindowEnabled(GetDlgItem(dialog, id)) ? "\tenabled" : "\tdisabled";
                }
                Emit("BUTTONS", states.substr(1));
            } else if (step == L"--probe") {
                Probe(dialog, static_cast<DWORD>(std::stoul(value)));
                ++i;
            } else if (step == L"--second") {
                RunSecondCopy(value, pid, dialog);
                ++i;
            } else if (step == L"--processes") {
                Emit("PROCESSES", Utf8(value) + "\t" + std::to_string(CountProcesses(value)));
                ++i;
            } else if (step == L"--kill") {
                TerminateProcess(info.hProcess, 1);
                WaitForSingleObject(info.hProcess, 15000);
            } else if (step == L"--hold" || step == L"--squat") {
                ++i;
            }
        }
    }

    const bool ended = WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
    Emit("DIALOG", ended ? "gone" : "open");
    if (!ended) {
        if (dialog) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (WaitForSingleObject(info.hProcess, 15000) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 99);
            WaitForSingleObject(info.hProcess, 5000);
        }
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(info.hProcess, &exitCode);
    Emit("EXIT", std::to_string(exitCode));
    CloseHandle(info.hProcess);
    for (HANDLE file : held) CloseHandle(file);
    return 0;
}
