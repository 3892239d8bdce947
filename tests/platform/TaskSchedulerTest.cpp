#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/TaskXmlReader.h"
#include "platform/Win32Services.h"
#include "procedures/Procedures.h"
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

void ExpectSame(const std::optional<TaskDefinition>& read, const TaskDefinition& expected) {
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->enabled, expected.enabled);
    EXPECT_EQ(read->principal.userId, expected.principal.userId);
    EXPECT_EQ(read->principal.logonType, expected.principal.logonType);
    EXPECT_EQ(read->principal.runLevel, expected.principal.runLevel);
    ASSERT_EQ(read->actions.size(), expected.actions.size());
    for (std::size_t i = 0; i < expected.actions.size(); ++i) {
        EXPECT_EQ(read->actions[i].exec, expected.actions[i].exec) << i;
        EXPECT_EQ(read->actions[i].command, expected.actions[i].command) << i;
        EXPECT_EQ(read->actions[i].arguments, expected.actions[i].arguments) << i;
    }
    ASSERT_EQ(read->triggers.size(), expected.triggers.size());
    for (std::size_t i = 0; i < expected.triggers.size(); ++i) {
        EXPECT_EQ(read->triggers[i].calendar, expected.triggers[i].calendar) << i;
        EXPECT_EQ(read->triggers[i].enabled, expected.triggers[i].enabled) << i;
        EXPECT_EQ(read->triggers[i].daysInterval, expected.triggers[i].daysInterval) << i;
        EXPECT_EQ(read->triggers[i].startBoundary, expected.triggers[i].startBoundary) << i;
        EXPECT_EQ(read->triggers[i].endBoundary, expected.triggers[i].endBoundary) << i;
    }
}

// As the Task Scheduler writes a task that SCHTASKS /Create /SC DAILY made.
const std::wstring kStored =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    L"  <RegistrationInfo>\r\n    <Date>2026-12-10T09:12:44</Date>\r\n    <Author>PC\\taro</Author>\r\n"
    L"    <URI>\\Quorvix画面リフレッシュ（taro）</URI>\r\n  </RegistrationInfo>\r\n"
    L"  <!-- a comment -->\r\n"
    L"  <Triggers>\r\n    <CalendarTrigger>\r\n      <StartBoundary>2026-12-10T05:00:00</StartBoundary>\r\n"
    L"      <Enabled>true</Enabled>\r\n      <ScheduleByDay>\r\n        <DaysInterval>1</DaysInterval>\r\n"
    L"      </ScheduleByDay>\r\n    </CalendarTrigger>\r\n  </Triggers>\r\n"
    L"  <Principals>\r\n    <Principal id=\"Author\">\r\n      <UserId>S-1-5-21-1-2-3-1001</UserId>\r\n"
    L"      <LogonType>InteractiveToken</LogonType>\r\n    </Principal>\r\n  </Principals>\r\n"
    L"  <Settings><Enabled>true</Enabled></Settings>\r\n"
    L"  <Actions Context=\"Author\">\r\n    <Exec>\r\n"
    L"      <Command>%windir%\\SysWOW64\\wscript.exe</Command>\r\n"
    L"      <Arguments>&quot;C:\\Users\\R&amp;D\\Documents\\LAU_Refresh.vbs&quot;</Arguments>\r\n"
    L"    </Exec>\r\n  </Actions>\r\n</Task>\r\n";

std::wstring Utf8Declared(std::wstring xml) {
    xml.replace(xml.find(L"UTF-16"), 6, L"UTF-8");
    return xml;
}

TaskDefinition StoredDefinition() {
    TaskDefinition definition;
    definition.principal = {L"S-1-5-21-1-2-3-1001", L"InteractiveToken", L""};
    definition.actions.push_back(
        TaskAction{true, L"%windir%\\SysWOW64\\wscript.exe", L"\"C:\\Users\\R&D\\Documents\\LAU_Refresh.vbs\""});
    TaskTrigger trigger;
    trigger.calendar = true;
    trigger.daysInterval = 1;
    trigger.startBoundary = L"2026-12-10T05:00:00";
    definition.triggers.push_back(trigger);
    return definition;
}

