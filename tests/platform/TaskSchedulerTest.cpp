#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/Win32Services.h"
#include "TestSupport.h"

namespace tavrin::platform {
namespace {

// The folder the Task Scheduler keeps its tasks in; under Wine each task is a
// file there, found by the service's GetTask.
std::wstring TasksFolder() {
    wchar_t windows[MAX_PATH];
    const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, length) + L"\\System32\\Tasks\\";
}

std::string Utf16File(const std::wstring& text) {
    const std::wstring withMark = L"\uFEFF" + text;
    return std::string(reinterpret_cast<const char*>(withMark.data()), withMark.size() * sizeof(wchar_t));
}

const std::wstring kDefinition =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    L"  <Actions Context=\"Author\"><Exec><Command>wscript.exe</Command>"
    L"<Arguments>\"C:\\Users\\山田\\Documents\\LAU_Refresh.vbs\"</Arguments></Exec></Actions>\r\n"
    L"</Task>\r\n";

// Asked of the Task Scheduler service itself: a task it holds is found, with
// the definition it stores, in UTF-16 or UTF-8; one it does not hold is its
// own "no such task". Wine starts the service for the first connection.
TEST(TaskSchedulerTest, FindsTheTasksTheSchedulerHoldsAndTellsMissingOnes) {
    const std::wstring name = L"tavrin-test（" + std::to_wstring(::GetCurrentProcessId()) + L"）";
    const std::wstring file = TasksFolder() + name;
    ::CreateDirectoryW(TasksFolder().c_str(), nullptr);
    Win32TaskScheduler tasks;
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"UTF-16 with its mark, as the scheduler writes it", Utf16File(kDefinition)},
        {"UTF-8", testing::ToUtf8(kDefinition)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::WriteBytes(file, c.bytes);
        const ScheduledTask found = tasks.ReadTask(name);
        ::DeleteFileW(file.c_str());
        EXPECT_EQ(found.lookup, TaskLookup::found);
        EXPECT_EQ(found.definition, kDefinition);
    }
    const ScheduledTask missing = tasks.ReadTask(name);
    EXPECT_EQ(missing.lookup, TaskLookup::missing);
    EXPECT_FALSE(missing.definition.has_value());
}

}  // namespace
}  // namespace tavrin::platform
