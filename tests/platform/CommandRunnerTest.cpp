#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/Win32Services.h"
#include "texts/SchedulerCommands.h"

namespace tavrin::platform {
namespace {

using testing::FromUtf8;
using testing::ReadBytes;
using testing::ScopedEnvironment;
using testing::ScopedRegistryValue;
using testing::ScratchFolder;

// One run of the SCHTASKS stand-in, as it logged it.
struct StandInRun {
    std::wstring program;
    std::wstring commandLine;
    std::vector<std::wstring> args;
};

// Reads the stand-in's log: "key n text" lines for texts, "key value" otherwise.
std::vector<StandInRun> ReadRuns(const std::wstring& logPath) {
    std::vector<StandInRun> runs;
    const std::string log = ReadBytes(logPath).value_or("");
    std::size_t at = 0;
    auto readLine = [&]() {
        const std::size_t end = log.find('\n', at);
        std::string line = log.substr(at, end - at);
        at = end == std::string::npos ? log.size() : end + 1;
        return line;
    };
    while (at < log.size()) {
        const std::size_t lineStart = at;
        const std::string line = readLine();
        const std::size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        if (key == "begin") {
            runs.emplace_back();
            continue;
        }
        if (key != "program" && key != "commandline" && key != "arg") continue;
        // A text may hold line feeds: take exactly n bytes after "key n ".
        const std::size_t lengthEnd = line.find(' ', space + 1);
        const std::size_t length = std::stoul(line.substr(space + 1, lengthEnd - space - 1));
        const std::size_t textStart = lineStart + lengthEnd + 1;
        const std::wstring text = FromUtf8(log.substr(textStart, length));
        at = textStart + length + 1;
        if (runs.empty()) continue;
        if (key == "program") runs.back().program = text;
        if (key == "commandline") runs.back().commandLine = text;
        if (key == "arg") runs.back().args.push_back(text);
    }
    return runs;
}

std::wstring SystemDirectory() {
    wchar_t path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
    return std::wstring(path, length);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Puts the stand-in where SCHTASKS lives, for the whole suite, and tells
// Wine to run it rather than its builtin (which does not know /TR).
class CommandRunnerTest : public ::testing::Test {
protected:
    static std::wstring StandIn() { return testing::ModuleFolder() + L"\\schtasks-standin.exe"; }
    static std::wstring Installed() { return SystemDirectory() + L"\\schtasks.exe"; }
    static std::wstring Backup() { return SystemDirectory() + L"\\schtasks.exe.tavrin-backup"; }

    static void SetUpTestSuite() {
        if (!testing::RunningUnderWine()) return;
        // Read by every new process: a changed WINEDLLOVERRIDES in this
        // process's environment does not reach the loader of its children.
        nativeOverride_ = std::make_unique<ScopedRegistryValue>(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"schtasks.exe");
        testing::SetRegistryString(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", L"schtasks.exe", L"native");
        // A backup left by an interrupted run already holds the original.
        ::CopyFileW(Installed().c_str(), Backup().c_str(), TRUE);
        installed_ = ::CopyFileW(StandIn().c_str(), Installed().c_str(), FALSE) != FALSE;
    }

    static void TearDownTestSuite() {
        if (installed_ && ::CopyFileW(Backup().c_str(), Installed().c_str(), FALSE)) ::DeleteFileW(Backup().c_str());
        installed_ = false;
        nativeOverride_.reset();
    }

    void SetUp() override {
        if (!testing::RunningUnderWine()) GTEST_SKIP() << "replaces system32\\schtasks.exe: Wine prefixes only";
        ASSERT_TRUE(installed_) << "stand-in not installed from " << testing::ToUtf8(StandIn());
        log_.emplace(L"TAVRIN_SCHTASKS_LOG", logPath_);
    }

    // A stand-in told to hang must not outlive a failed test.
    void TearDown() override { testing::EndProcesses(L"schtasks.exe"); }

    std::vector<StandInRun> Runs() const { return ReadRuns(logPath_); }

    ScratchFolder folder_;
    std::wstring logPath_ = folder_ / L"schtasks.log";
    Win32CommandRunner runner_;

private:
    static inline bool installed_ = false;
    static inline std::unique_ptr<ScopedRegistryValue> nativeOverride_;
    std::optional<ScopedEnvironment> log_;
};

// Through cmd.exe each of these folder names would change or split the /TR
// argument, or lose characters in the ANSI conversion; SCHTASKS must see
// the script path exactly.
TEST_F(CommandRunnerTest, SchtasksReceivesTaskNameAndScriptPathIntact) {
    const std::wstring taskName = L"Quorvix画面リフレッシュ（김철수）";
    const std::wstring folders[] = {
        L"C:\\Users\\R&D x\\Documents",
        L"C:\\Users\\a^b\\Documents",
        L"C:\\Users\\%USERNAME%\\Documents",
        L"C:\\Users\\x (y)\\Documents",
        L"C:\\Users\\山田 太郎\\ドキュメント",
        L"C:\\Users\\김철수\\문서",
        L"C:\\Users\\a\uFF02b\\Documents",  // a full-width quote, which a best-fit conversion turns into '"'
        L"C:\\Users\\x & echo pwned > C:\\pwned.txt\\Documents",
    };
    for (const std::wstring& documents : folders) {
        SCOPED_TRACE(testing::ToUtf8(documents));
        ::DeleteFileW(logPath_.c_str());
        const std::wstring scriptPath = documents + L"\\LAU_Refresh.vbs";
        const std::wstring command = BuildCreateTaskCommand(taskName, scriptPath, 5, true);

        EXPECT_EQ(runner_.RunCommandLine(command), 0);

        const std::vector<StandInRun> runs = Runs();
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_TRUE(SamePath(runs[0].program, Installed())) << testing::ToUtf8(runs[0].program);
        EXPECT_EQ(runs[0].commandLine, command);
        const std::vector<std::wstring> expected = {
            L"SCHTASKS", L"/Create", L"/TN", taskName,
            L"/TR", L"%windir%\\SysWOW64\\wscript.exe \"" + scriptPath + L"\"",
            L"/SC", L"DAILY", L"/ST", L"05:00:00", L"/IT", L"/F"};
        EXPECT_EQ(runs[0].args, expected);
    }
}

TEST_F(CommandRunnerTest, ReturnsTheExitCode) {
    const struct {
        const wchar_t* text;
        int code;
    } cases[] = {{L"0", 0}, {L"1", 1}, {L"-2147024891", static_cast<int>(0x80070005)}};
    for (const auto& c : cases) {
        const ScopedEnvironment exitCode(L"TAVRIN_SCHTASKS_EXIT", c.text);
        EXPECT_EQ(runner_.RunCommandLine(BuildDeleteTaskCommand(L"task")), c.code) << c.code;
    }
    EXPECT_EQ(Runs().size(), 3u);
}

TEST_F(CommandRunnerTest, AProgramThatCannotBeStartedGivesMinusOne) {
    const std::wstring commands[] = {
        L"tavrin-no-such-program /x",
        L"",
        L" schtasks /x",
        L"..\\system32\\schtasks /x",
        L"C:\\windows\\system32\\schtasks /x",
        L"\"schtasks\" /x",
        L"schtasks.exe /x",
    };
    for (const std::wstring& command : commands) {
        EXPECT_EQ(runner_.RunCommandLine(command), -1) << testing::ToUtf8(command);
    }
    EXPECT_TRUE(Runs().empty());
}

// A schtasks.bat or schtasks.exe beside the tool or on PATH must never run
// in place of the system's.
TEST_F(CommandRunnerTest, ProgramsInTheCurrentFolderOrOnPathAreNotRun) {
    const ScratchFolder trap;
    const std::wstring marker = trap / L"bat-ran.txt";
    testing::WriteBytes(trap / L"schtasks.bat", "echo ran > \"" + testing::ToUtf8(marker) + "\"\r\nexit 0\r\n");
    testing::WriteBytes(trap / L"schtasks.cmd", "echo ran > \"" + testing::ToUtf8(marker) + "\"\r\nexit 0\r\n");
    ASSERT_TRUE(::CopyFileW(StandIn().c_str(), (trap / L"schtasks.exe").c_str(), FALSE));

    wchar_t previous[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryW(trap.Path().c_str()));
    const ScopedEnvironment path(L"PATH", trap.Path() + L";" + testing::EnvironmentValue(L"PATH").value_or(L""));
    const int result = runner_.RunCommandLine(BuildDeleteTaskCommand(L"task"));
    ::SetCurrentDirectoryW(previous);

    EXPECT_EQ(result, 0);
    const std::vector<StandInRun> runs = Runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(SamePath(runs[0].program, Installed())) << testing::ToUtf8(runs[0].program);
    EXPECT_FALSE(testing::FileOrFolderExists(marker));
}

// SCHTASKS normally ends at once; one that is still running at the limit is
// ended, and the command counts as not run.
TEST_F(CommandRunnerTest, ACommandStillRunningAtTheLimitIsEndedAndGivesMinusOne) {
    const struct {
        const char* name;
        const wchar_t* sleepMs;
        unsigned long limitMs;
        int expected;
        ULONGLONG shortestMs;
    } cases[] = {
        {"ends in time", L"300", 10000, 7, 300},
        {"ends only after the limit", L"8000", 1500, -1, 1500},
        {"never ends", L"forever", 1500, -1, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileW(logPath_.c_str());
        const ScopedEnvironment sleep(L"TAVRIN_SCHTASKS_SLEEP_MS", c.sleepMs);
        const ScopedEnvironment exitCode(L"TAVRIN_SCHTASKS_EXIT", L"7");
        Win32CommandRunner runner(c.limitMs);

        const ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(runner.RunCommandLine(BuildDeleteTaskCommand(L"task")), c.expected);
        const ULONGLONG elapsed = ::GetTickCount64() - start;

        EXPECT_GE(elapsed, c.shortestMs);
        EXPECT_LT(elapsed, 6000u);
        EXPECT_EQ(Runs().size(), 1u);  // it did start
        EXPECT_EQ(testing::CountProcesses(L"schtasks.exe"), 0) << "still running";
    }
}

// While it waits, the calling thread keeps serving its windows: a message
// sent from another thread is answered and timers fire.
TEST_F(CommandRunnerTest, WhileWaitingTheThreadsWindowsAreServed) {
    const ScopedEnvironment sleep(L"TAVRIN_SCHTASKS_SLEEP_MS", L"1500");
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    static int ticks = 0;
    ticks = 0;
    ::SetTimer(window, 1, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
    bool answered = false;
    std::thread asker([&] {
        ::Sleep(500);  // the runner is waiting by then
        DWORD_PTR result = 0;
        answered = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 700, &result) != 0;
    });

    EXPECT_EQ(runner_.RunCommandLine(BuildDeleteTaskCommand(L"task")), 0);
    asker.join();
    ::KillTimer(window, 1);
    ::DestroyWindow(window);

    EXPECT_TRUE(answered);
    EXPECT_GE(ticks, 5);
}

// A quit request taken from the queue while waiting is left for the
// caller's own loop.
TEST_F(CommandRunnerTest, AQuitRequestArrivingWhileWaitingIsKept) {
    const ScopedEnvironment sleep(L"TAVRIN_SCHTASKS_SLEEP_MS", L"300");
    ::PostQuitMessage(5);
    EXPECT_EQ(runner_.RunCommandLine(BuildDeleteTaskCommand(L"task")), 0);
    MSG message{};
    ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 5u);
}

// The tool killed while SCHTASKS hangs takes SCHTASKS with it.
TEST_F(CommandRunnerTest, ACommandDoesNotOutliveACallerThatIsKilled) {
    const ScopedEnvironment sleep(L"TAVRIN_SCHTASKS_SLEEP_MS", L"forever");
    testing::ChildProcess caller(L"tavrin_platform_helper.exe", L"command \"schtasks /query\"");
    ASSERT_TRUE(caller.Started());
    ASSERT_TRUE(testing::WaitUntil([&] { return Runs().size() == 1; }, 10000)) << "SCHTASKS did not start";
    ASSERT_EQ(testing::CountProcesses(L"schtasks.exe"), 1);

    ::TerminateProcess(caller.Handle(), 1);
    EXPECT_TRUE(caller.Wait(5000).has_value());

    EXPECT_TRUE(testing::WaitUntil([] { return testing::CountProcesses(L"schtasks.exe") == 0; }, 5000));
}

}  // namespace
}  // namespace tavrin::platform
