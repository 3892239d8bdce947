#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <string>

#include "procedures/TaskDefinition.h"

namespace tavrin::testing {
namespace {

// As the Task Scheduler writes a task that SCHTASKS /Create /SC DAILY made,
// with the byte-order mark the UTF-16 file starts with.
const std::wstring kStored =
    L"\uFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    L"  <RegistrationInfo>\r\n    <Date>2026-12-10T09:12:44</Date>\r\n    <Author>PC\\taro</Author>\r\n"
    L"    <URI>\\Quorvix画面リフレッシュ（taro）</URI>\r\n  </RegistrationInfo>\r\n"
    L"  <!-- a comment -->\r\n"
    L"  <Triggers>\r\n    <CalendarTrigger>\r\n      <StartBoundary>2026-12-10T05:00:00</StartBoundary>\r\n"
    L"      <Enabled>true</Enabled>\r\n      <ScheduleByDay>\r\n        <DaysInterval>1</DaysInterval>\r\n"
    L"      </ScheduleByDay>\r\n    </CalendarTrigger>\r\n  </Triggers>\r\n"
    L"  <Settings><Enabled>true</Enabled></Settings>\r\n"
    L"  <Actions Context=\"Author\">\r\n    <Exec>\r\n"
    L"      <Command>%windir%\\SysWOW64\\wscript.exe</Command>\r\n"
    L"      <Arguments>&quot;C:\\Users\\R&amp;D\\Documents\\LAU_Refresh.vbs&quot;</Arguments>\r\n"
    L"    </Exec>\r\n  </Actions>\r\n</Task>\r\n";

TEST(TaskDefinitionTest, ReadsTheActionAndTheTriggerOfAStoredTask) {
    const std::optional<TaskDefinition> definition = ParseTaskDefinition(kStored);
    ASSERT_TRUE(definition.has_value());
    ASSERT_EQ(definition->actions.size(), 1u);
    EXPECT_TRUE(definition->actions[0].exec);
    EXPECT_EQ(definition->actions[0].command, L"%windir%\\SysWOW64\\wscript.exe");
    EXPECT_EQ(definition->actions[0].arguments, L"\"C:\\Users\\R&D\\Documents\\LAU_Refresh.vbs\"");
    ASSERT_EQ(definition->triggers.size(), 1u);
    EXPECT_TRUE(definition->triggers[0].calendar);
    EXPECT_TRUE(definition->triggers[0].enabled);
    EXPECT_EQ(definition->triggers[0].daysInterval, 1);
    EXPECT_EQ(definition->triggers[0].startBoundary, L"2026-12-10T05:00:00");
}

TEST(TaskDefinitionTest, OtherKindsOfActionsAndTriggers) {
    const std::optional<TaskDefinition> definition = ParseTaskDefinition(
        L"<t:Task xmlns:t=\"x\"><t:Triggers><t:LogonTrigger/><t:CalendarTrigger><t:StartBoundary>2026-01-01T04:00:00"
        L"</t:StartBoundary><t:Enabled>false</t:Enabled><t:ScheduleByWeek/></t:CalendarTrigger>"
        L"<t:CalendarTrigger><t:ScheduleByDay/></t:CalendarTrigger></t:Triggers>"
        L"<t:Actions><t:ComHandler><t:ClassId>{0}</t:ClassId></t:ComHandler>"
        L"<t:Exec><t:Command><![CDATA[a<b.exe]]></t:Command></t:Exec></t:Actions></t:Task>");
    ASSERT_TRUE(definition.has_value());
    ASSERT_EQ(definition->actions.size(), 2u);
    EXPECT_FALSE(definition->actions[0].exec);
    EXPECT_TRUE(definition->actions[1].exec);
    EXPECT_EQ(definition->actions[1].command, L"a<b.exe");
    EXPECT_EQ(definition->actions[1].arguments, L"");
    ASSERT_EQ(definition->triggers.size(), 3u);
    EXPECT_FALSE(definition->triggers[0].calendar);
    EXPECT_FALSE(definition->triggers[1].enabled);
    EXPECT_EQ(definition->triggers[1].daysInterval, 0);  // weekly
    EXPECT_EQ(definition->triggers[2].daysInterval, 1);  // the schema's default
}

TEST(TaskDefinitionTest, WhatIsNotATaskDocument) {
    for (const wchar_t* text : {
             L"",
             L"not xml",
             L"<Job><Actions/></Job>",                                 // another root
             L"<Task><Actions><Exec></Actions></Task>",                // mismatched end tag
             L"<Task><Actions>",                                       // cut off
             L"<Task/><Task/>",                                        // two roots
             L"<!DOCTYPE Task [<!ENTITY x \"y\">]><Task/>",             // a DTD
             L"<Task><Actions><Exec><Command>&bogus;</Command></Exec></Actions></Task>",
             L"<Task a=b/>",                                           // unquoted attribute
         }) {
        EXPECT_FALSE(ParseTaskDefinition(text).has_value()) << std::string(text, text + std::wcslen(text));
    }
    EXPECT_TRUE(ParseTaskDefinition(L"<Task/>").has_value());
}

TEST(TaskDefinitionTest, WholeHourOfAStartBoundary) {
    const struct {
        const wchar_t* boundary;
        std::optional<int> hour;
    } cases[] = {
        {L"2026-12-10T05:00:00", 5},
        {L"2026-12-10T00:00:00", 0},
        {L"2026-12-10T23:00:00+09:00", 23},
        {L"2026-12-10T23:00:00Z", 23},
        {L"2026-12-10T04:00:00.000", 4},
        {L"2026-12-10T04:00:00.5", std::nullopt},
        {L"2026-12-10T05:30:00", std::nullopt},
        {L"2026-12-10T05:00:01", std::nullopt},
        {L"2026-12-10T24:00:00", std::nullopt},
        {L"2026-12-10 05:00:00", std::nullopt},
        {L"05:00:00", std::nullopt},
        {L"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(WholeHourOf(c.boundary), c.hour) << c.hour.value_or(-1);
}

}  // namespace
}  // namespace tavrin::testing