// The stored file, in the encodings a task file comes in, and the service's
// text (whatever encoding its declaration names).
TEST(TaskXmlReaderTest, ReadsTheActionTriggerAndPrincipalOfAStoredTask) {
    ExpectSame(ReadTaskDocument(Utf16File(kStored)), StoredDefinition());
    const std::wstring utf8Declared = Utf8Declared(kStored);
    ExpectSame(ReadTaskDocument(testing::ToUtf8(L"\uFEFF" + utf8Declared)), StoredDefinition());
    ExpectSame(ReadTaskDocument(testing::ToUtf8(utf8Declared)), StoredDefinition());
    ExpectSame(ReadTaskDocumentText(kStored), StoredDefinition());
    ExpectSame(ReadTaskDocumentText(utf8Declared), StoredDefinition());
}

TEST(TaskXmlReaderTest, OtherKindsOfActionsAndTriggersAndDisabledOnes) {
    const std::optional<TaskDefinition> definition = ReadTaskDocumentText(
        L"<t:Task xmlns:t=\"x\"><t:Triggers><t:LogonTrigger/><t:CalendarTrigger><t:StartBoundary>2026-01-01T04:00:00"
        L"</t:StartBoundary><t:EndBoundary> 2026-02-01T04:00:00 </t:EndBoundary><t:Enabled>0</t:Enabled>"
        L"<t:ScheduleByWeek/></t:CalendarTrigger>"
        L"<t:CalendarTrigger><t:ScheduleByDay/><t:Enabled>1</t:Enabled></t:CalendarTrigger>"
        L"<t:CalendarTrigger><t:ScheduleByDay><t:DaysInterval>x</t:DaysInterval></t:ScheduleByDay></t:CalendarTrigger>"
        L"</t:Triggers><t:Settings><t:Enabled>0</t:Enabled></t:Settings>"
        L"<t:Actions><t:ComHandler><t:ClassId>{0}</t:ClassId></t:ComHandler>"
        L"<t:Exec><t:Command><![CDATA[a<b.exe]]></t:Command></t:Exec></t:Actions></t:Task>");
    ASSERT_TRUE(definition.has_value());
    EXPECT_FALSE(definition->enabled);  // "0" is false, as xs:boolean has it
    ASSERT_EQ(definition->actions.size(), 2u);
    EXPECT_FALSE(definition->actions[0].exec);
    EXPECT_TRUE(definition->actions[1].exec);
    EXPECT_EQ(definition->actions[1].command, L"a<b.exe");
    EXPECT_EQ(definition->actions[1].arguments, L"");
    ASSERT_EQ(definition->triggers.size(), 4u);
    EXPECT_FALSE(definition->triggers[0].calendar);
    EXPECT_TRUE(definition->triggers[1].calendar);
    EXPECT_FALSE(definition->triggers[1].enabled);
    EXPECT_EQ(definition->triggers[1].endBoundary, L"2026-02-01T04:00:00");
    EXPECT_EQ(definition->triggers[1].daysInterval, 0);  // weekly
    EXPECT_TRUE(definition->triggers[2].enabled);
    EXPECT_EQ(definition->triggers[2].daysInterval, 1);  // the schema's default
    EXPECT_EQ(definition->triggers[3].daysInterval, -1);
    // Absent, Settings/Enabled is the schema's default: true.
    EXPECT_TRUE(ReadTaskDocumentText(L"<Task><Settings/></Task>")->enabled);
    EXPECT_FALSE(ReadTaskDocumentText(L"<Task><Settings><Enabled>false</Enabled></Settings></Task>")->enabled);
}

