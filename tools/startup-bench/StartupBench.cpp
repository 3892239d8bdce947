// How long a dialog program takes to show its dialog, the tool against the
// bare dialog, in interleaved pairs: each pair starts both, in alternating
// order, so that a load that comes and goes on the machine touches both alike.
// The figure is the median of the pairs' ratios (tool / bare).
//   startup_bench <bare.exe> <tool.exe> <pairs>
// "Shown": a visible dialog window of the started process with nothing left
// to paint. Each program is then closed as its close box does.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (pid == search->pid && ::IsWindowVisible(window) && std::wstring(className) == L"#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from the start of the program until its dialog shows; a
// negative number when it did not within 30 s.
double TimeToDialog(const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER started;
    ::QueryPerformanceCounter(&started);
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return -1;
    }
    ::WaitForInputIdle(process.hProcess, 30000);
    Search search{process.dwProcessId, nullptr};
    double shownMs = -1;
    for (;;) {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        if (Seconds(started, now) > 30) break;
        search.found = nullptr;
        ::EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr && !::GetUpdateRect(search.found, nullptr, FALSE)) {
            shownMs = Seconds(started, now) * 1000;
            break;
        }
        ::Sleep(1);
    }
    if (search.found != nullptr) ::PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, 10000);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return shownMs;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: startup_bench <bare.exe> <tool.exe> <pairs>\n");
        return 2;
    }
    const std::wstring bare = argv[1];
    const std::wstring tool = argv[2];
    const int pairs = _wtoi(argv[3]);
    // One start of each first, not counted: the first start of a program
    // reads it from disk.
    TimeToDialog(bare);
    TimeToDialog(tool);
    std::vector<double> bareMs, toolMs, ratios;
    for (int pair = 0; pair < pairs; ++pair) {
        double b, t;
        if (pair % 2 == 0) {
            b = TimeToDialog(bare);
            t = TimeToDialog(tool);
        } else {
            t = TimeToDialog(tool);
            b = TimeToDialog(bare);
        }
        if (b <= 0 || t <= 0) {
            std::fprintf(stderr, "pair %d: a dialog did not show (bare %.1f ms, tool %.1f ms)\n", pair, b, t);
            return 1;
        }
        bareMs.push_back(b);
        toolMs.push_back(t);
        ratios.push_back(t / b);
        std::printf("pair %d: bare %.1f ms, tool %.1f ms, ratio %.3f\n", pair, b, t, t / b);
    }
    std::printf("pairs %d: bare median %.1f ms, tool median %.1f ms, paired median ratio %.3f\n", pairs,
                Median(bareMs), Median(toolMs), Median(ratios));
    return 0;
}
