#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavrin {

// What a scheduled task runs, when and as whom, in the terms of the Task
// Scheduler's own document (task XML, namespace .../windows/2004/02/mit/task).
// The document is written here (TaskDocumentXml) and read in platform/ by a
// real XML parser; both meet at this struct, which the verdict compares.
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
    std::wstring startBoundary;  // as written: YYYY-MM-DDTHH:MM:SS, maybe with fractions or a zone
    std::wstring endBoundary;    // empty when the trigger has none
};

struct TaskPrincipal {
    std::wstring userId;     // a SID or an account name; empty: the task's author
    std::wstring logonType;  // e.g. InteractiveToken
    std::wstring runLevel;   // LeastPrivilege or HighestAvailable; empty: the schema's default
};

struct TaskDefinition {
    bool enabled = true;  // Settings/Enabled
    TaskPrincipal principal;
    std::vector<TaskAction> actions;
    std::vector<TaskTrigger> triggers;
};

// A moment as the clock of this PC shows it, as the scheduler's boundaries
// hold it too (and as the log's lines begin).
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The date and time of a boundary (YYYY-MM-DDTHH:MM:SS, then maybe fractions
// of a second and a zone, which are not part of the result); nullopt for any
// other text.
std::optional<LocalTime> ParseBoundary(const std::wstring& boundary);

// YYYY-MM-DDTHH:MM:SS, as SCHTASKS /ST stores the start of a daily task.
std::wstring BoundaryText(const LocalTime& time);

// The hour of a start boundary that starts on a whole hour (minute and second
// 0); nullopt otherwise.
std::optional<int> WholeHourOf(const std::wstring& startBoundary);

// How SCHTASKS stores a /TR value: a quoted program (quotes kept) or the text
// up to the first blank is the command, the rest after that blank the arguments.
TaskAction SplitTaskRun(const std::wstring& taskRun);

// The task document for the definition: UTF-16 declared (the file is written
// as UTF-16 LE with its mark), every text escaped, the elements in the order
// the Task Scheduler writes them. Settings other than Enabled are left to the
// schema's defaults, which are what SCHTASKS /Create gives a task.
std::wstring TaskDocumentXml(const TaskDefinition& definition);

// The reasons a registered task cannot run as 登録 meant, even when its action
// and hour are right: the task or its trigger disabled, an end boundary that
// has passed, a start boundary more than a year ahead. `now` is the PC's local
// time; boundaries are compared as written (a zone they carry is ignored,
// which moves them by hours at most).
bool TaskCanRunDaily(const TaskDefinition& definition, const LocalTime& now);

}  // namespace tavrin