TEST(TaskXmlReaderTest, WhatIsNotATaskDocument) {
    const std::wstring deep = std::wstring(40, L'x');
    std::wstring nested = L"<Task>";
    for (int i = 0; i < 40; ++i) nested += L"<a>";
    for (int i = 0; i < 40; ++i) nested += L"</a>";
    nested += L"</Task>";
    const std::wstring cases[] = {
        L"",
        L"not xml",
        L"<Job><Actions/></Job>",                   // another root
        L"<Task><Actions><Exec></Actions></Task>",  // mismatched end tag
        L"<Task><Actions>",                         // cut off
        L"<Task/><Task/>",                          // two roots
        L"<!DOCTYPE Task [<!ENTITY x \"y\">]><Task/>",  // a DTD, refused before any entity grows
        L"<!DOCTYPE Task [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
        L"<Task><Actions><Exec><Command>&b;</Command></Exec></Actions></Task>",
        L"<Task a=b/>",  // unquoted attribute
        nested,          // deeper than any task document
    };
    for (const std::wstring& text : cases) {
        EXPECT_FALSE(ReadTaskDocumentText(text).has_value()) << testing::ToUtf8(text);
        EXPECT_FALSE(ReadTaskDocument(testing::ToUtf8(text)).has_value()) << testing::ToUtf8(text);
    }
    // An entity that is not declared: Windows's XmlLite refuses it, Wine's
    // keeps the reference as text. Either way it is no path 登録 writes.
    if (!testing::RunningUnderWine()) {
        EXPECT_FALSE(ReadTaskDocumentText(L"<Task><Actions><Exec><Command>&bogus;</Command></Exec></Actions></Task>")
                         .has_value());
    }
    EXPECT_TRUE(ReadTaskDocumentText(L"<Task/>").has_value());
    // Larger than any task the scheduler wrote: not read at all.
    const std::wstring padded = L"<Task>" + std::wstring(kMaxTaskDocumentBytes / 2, L' ') + L"</Task>";
    EXPECT_FALSE(ReadTaskDocumentText(padded).has_value());
    EXPECT_FALSE(ReadTaskDocument(Utf16File(padded)).has_value());
    EXPECT_TRUE(ReadTaskDocument(testing::ToUtf8(L"<Task>" + std::wstring(kMaxTaskDocumentBytes - 20, L' ') + L"</Task>"))
                    .has_value());
}

