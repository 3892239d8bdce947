// One copy per logon session: the running copy's place and window as other
// copies see them, from other processes (the helper) and other threads.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "platform/SingleInstance.h"

namespace tavrin::platform {
namespace {

// What the helper, started as another copy, found.
enum Answer : unsigned long { kAlone = 0, kNoWindow = 1, kThisWindow = 2, kOtherWindow = 3 };

std::wstring Hex(HWND window) {
    wchar_t text[16] = {};
    swprintf(text, 16, L"%lx", static_cast<unsigned long>(HandleToLong(window)));
    return text;
}

unsigned long AskAnotherCopy(HWND expected, unsigned long waitMs = 0) {
    testing::ChildProcess copy(L"tavrin_platform_helper.exe",
                               L"instance " + std::to_wstring(waitMs) + L" " + Hex(expected));
    if (!copy.Started()) return 99;
    return copy.Wait(30000).value_or(98);
}

class TestWindow {
public:
    TestWindow()
        : window_(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr)) {}
    ~TestWindow() { Destroy(); }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Get() const { return window_; }
    void Destroy() {
        if (window_ != nullptr) ::DestroyWindow(window_);
    }

private:
    HWND window_;
};

TEST(SingleInstance, AnotherCopySeesTheRunningOneAndTheWindowItPublished) {
    TestWindow dialog;
    TestWindow closedDialog;
    const HWND closed = closedDialog.Get();
    closedDialog.Destroy();

    SingleInstance running;
    ASSERT_FALSE(running.AnotherCopyRuns()) << "another copy of the tool runs in this session";
    const struct {
        const char* name;
        HWND published;
        unsigned long expected;
    } cases[] = {
        {"still starting", nullptr, kNoWindow},
        {"dialog open", dialog.Get(), kThisWindow},
        {"dialog gone", closed, kNoWindow},
        {"withdrawn", nullptr, kNoWindow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        running.PublishWindow(c.published);
        EXPECT_EQ(AskAnotherCopy(dialog.Get()), c.expected);
    }
    EXPECT_FALSE(running.AnotherCopyRuns());
}

TEST(SingleInstance, ACopyThatEndedLeavesThePlaceFree) {
    {
        SingleInstance running;
        ASSERT_FALSE(running.AnotherCopyRuns());
        EXPECT_EQ(AskAnotherCopy(nullptr), kNoWindow);
    }
    EXPECT_EQ(AskAnotherCopy(nullptr), kAlone);
}

// A copy that dies never blocks the next start, even while a later copy
// still holds the named objects open.
TEST(SingleInstance, AKilledCopyDoesNotBlockTheNextStart) {
    TestWindow dialog;
    const std::wstring eventName = L"Local\\tavrin-test-holding-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(ready, nullptr);
    testing::ChildProcess holder(L"tavrin_platform_helper.exe", L"hold-instance " + eventName + L" " + Hex(dialog.Get()));
    ASSERT_TRUE(holder.Started());
    const DWORD waited = ::WaitForSingleObject(ready, 30000);
    ::CloseHandle(ready);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the holder did not take the place";

    SingleInstance second;
    EXPECT_TRUE(second.AnotherCopyRuns());
    EXPECT_EQ(second.FindRunningCopyWindow(0), dialog.Get());

    ::TerminateProcess(holder.Handle(), 1);
    ASSERT_TRUE(holder.Wait(10000).has_value());
    // Waiting for the window, it finds the place free and takes it.
    EXPECT_EQ(second.FindRunningCopyWindow(5000), nullptr);
    EXPECT_FALSE(second.AnotherCopyRuns());
    EXPECT_EQ(AskAnotherCopy(dialog.Get()), kNoWindow) << "the dead copy's window is still offered";
}

// A second start while the running copy is still starting waits for its
// window.
TEST(SingleInstance, ASecondStartWaitsForTheWindowOfACopyStillStarting) {
    TestWindow dialog;
    std::atomic<int> firstCopy{0};  // 1 running, -1 could not take the place
    std::atomic<bool> done{false};
    // The place belongs to a thread: the first copy runs on one of its own.
    std::thread first([&] {
        SingleInstance running;
        firstCopy = running.AnotherCopyRuns() ? -1 : 1;
        if (firstCopy < 0) return;
        ::Sleep(500);
        running.PublishWindow(dialog.Get());
        while (!done) ::Sleep(10);
    });
    testing::WaitUntil([&] { return firstCopy != 0; }, 5000);
    if (firstCopy == 1) {
        SingleInstance second;
        EXPECT_TRUE(second.AnotherCopyRuns());
        EXPECT_EQ(second.FindRunningCopyWindow(10000), dialog.Get());
        EXPECT_TRUE(second.AnotherCopyRuns());
    }
    done = true;
    first.join();
    EXPECT_EQ(firstCopy, 1) << "the first copy did not take the place";
}

}  // namespace
}  // namespace tavrin::platform

namespace tavrin::platform {
namespace {

// Only a window of this very program is brought to the front by a second start.
TEST(SingleInstance, OnlyAWindowOfThisProgramCountsAsTheRunningCopys) {
    TestWindow own;
    TestWindow gone;
    const HWND closed = gone.Get();
    gone.Destroy();
    const struct {
        const char* name;
        HWND window;
        bool belongs;
    } cases[] = {
        {"this program's window", own.Get(), true},
        {"the desktop, another program's", ::GetDesktopWindow(), false},
        {"a window that is gone", closed, false},
        {"no window", nullptr, false},
    };
    for (const auto& c : cases) EXPECT_EQ(WindowBelongsToThisProgram(c.window), c.belongs) << c.name;
}

// A mutex name that another kind of object took counts as another copy; the
// copy does nothing and finds no window to show.
TEST(SingleInstance, ANameTakenByAnotherKindOfObjectMeansAnotherCopyRuns) {
    const HANDLE squatter = ::CreateEventW(nullptr, TRUE, FALSE, L"Local\\Tavrin.KioskSetup.RunningCopy");
    ASSERT_NE(squatter, nullptr);
    {
        SingleInstance copy;
        EXPECT_TRUE(copy.AnotherCopyRuns());
        EXPECT_EQ(copy.FindRunningCopyWindow(100), nullptr);
        EXPECT_TRUE(copy.AnotherCopyRuns());
    }
    ::CloseHandle(squatter);
    SingleInstance copy;
    EXPECT_FALSE(copy.AnotherCopyRuns());
}

}  // namespace
}  // namespace tavrin::platform
