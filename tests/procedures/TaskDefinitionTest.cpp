#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "procedures/Procedures.h"
#include "procedures/TaskDefinition.h"
#include "texts/Utf8.h"

namespace tavrin::testing {
namespace {

// The document for a display user's task, written out by hand from the task
// schema (tests/core/golden); the platform tests read the same file back
// through the system's XML parser.
std::string Golden(const char* name) {
    std::ifstream file(std::string(TAVRIN_GOLDEN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.good()) << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(TaskDocumentTest, TheDisplayUsersTaskDocumentMatchesEveryByte) {
    const TaskDefinition definition =
        RefreshTaskDefinition(L"C:\\Users\\山田 R&D\\Documents\\LAU_Refresh.vbs", 5, true, LocalTime{2026, 12, 11, 9, 30, 7},
                              L"S-1-5-21-1004336348-1177238915-682003330-1001");
    EXPECT_EQ(EncodeUtf8(TaskDocumentXml(definition)), Golden("RefreshTask-display-user.xml"));
}

// What the writer must escape so that any path comes back as it was.
TEST(TaskDocumentTest, EscapesMarkupAndControlCharacters) {
    TaskDefinition definition;
    definition.actions.push_back(TaskAction{true, L"a<b>&c.exe", L"\"x\" 'y'\r\n\t"});
    const std::wstring xml = TaskDocumentXml(definition);
    EXPECT_NE(xml.find(L"<Command>a&lt;b&gt;&amp;c.exe</Command>"), std::wstring::npos);
    EXPECT_NE(xml.find(L"<Arguments>\"x\" 'y'&#13;&#10;&#9;</Arguments>"), std::wstring::npos);
    // The principal's account: only when there is one (else the task's author).
    EXPECT_EQ(xml.find(L"<UserId>"), std::wstring::npos);
}

// The same action as the /TR line: SCHTASKS splits at the first blank, a
// quoted program keeping its quotes.
TEST(TaskDocumentTest, SplitsTheTaskRunAsSchtasksDoes) {
    const struct {
        const wchar_t* run;
        const wchar_t* command;
        const wchar_t* arguments;
    } cases[] = {
        {L"%windir%\\SysWOW64\\wscript.exe \"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs\"",
         L"%windir%\\SysWOW64\\wscript.exe", L"\"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs\""},
        {L"wscript.exe \"C:\\a b\\LAU_Refresh.vbs\"", L"wscript.exe", L"\"C:\\a b\\LAU_Refresh.vbs\""},
        {L"\"C:\\Program Files\\x.exe\" /a /b", L"\"C:\\Program Files\\x.exe\"", L"/a /b"},
        {L"calc.exe", L"calc.exe", L""},
        {L"\"C:\\never closed", L"\"C:\\never closed", L""},
    };
    for (const auto& c : cases) {
        const TaskAction action = SplitTaskRun(c.run);
        EXPECT_TRUE(action.exec);
        EXPECT_EQ(action.command, c.command);
        EXPECT_EQ(action.arguments, c.arguments);
    }
}

TEST(TaskDocumentTest, WholeHourOfAStartBoundary) {
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
        {L"2026-13-10T05:00:00", std::nullopt},
        {L"2026-12-10 05:00:00", std::nullopt},
        {L"05:00:00", std::nullopt},
        {L"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(WholeHourOf(c.boundary), c.hour) << c.hour.value_or(-1);
}

// A daily task that will not run is no working task, whatever its action and
// hour. The clock reads 2026-12-11 09:30:00.
TEST(TaskDocumentTest, WhetherTheTaskCanRunAtAll) {
    const LocalTime now{2026, 12, 11, 9, 30, 0};
    const auto daily = [] {
        TaskDefinition definition;
        TaskTrigger trigger;
        trigger.calendar = true;
        trigger.daysInterval = 1;
        trigger.startBoundary = L"2026-12-10T05:00:00";
        definition.triggers.push_back(trigger);
        return definition;
    };
    const struct {
        const char* name;
        void (*change)(TaskDefinition&);
        bool runs;
    } cases[] = {
        {"as SCHTASKS registers it", [](TaskDefinition&) {}, true},
        {"registered today for a later hour", [](TaskDefinition& d) { d.triggers[0].startBoundary = L"2026-12-11T23:00:00"; }, true},
        {"starts within the year", [](TaskDefinition& d) { d.triggers[0].startBoundary = L"2027-12-11T09:30:00"; }, true},
        {"starts more than a year ahead", [](TaskDefinition& d) { d.triggers[0].startBoundary = L"2027-12-11T09:30:01"; }, false},
        {"an end boundary ahead", [](TaskDefinition& d) { d.triggers[0].endBoundary = L"2026-12-11T09:30:01"; }, true},
        {"an end boundary now", [](TaskDefinition& d) { d.triggers[0].endBoundary = L"2026-12-11T09:30:00"; }, false},
        {"an end boundary past, with a zone", [](TaskDefinition& d) { d.triggers[0].endBoundary = L"2025-01-01T00:00:00Z"; }, false},
        {"an end boundary that is no date", [](TaskDefinition& d) { d.triggers[0].endBoundary = L"soon"; }, false},
        {"a start boundary that is no date", [](TaskDefinition& d) { d.triggers[0].startBoundary = L"x"; }, false},
        {"the task disabled", [](TaskDefinition& d) { d.enabled = false; }, false},
        {"the trigger disabled", [](TaskDefinition& d) { d.triggers[0].enabled = false; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TaskDefinition definition = daily();
        c.change(definition);
        EXPECT_EQ(TaskCanRunDaily(definition, now), c.runs);
    }
}

}  // namespace
}  // namespace tavrin::testing
