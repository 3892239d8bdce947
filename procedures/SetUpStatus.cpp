#include "procedures/SetUpStatus.h"

#include <initializer_list>

#include "procedures/CommandLine.h"
#include "procedures/Procedures.h"
#include "procedures/TaskDefinition.h"
#include "settings/Settings.h"
#include "texts/DiskText.h"
#include "texts/LineText.h"
#include "texts/Decimal.h"
#include "texts/Messages.h"
#include "texts/RefreshScript.h"
#include "texts/SchedulerCommands.h"
#include "texts/ShowDesktopFile.h"

namespace tavrin {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    if (text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != start[i]) return false;
    }
    return true;
}

// The quoted value of an `Addr = "..."` line; nullopt for any other line.
std::optional<std::wstring> AddressOfLine(std::string_view line) {
    std::size_t at = 0;
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (!StartsWithIgnoringCase(line.substr(at), "addr")) return std::nullopt;
    at += 4;
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size() || line[at] != '=') return std::nullopt;
    ++at;
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size() || line[at] != '"') return std::nullopt;
    const std::size_t begin = ++at;
    const std::size_t end = line.find('"', begin);
    if (end == std::string_view::npos || end == begin) return std::nullopt;
    for (std::size_t rest = end + 1; rest < line.size(); ++rest) {
        if (!IsBlank(line[rest])) return std::nullopt;
    }
    std::wstring address;
    for (std::size_t i = begin; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (c < 0x20 || c > 0x7E) return std::nullopt;
        address += static_cast<wchar_t>(c);
    }
    return address;
}

// Paths as Windows compares them for the programs shortcuts start: letter
// case of the Latin letters aside.
bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i];
        wchar_t y = b[i];
        if (x >= L'a' && x <= L'z') x = static_cast<wchar_t>(x - L'a' + L'A');
        if (y >= L'a' && y <= L'z') y = static_cast<wchar_t>(y - L'a' + L'A');
        if (x != y) return false;
    }
    return true;
}

std::string DiskBytes(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line;
    return EncodeForDisk(text).value_or(std::string());
}

bool IsLinkAddressOfRegister(const std::optional<std::wstring>& link) {
    return link && ParseLinkAddress(*link).has_value();
}

// The script must be, byte for byte, the one 登録 writes for the link
// address its Addr line names.
ItemFacts ReadScript(const std::wstring& path, FileStore& files, SetUpReader& reader) {
    ItemFacts facts;
    facts.exists = files.Exists(path);
    if (!facts.exists) return facts;
    const std::optional<std::string> bytes = reader.ReadFileBytes(path);
    if (bytes) facts.linkAddress = ScriptLinkAddress(*bytes);
    if (!IsLinkAddressOfRegister(facts.linkAddress)) {
        facts.difference = Difference::unreadable;
    } else if (*bytes != DiskBytes(RefreshScriptLines(*facts.linkAddress))) {
        facts.difference = Difference::content;
    }
    return facts;
}

ItemFacts ReadKioskShortcut(const std::wstring& path, const std::wstring& browserPath, FileStore& files,
                            SetUpReader& reader) {
    ItemFacts facts;
    facts.exists = files.Exists(path);
    if (!facts.exists) return facts;
    const std::optional<ShortcutTarget> target = reader.ReadShortcut(path);
    if (target) facts.linkAddress = ShortcutLinkAddress(target->arguments);
    if (!IsLinkAddressOfRegister(facts.linkAddress)) {
        facts.difference = Difference::unreadable;
    } else if (!SamePath(target->targetPath, browserPath)) {
        facts.difference = Difference::program;
    } else if (target->arguments != BuildKioskArguments(*facts.linkAddress)) {
        facts.difference = Difference::arguments;
    }
    return facts;
}

ItemFacts ReadShowDesktopFile(const std::wstring& path, FileStore& files, SetUpReader& reader) {
    ItemFacts facts;
    facts.exists = files.Exists(path);
    if (!facts.exists) return facts;
    const std::optional<std::string> bytes = reader.ReadFileBytes(path);
    if (!bytes) facts.difference = Difference::unreadable;
    else if (*bytes != DiskBytes(ShowDesktopFileLines())) facts.difference = Difference::content;
    return facts;
}

