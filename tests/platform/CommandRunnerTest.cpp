#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/Win32Services.h"
#include "procedures/Procedures.h"
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
    std::optional<std::wstring> document;  // the /XML file's text, as the stand-in read it
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
        if (key != "program" && key != "commandline" && key != "arg" && key != "document") continue;
        if (line == "document -1") continue;  // a document that could not be read
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
        if (key == "document") runs.back().document = text;
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

// The dialog's part in registering a task: only its messages.
class MessageLog final : public DialogHost {
public:
    void ShowMessage(const std::wstring& text) override { messages.push_back(text); }
    bool ReadControls() override { return true; }
    void CloseWithOk() override {}
    void FocusUnitAddress() override {}
    bool ConfirmUnansweredPage(const std::wstring&, const std::wstring&) override { return false; }
    std::vector<std::wstring> messages;
};

// A display user's task: SCHTASKS gets /XML and a document with the user's
// SID, which is gone after the run; the task the stand-in stores from it is
// read back by the Task Scheduler reader with the same action and start as
// the task of today's /TR line, so the status verdict judges both alike.
TEST_F(CommandRunnerTest, AnotherAccountsTaskGoesAsADocumentAndReadsBackAsTheTaskRunLinesTask) {
    wchar_t windows[MAX_PATH];
    const std::wstring tasksFolder =
        std::wstring(windows, ::GetSystemWindowsDirectoryW(windows, MAX_PATH)) + L"\\System32\\Tasks";
    ::CreateDirectoryW(tasksFolder.c_str(), nullptr);
    const ScopedEnvironment tasksForStandIn(L"TAVRIN_SCHTASKS_TASKS", tasksFolder);
    const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
    const std::wstring byDocument = L"tavrin-xml（花子）" + pid;
    const std::wstring byTaskRun = L"tavrin-tr（花子）" + pid;
    const std::wstring sid = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    const std::wstring script = L"C:\\Users\\花子 R&D\\Documents\\LAU_Refresh.vbs";

    Win32FileStore files;
    Win32SystemInfo system;
    Win32ShortcutWriter shortcuts(files);
    Win32TaskScheduler tasks;
    Win32PageProbe pages;
    const PlatformServices platform{files, runner_, system, shortcuts, tasks, pages};
    MessageLog host;
    ASSERT_TRUE(RegisterRefreshTask(host, platform, script, 5, byDocument, sid));
    ASSERT_TRUE(RegisterRefreshTask(host, platform, script, 5, byTaskRun, L""));
    EXPECT_TRUE(host.messages.empty());

    const std::vector<StandInRun> runs = Runs();
    ASSERT_EQ(runs.size(), 2u);
    ASSERT_EQ(runs[0].args.size(), 7u);
    EXPECT_EQ(std::vector<std::wstring>(runs[0].args.begin() + 1, runs[0].args.end()),
              (std::vector<std::wstring>{L"/Create", L"/TN", byDocument, L"/XML", runs[0].args[5], L"/F"}));
    const std::wstring documentPath = runs[0].args[5];
    EXPECT_FALSE(testing::FileOrFolderExists(documentPath));
    EXPECT_FALSE(testing::FileOrFolderExists(documentPath.substr(0, documentPath.rfind(L'\\'))));
    ASSERT_TRUE(runs[0].document.has_value()) << "the stand-in could not read " << testing::ToUtf8(documentPath);
    EXPECT_NE(runs[0].document->find(L"<UserId>" + sid + L"</UserId>"), std::wstring::npos);
    EXPECT_NE(runs[0].document->find(L"<LogonType>InteractiveToken</LogonType>"), std::wstring::npos);
    EXPECT_NE(runs[0].document->find(L"<RunLevel>LeastPrivilege</RunLevel>"), std::wstring::npos);
    EXPECT_FALSE(runs[1].document.has_value());
    EXPECT_EQ(runs[1].args[4], L"/TR");

    const ScheduledTask fromDocument = tasks.ReadTask(byDocument);
    const ScheduledTask fromTaskRun = tasks.ReadTask(byTaskRun);
    ::DeleteFileW((tasksFolder + L"\\" + byDocument).c_str());
    ::DeleteFileW((tasksFolder + L"\\" + byTaskRun).c_str());
    ASSERT_EQ(fromDocument.lookup, TaskLookup::found);
    ASSERT_EQ(fromTaskRun.lookup, TaskLookup::found);
    ASSERT_TRUE(fromDocument.definition && fromTaskRun.definition);
    const TaskDefinition& a = *fromDocument.definition;
    const TaskDefinition& b = *fromTaskRun.definition;
    EXPECT_EQ(a.principal.userId, sid);
    ASSERT_EQ(a.actions.size(), 1u);
    ASSERT_EQ(b.actions.size(), 1u);
    EXPECT_EQ(a.actions[0].command, L"%windir%\\SysWOW64\\wscript.exe");
    EXPECT_EQ(a.actions[0].command, b.actions[0].command);
    EXPECT_EQ(a.actions[0].arguments, b.actions[0].arguments);
    ASSERT_EQ(a.triggers.size(), 1u);
    ASSERT_EQ(b.triggers.size(), 1u);
    EXPECT_EQ(a.triggers[0].startBoundary, b.triggers[0].startBoundary);
    EXPECT_EQ(WholeHourOf(a.triggers[0].startBoundary), 5);
    EXPECT_EQ(a.triggers[0].daysInterval, b.triggers[0].daysInterval);
    EXPECT_TRUE(TaskCanRunDaily(a, tasks.LocalNow()));
}

}  // namespace
}  // namespace tavrin::platform