// What the writer writes, this reader reads back unchanged: texts with
// markup, quotes and characters outside the BMP included (line breaks too on
// Windows; Wine's XmlLite gives blanks for &#13;&#10;, and no path holds
// them); and
// the golden file of the native tests gives the definition it was written for.
TEST(TaskXmlReaderTest, ReadsBackWhatTheWriterWrote) {
    const std::wstring breaks = testing::RunningUnderWine() ? L"" : L"\r\n\t";
    TaskDefinition odd = RefreshTaskDefinition(L"C:\\Users\\R&D <x> 'q' \"w\" 𠀋" + breaks + L"\\Documents\\LAU_Refresh.vbs", 0,
                                               false, LocalTime{2026, 1, 2, 3, 4, 5}, L"S-1-5-21-9-8-7-500");
    odd.enabled = false;
    odd.triggers[0].enabled = false;
    odd.triggers[0].endBoundary = L"2027-01-01T00:00:00";
    odd.actions.push_back(TaskAction{true, L"\"C:\\Program Files\\a b.exe\"", L""});
    for (const TaskDefinition& definition :
         {odd, RefreshTaskDefinition(L"C:\\Users\\taro\\Documents\\LAU_Refresh.vbs", 23, true,
                                     LocalTime{2026, 12, 31, 23, 59, 59}, L"")}) {
        const std::wstring xml = TaskDocumentXml(definition);
        ExpectSame(ReadTaskDocumentText(xml), definition);
        ExpectSame(ReadTaskDocument(Utf16File(xml)), definition);
    }

    std::ifstream file(std::string(TAVRIN_GOLDEN_DIR) + "/RefreshTask-display-user.xml", std::ios::binary);
    const std::string golden((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(golden.empty());
    ExpectSame(ReadTaskDocument(golden),
               RefreshTaskDefinition(L"C:\\Users\\山田 R&D\\Documents\\LAU_Refresh.vbs", 5, true,
                                     LocalTime{2026, 12, 11, 0, 0, 0}, L"S-1-5-21-1004336348-1177238915-682003330-1001"));
}

// Asked of the Task Scheduler service itself: a task it holds is found, with
// what it runs read from the file it keeps (Wine's service gives its own copy
// without actions); one it does not hold is its own "no such task". Wine
// starts the service for the first connection.
TEST(TaskSchedulerTest, FindsTheTasksTheSchedulerHoldsAndTellsMissingOnes) {
    const std::wstring name = L"tavrin-test（" + std::to_wstring(::GetCurrentProcessId()) + L"）";
    const std::wstring file = TasksFolder() + name;
    ::CreateDirectoryW(TasksFolder().c_str(), nullptr);
    Win32TaskScheduler tasks;
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"UTF-16 with its mark, as the scheduler writes it", Utf16File(kStored)},
        {"UTF-8", testing::ToUtf8(Utf8Declared(kStored))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::WriteBytes(file, c.bytes);
        const ScheduledTask found = tasks.ReadTask(name);
        ::DeleteFileW(file.c_str());
        EXPECT_EQ(found.lookup, TaskLookup::found);
        ExpectSame(found.definition, StoredDefinition());
    }
    const ScheduledTask missing = tasks.ReadTask(name);
    EXPECT_EQ(missing.lookup, TaskLookup::missing);
    EXPECT_FALSE(missing.definition.has_value());
}

// The limit is the caller's: an answer that has not come by then is "no
// answer", and the question left behind is not waited for. (The e2e cases
// stop the service itself for the product's 60 s.)
TEST(TaskSchedulerTest, AnAnswerNotThereByTheLimitIsNoAnswer) {
    const std::wstring name = L"tavrin-limit-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring file = TasksFolder() + name;
    ::CreateDirectoryW(TasksFolder().c_str(), nullptr);
    testing::WriteBytes(file, Utf16File(kStored));
    EXPECT_EQ(Win32TaskScheduler().ReadTask(name).lookup, TaskLookup::found);
    const ULONGLONG started = ::GetTickCount64();
    const ScheduledTask late = Win32TaskScheduler(0).ReadTask(name);
    const ULONGLONG elapsed = ::GetTickCount64() - started;
    ::DeleteFileW(file.c_str());
    EXPECT_EQ(late.lookup, TaskLookup::noAnswer);
    EXPECT_FALSE(late.definition.has_value());
    EXPECT_LT(elapsed, 1000u);
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

// The document for SCHTASKS /XML: a new file in a new folder under the
// Windows folder's Temp that only SYSTEM and the Administrators may use (no
// inherited entries), UTF-16 with its mark; both gone with the object.
TEST(TaskSchedulerTest, SavesTheTaskDocumentWhereNoUserCanPlantOne) {
    Win32TaskScheduler tasks;
    const std::wstring xml = TaskDocumentXml(RefreshTaskDefinition(
        L"C:\\Users\\山田\\Documents\\LAU_Refresh.vbs", 5, true, tasks.LocalNow(), L"S-1-5-21-1-2-3-1001"));
    std::wstring path;
    {
        const std::unique_ptr<TaskDocumentFile> first = tasks.SaveTaskDocument(xml);
        const std::unique_ptr<TaskDocumentFile> second = tasks.SaveTaskDocument(xml);
        ASSERT_TRUE(first && second);
        path = first->Path();
        EXPECT_NE(FolderOf(path), FolderOf(second->Path()));  // each in a folder of its own
        wchar_t windows[MAX_PATH];
        const std::wstring temp = std::wstring(windows, ::GetSystemWindowsDirectoryW(windows, MAX_PATH)) + L"\\Temp\\";
        EXPECT_EQ(path.rfind(temp, 0), 0u) << testing::ToUtf8(path);
        EXPECT_EQ(testing::ReadBytes(path), Utf16File(xml));

        PSECURITY_DESCRIPTOR descriptor = nullptr;
        PACL dacl = nullptr;
        ASSERT_EQ(::GetNamedSecurityInfoW(FolderOf(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                          nullptr, &dacl, nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS));
        wchar_t* text = nullptr;
        ASSERT_TRUE(::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                           DACL_SECURITY_INFORMATION, &text, nullptr));
        const std::wstring sddl = text;
        ::LocalFree(text);
        ::LocalFree(descriptor);
        // Wine keeps no security descriptors on these files: it shows one
        // made from the Unix mode bits, whatever the folder was made with.
        if (!testing::RunningUnderWine()) EXPECT_EQ(sddl, L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
        // Held without delete sharing: it cannot be renamed away meanwhile.
        EXPECT_FALSE(::MoveFileW(FolderOf(path).c_str(), (FolderOf(path) + L"-moved").c_str()));
    }
    EXPECT_FALSE(testing::FileOrFolderExists(path));
    EXPECT_FALSE(testing::FileOrFolderExists(FolderOf(path)));
}

}  // namespace
}  // namespace tavrin::platform