ItemFacts ReadShowDesktopShortcut(const std::wstring& path, const std::wstring& showDesktopFile, FileStore& files,
                                  SetUpReader& reader) {
    ItemFacts facts;
    facts.exists = files.Exists(path);
    if (!facts.exists) return facts;
    const std::optional<ShortcutTarget> target = reader.ReadShortcut(path);
    if (!target) facts.difference = Difference::unreadable;
    else if (!SamePath(target->targetPath, showDesktopFile) || !target->arguments.empty()) {
        facts.difference = Difference::program;
    }
    return facts;
}

bool IsHourItem(int hour) {
    const std::wstring text = DecimalText(hour);
    for (const wchar_t* item : kHourItems) {
        if (text == item) return true;
    }
    return false;
}

// The task must run exactly the action 登録 registers for this script and
// start once a day, on a whole hour the dialog offers, and be able to: a task
// or trigger that is disabled or can no longer fire is not a working one.
TaskFacts ReadTask(TaskScheduler& tasks, const std::wstring& taskName, const TaskAction& expectedAction) {
    TaskFacts facts;
    const ScheduledTask task = tasks.ReadTask(taskName);
    if (task.lookup == TaskLookup::missing) return facts;
    facts.state = TaskState::unchecked;
    if (task.lookup == TaskLookup::noAnswer) return facts;
    if (!task.definition) {
        facts.difference = Difference::unreadable;
        return facts;
    }
    const TaskDefinition& definition = *task.definition;
    facts.state = TaskState::registered;
    if (definition.triggers.size() == 1 && definition.triggers[0].calendar) {
        facts.hour = WholeHourOf(definition.triggers[0].startBoundary);
    }
    const bool actionMatches = definition.actions.size() == 1 && definition.actions[0].exec &&
                               definition.actions[0].command == expectedAction.command &&
                               definition.actions[0].arguments == expectedAction.arguments;
    const bool daily = definition.triggers.size() == 1 && definition.triggers[0].calendar &&
                       definition.triggers[0].daysInterval == 1 && TaskCanRunDaily(definition, tasks.LocalNow());
    if (!actionMatches) facts.difference = Difference::action;
    else if (!daily || !facts.hour || !IsHourItem(*facts.hour)) facts.difference = Difference::schedule;
    return facts;
}

std::wstring ItemState(const ItemFacts& facts) {
    if (!facts.exists) return kFileAbsentState;
    if (facts.difference == Difference::unreadable) return kLinkUnreadableState;
    const wchar_t* word = nullptr;
    switch (facts.difference) {
        case Difference::content: word = kContentDiffersWord; break;
        case Difference::program: word = kProgramDiffersWord; break;
        case Difference::arguments: word = kArgumentsDifferWord; break;
        case Difference::otherAddress: word = kOtherAddressWord; break;
        default: break;
    }
    if (!facts.linkAddress) return word != nullptr ? DiffersState(word) : std::wstring(kFilePresentState);
    const std::wstring link = ShownInLine(*facts.linkAddress);
    return word != nullptr ? LinkDiffersState(link, word) : LinkState(link);
}

std::wstring TaskStateText(const TaskFacts& task) {
    switch (task.state) {
        case TaskState::notRegistered: return kTaskNotRegisteredState;
        case TaskState::unchecked:
            return task.difference == Difference::unreadable ? kTaskUnreadableState : kTaskUncheckedState;
        case TaskState::registered: break;
    }
    if (task.difference == Difference::action) return kTaskActionDiffersState;
    if (task.difference == Difference::schedule) return kTaskScheduleDiffersState;
    return TaskDailyState(DecimalText(task.hour.value_or(0)));
}

std::wstring DottedAddress(std::uint32_t address) {
    std::wstring text = DecimalText(address >> 24);
    for (int shift = 16; shift >= 0; shift -= 8) {
        text += L'.';
        text += DecimalText((address >> shift) & 0xFF);
    }
    return text;
}

}  // namespace

