// Drives the built tool the way a technician does: starts it, fills in the
// dialog, presses its buttons and answers every message box, printing what
// it saw on stdout (UTF-8), one record per line:
//   MESSAGE <TAB> caption <TAB> text-with-\n-escaped
//   LABEL <TAB> text of the page-suffix label
//   DIALOG <TAB> open | gone
//   EXIT <TAB> exit code
//
// Usage: tavrin_e2e_driver <tool.exe> [steps...]
//   --address a.b.c.d   set the address control
//   --blank-address N   blank the address fields from the N-th (0-3) on
//   --size 0|1          click "ハイビジョン" or "フルハイビジョン"
//   --hour H            select the hour item H
//   --press register|remove|cancel
//   --hold <path>       keep <path> open without sharing while the tool runs

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t kDialogTitle[] = L"Quorvix画面設定ツール";
constexpr int kAddressId = 1007;
constexpr int kHdId = 1010;
constexpr int kFullHdId = 1012;
constexpr int kHourId = 1023;
constexpr int kSuffixId = 1006;
constexpr int kRemoveId = 1026;

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

std::wstring WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, nullptr);
    return buffer;
}

std::wstring ClassName(HWND window) {
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

struct Search {
    DWORD processId;
    bool wantDialog;
    HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->processId || ClassName(window) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    const bool isDialog = WindowText(window) == kDialogTitle;
    if (isDialog == search->wantDialog) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindOf(DWORD pid, bool dialog) {
    Search search{pid, dialog, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Answers message boxes until none has shown for `quietMs` or the tool ended.
// The first box may take up to `firstMs` (a slow machine starting SCHTASKS).
void AnswerMessages(HANDLE process, DWORD pid, DWORD quietMs, DWORD firstMs) {
    DWORD quietSince = GetTickCount();
    DWORD wait = firstMs;
    for (;;) {
        if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) return;
        HWND box = FindOf(pid, false);
        if (box) {
            HWND textControl = GetDlgItem(box, 0xFFFF);
            Emit("MESSAGE", Escaped(WindowText(box)) + "\t" + Escaped(textControl ? WindowText(textControl) : L""));
            // Every box the tool shows has a single OK button.
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(20);
            quietSince = GetTickCount();
            wait = quietMs;
        } else if (GetTickCount() - quietSince > wait) {
            return;
        }
    }
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
        }
    }

    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return Fail("cannot start the tool");
    }
    CloseHandle(info.hThread);
    const DWORD pid = info.dwProcessId;

    // Start-up may end with messages instead of a dialog.
    HWND dialog = nullptr;
    const DWORD started = GetTickCount();
    while (!dialog && GetTickCount() - started < 30000) {
        if (WaitForSingleObject(info.hProcess, 50) == WAIT_OBJECT_0) break;
        if (FindOf(pid, false)) AnswerMessages(info.hProcess, pid, 1500, 1500);
        dialog = FindOf(pid, true);
    }

    if (dialog) {
        for (size_t i = 0; i < steps.size(); ++i) {
            const std::wstring& step = steps[i];
            const std::wstring value = i + 1 < steps.size() ? steps[i + 1] : L"";
            if (step == L"--address") {
                unsigned a = 0, b = 0, c = 0, d = 0;
                swscanf(value.c_str(), L"%u.%u.%u.%u", &a, &b, &c, &d);
                SendMessageW(GetDlgItem(dialog, kAddressId), IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
                ++i;
            } else if (step == L"--blank-address") {
                const int first = _wtoi(value.c_str());
                HWND field = GetWindow(GetDlgItem(dialog, kAddressId), GW_CHILD);
                for (int index = 0; field != nullptr; ++index, field = GetWindow(field, GW_HWNDNEXT)) {
                    if (index >= first) SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
                }
                ++i;
            } else if (step == L"--size") {
                SendMessageW(GetDlgItem(dialog, value == L"1" ? kFullHdId : kHdId), BM_CLICK, 0, 0);
                Emit("LABEL", Escaped(WindowText(GetDlgItem(dialog, kSuffixId))));
                ++i;
            } else if (step == L"--hour") {
                HWND list = GetDlgItem(dialog, kHourId);
                LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(value.c_str()));
                SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
                ++i;
            } else if (step == L"--press") {
                const int id = value == L"register" ? IDOK : value == L"remove" ? kRemoveId : IDCANCEL;
                PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
                // 登録 and 削除 always end with a message; キャンセル shows none.
                AnswerMessages(info.hProcess, pid, 3000, id == IDCANCEL ? 3000 : 60000);
                ++i;
            } else if (step == L"--hold") {
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
