#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavrin {

// What a scheduled task runs and when, read from its task XML (the Task
// Scheduler's own format, namespace .../windows/2004/02/mit/task).
struct TaskAction {
    bool exec = false;  // an Exec action; anything else (COM handler, e-mail, message) is not
    std::wstring command;
    std::wstring arguments;
};

struct TaskTrigger {
    bool calendar = false;  // a CalendarTrigger; anything else (logon, boot, idle, ...) is not
    bool enabled = true;
    // Every N days; 0 when the trigger has no ScheduleByDay (weekly, monthly, once).
    int daysInterval = 0;
    std::wstring startBoundary;  // as written: YYYY-MM-DDTHH:MM:SS, maybe with a zone
};

struct TaskDefinition {
    std::vector<TaskAction> actions;
    std::vector<TaskTrigger> triggers;
};

// Nullopt when the text is not well-formed XML with a Task element at its root.
std::optional<TaskDefinition> ParseTaskDefinition(const std::wstring& xml);

// The hour of a start boundary that starts on a whole hour (minute and second
// 0); nullopt otherwise.
std::optional<int> WholeHourOf(const std::wstring& startBoundary);

}  // namespace tavrin