std::optional<std::wstring> RegisteredLinkAddress(const SetUpFacts& facts) {
    for (const ItemFacts* file : {&facts.script, &facts.startupKiosk, &facts.desktopKiosk}) {
        if (IsLinkAddressOfRegister(file->linkAddress)) return file->linkAddress;
    }
    return std::nullopt;
}

std::wstring RegisteredPageLine(const SetUpFacts& facts, PageProbe& pages) {
    const std::optional<std::wstring> linkAddress = RegisteredLinkAddress(facts);
    if (!linkAddress) return kStatusPageUncheckedMessage;
    const PageAnswer answer = pages.RequestPage(*linkAddress);
    const bool answers = PageAnswers(answer);
    return StatusPageLine(ShownInLine(*linkAddress), answers, answers ? std::wstring() : PageProblemReason(answer));
}

std::optional<std::wstring> ScriptLinkAddress(std::string_view scriptBytes) {
    std::size_t begin = 0;
    while (begin < scriptBytes.size()) {
        std::size_t end = scriptBytes.find('\n', begin);
        if (end == std::string_view::npos) end = scriptBytes.size();
        std::string_view line = scriptBytes.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (std::optional<std::wstring> address = AddressOfLine(line)) return address;
        begin = end + 1;
    }
    return std::nullopt;
}

std::optional<std::wstring> ShortcutLinkAddress(const std::wstring& arguments) {
    std::size_t end = arguments.size();
    while (end > 0 && (arguments[end - 1] == L' ' || arguments[end - 1] == L'\t')) --end;
    if (end < 2 || arguments[end - 1] != L'"') return std::nullopt;
    const std::size_t open = arguments.rfind(L'"', end - 2);
    if (open == std::wstring::npos || open + 1 == end - 1) return std::nullopt;
    return arguments.substr(open + 1, end - 1 - (open + 1));
}

SetUpFacts ReadSetUp(const SetUpTarget& target, const std::wstring& browserPath,
                     const PlatformServices& platform, SetUpReader& reader) {
    const KnownFolderPaths& folders = target.folders;
    SetUpFacts facts;
    facts.user = AccountDisplayName(target.account);
    facts.taskName = TargetTaskName(target);
    const std::wstring scriptPath = RefreshScriptPath(folders.documents);
    facts.task = ReadTask(platform.tasks, facts.taskName,
                          SplitTaskRun(BuildTaskAction(scriptPath, platform.system.IsNativeAmd64())));
    facts.script = ReadScript(scriptPath, platform.files, reader);
    facts.startupKiosk = ReadKioskShortcut(KioskShortcutPath(folders.startup), browserPath, platform.files, reader);
    facts.desktopKiosk = ReadKioskShortcut(KioskShortcutPath(folders.desktop), browserPath, platform.files, reader);
    // The kiosk shortcuts must open what the script restarts.
    if (facts.script.linkAddress && facts.script.difference != Difference::unreadable) {
        for (ItemFacts* kiosk : {&facts.startupKiosk, &facts.desktopKiosk}) {
            if (kiosk->exists && kiosk->difference == Difference::none &&
                kiosk->linkAddress != facts.script.linkAddress) {
                kiosk->difference = Difference::otherAddress;
            }
        }
    }
    const std::wstring showDesktopFile = ShowDesktopFilePath(folders.documents);
    facts.showDesktopFile = ReadShowDesktopFile(showDesktopFile, platform.files, reader);
    facts.showDesktopShortcut = ReadShowDesktopShortcut(ShowDesktopShortcutPath(folders.startup), showDesktopFile,
                                                        platform.files, reader);
    facts.showDesktopPlatform = ReportsShowDesktopPlatform(platform.system.QueryReportedVersion());
    return facts;
}

