#include "procedures/TaskDefinition.h"

#include <tuple>

#include "texts/Decimal.h"

namespace tavrin {

namespace {

int Digits(const std::wstring& text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9') return -1;
        value = value * 10 + (c - L'0');
    }
    return value;
}

auto Ordered(const LocalTime& time) {
    return std::make_tuple(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

// Text for an element's content: the markup characters as references, and
// control characters as character references, so that a reader gives back
// exactly this text (a CR written raw would be read back as LF).
std::wstring Escaped(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t c : text) {
        switch (c) {
            case L'&': escaped += L"&amp;"; break;
            case L'<': escaped += L"&lt;"; break;
            case L'>': escaped += L"&gt;"; break;
            default:
                if (c < 0x20) {
                    // Paths and SIDs never hold these; one that did would make a
                    // document the scheduler refuses, never a different task.
                    escaped += L"&#" + DecimalText(static_cast<int>(c)) + L';';
                } else {
                    escaped += c;
                }
        }
    }
    return escaped;
}

void Element(std::wstring& xml, const wchar_t* indent, const wchar_t* name, const std::wstring& text) {
    xml += indent;
    xml += L'<';
    xml += name;
    xml += L'>';
    xml += Escaped(text);
    xml += L"</";
    xml += name;
    xml += L">\r\n";
}

const wchar_t* Boolean(bool value) { return value ? L"true" : L"false"; }

}  // namespace

std::optional<LocalTime> ParseBoundary(const std::wstring& boundary) {
    // YYYY-MM-DDTHH:MM:SS
    if (boundary.size() < 19 || boundary[4] != L'-' || boundary[7] != L'-' || boundary[10] != L'T' ||
        boundary[13] != L':' || boundary[16] != L':') {
        return std::nullopt;
    }
    LocalTime time{Digits(boundary, 0, 4), Digits(boundary, 5, 2),  Digits(boundary, 8, 2),
                   Digits(boundary, 11, 2), Digits(boundary, 14, 2), Digits(boundary, 17, 2)};
    if (time.year < 0 || time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour < 0 ||
        time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 || time.second > 59) {
        return std::nullopt;
    }
    return time;
}

std::wstring BoundaryText(const LocalTime& time) {
    return DecimalText(time.year, 4) + L'-' + DecimalText(time.month, 2) + L'-' + DecimalText(time.day, 2) + L'T' +
           DecimalText(time.hour, 2) + L':' + DecimalText(time.minute, 2) + L':' + DecimalText(time.second, 2);
}

std::optional<int> WholeHourOf(const std::wstring& startBoundary) {
    const std::optional<LocalTime> time = ParseBoundary(startBoundary);
    if (!time || time->minute != 0 || time->second != 0) return std::nullopt;
    // Fractions of a second other than zero are not a whole hour.
    if (startBoundary.size() > 19 && startBoundary[19] == L'.') {
        for (std::size_t i = 20; i < startBoundary.size() && startBoundary[i] >= L'0' && startBoundary[i] <= L'9'; ++i) {
            if (startBoundary[i] != L'0') return std::nullopt;
        }
    }
    return time->hour;
}

TaskAction SplitTaskRun(const std::wstring& taskRun) {
    TaskAction action;
    action.exec = true;
    std::size_t end = std::wstring::npos;
    if (!taskRun.empty() && taskRun[0] == L'"') {
        const std::size_t close = taskRun.find(L'"', 1);
        end = close == std::wstring::npos ? std::wstring::npos : close + 1;
    } else {
        end = taskRun.find(L' ');
    }
    action.command = taskRun.substr(0, end);
    if (end != std::wstring::npos && end < taskRun.size()) {
        action.arguments = taskRun.substr(taskRun[end] == L' ' ? end + 1 : end);
    }
    return action;
}

std::wstring TaskDocumentXml(const TaskDefinition& definition) {
    std::wstring xml =
        L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
        L"  <Triggers>\r\n";
    for (const TaskTrigger& trigger : definition.triggers) {
        // Only what a daily SCHTASKS task has is written; the tool makes no other.
        xml += L"    <CalendarTrigger>\r\n";
        Element(xml, L"      ", L"StartBoundary", trigger.startBoundary);
        if (!trigger.endBoundary.empty()) Element(xml, L"      ", L"EndBoundary", trigger.endBoundary);
        Element(xml, L"      ", L"Enabled", Boolean(trigger.enabled));
        xml += L"      <ScheduleByDay>\r\n";
        Element(xml, L"        ", L"DaysInterval", DecimalText(trigger.daysInterval));
        xml += L"      </ScheduleByDay>\r\n    </CalendarTrigger>\r\n";
    }
    xml += L"  </Triggers>\r\n  <Principals>\r\n    <Principal id=\"Author\">\r\n";
    if (!definition.principal.userId.empty()) Element(xml, L"      ", L"UserId", definition.principal.userId);
    if (!definition.principal.logonType.empty()) Element(xml, L"      ", L"LogonType", definition.principal.logonType);
    if (!definition.principal.runLevel.empty()) Element(xml, L"      ", L"RunLevel", definition.principal.runLevel);
    xml += L"    </Principal>\r\n  </Principals>\r\n  <Settings>\r\n";
    Element(xml, L"    ", L"Enabled", Boolean(definition.enabled));
    xml += L"  </Settings>\r\n  <Actions Context=\"Author\">\r\n";
    for (const TaskAction& action : definition.actions) {
        xml += L"    <Exec>\r\n";
        Element(xml, L"      ", L"Command", action.command);
        if (!action.arguments.empty()) Element(xml, L"      ", L"Arguments", action.arguments);
        xml += L"    </Exec>\r\n";
    }
    xml += L"  </Actions>\r\n</Task>\r\n";
    return xml;
}

bool TaskCanRunDaily(const TaskDefinition& definition, const LocalTime& now) {
    if (!definition.enabled) return false;
    LocalTime yearAhead = now;
    ++yearAhead.year;
    for (const TaskTrigger& trigger : definition.triggers) {
        if (!trigger.enabled) return false;
        if (!trigger.endBoundary.empty()) {
            const std::optional<LocalTime> end = ParseBoundary(trigger.endBoundary);
            if (!end || Ordered(*end) <= Ordered(now)) return false;
        }
        const std::optional<LocalTime> start = ParseBoundary(trigger.startBoundary);
        if (!start || Ordered(*start) > Ordered(yearAhead)) return false;
    }
    return true;
}

}  // namespace tavrin