SetUpState JudgeSetUp(const SetUpFacts& facts) {
    const ItemFacts* linkFiles[] = {&facts.script, &facts.startupKiosk, &facts.desktopKiosk};
    bool anyFile = false;
    bool allMatch = true;
    for (const ItemFacts* file : linkFiles) {
        anyFile = anyFile || file->exists;
        if (!file->exists || file->difference != Difference::none) allMatch = false;
    }
    const auto matches = [](const ItemFacts& item) { return item.exists && item.difference == Difference::none; };
    const bool showDesktopDone =
        !facts.showDesktopPlatform || (matches(facts.showDesktopFile) && matches(facts.showDesktopShortcut));
    const bool filesComplete = allMatch && showDesktopDone;

    // Files that are only partly there, or differ, are a partial set-up whatever the task is.
    if (anyFile && !filesComplete) return SetUpState::partial;
    if (facts.task.state == TaskState::unchecked) return SetUpState::unchecked;
    const bool taskThere = facts.task.state == TaskState::registered;
    if (!anyFile && !taskThere) return SetUpState::nothing;
    if (filesComplete && taskThere && facts.task.difference == Difference::none) return SetUpState::complete;
    return SetUpState::partial;
}

RegisteredSettings SettingsOf(const SetUpFacts& facts) {
    RegisteredSettings settings;
    for (const ItemFacts* file : {&facts.script, &facts.startupKiosk, &facts.desktopKiosk}) {
        if (!file->exists || !file->linkAddress) continue;
        if (const auto parsed = ParseLinkAddress(*file->linkAddress)) {
            settings.unitAddress = parsed->first;
            settings.screenSizeChoice = parsed->second;
            break;
        }
    }
    if (facts.task.state == TaskState::registered) settings.hour = facts.task.hour;
    return settings;
}

std::vector<std::wstring> StatusLines(const SetUpFacts& facts, const KnownFolderPaths& folders, SetUpState state) {
    const wchar_t* verdict = state == SetUpState::complete  ? kStatusCompleteMessage
                             : state == SetUpState::nothing ? kStatusNothingMessage
                             : state == SetUpState::partial ? kStatusPartialMessage
                                                            : kStatusUncheckedMessage;
    // The five files in the order the lines show them: label, path, facts.
    struct FileLine {
        const wchar_t* label;
        std::wstring (*path)(const std::wstring& folder);
        const std::wstring& folder;
        const ItemFacts& item;
    };
    const FileLine files[] = {
        {kScriptLabel, RefreshScriptPath, folders.documents, facts.script},
        {kStartupKioskLabel, KioskShortcutPath, folders.startup, facts.startupKiosk},
        {kDesktopKioskLabel, KioskShortcutPath, folders.desktop, facts.desktopKiosk},
        {kShowDesktopFileLabel, ShowDesktopFilePath, folders.documents, facts.showDesktopFile},
        {kShowDesktopShortcutLabel, ShowDesktopShortcutPath, folders.startup, facts.showDesktopShortcut},
    };
    std::vector<std::wstring> lines;
    lines.push_back(StatusTaskLine(ShownInLine(facts.taskName), TaskStateText(facts.task)));
    for (const FileLine& file : files) {
        lines.push_back(StatusFileLine(file.label, ShownInLine(file.path(file.folder)), ItemState(file.item)));
    }
    lines.emplace_back(verdict);
    const RegisteredSettings settings = SettingsOf(facts);
    const std::optional<std::wstring> address =
        settings.unitAddress ? std::optional<std::wstring>(DottedAddress(*settings.unitAddress)) : std::nullopt;
    const std::optional<std::wstring> hour =
        settings.hour ? std::optional<std::wstring>(DecimalText(*settings.hour)) : std::nullopt;
    if (state != SetUpState::nothing) lines.push_back(StatusSettingsLine(address, settings.screenSizeChoice, hour));
    const wchar_t* registered = state == SetUpState::complete  ? L"complete"
                                : state == SetUpState::nothing ? L"none"
                                : state == SetUpState::partial ? L"partial"
                                                               : L"unknown";
    lines.push_back(StatusKeysLine(registered, address, settings.screenSizeChoice, hour, facts.user));
    return lines;
}

}  // namespace tavrin
