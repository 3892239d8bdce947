#include "procedures/SetUpStatus.h"

#include <initializer_list>

#include "procedures/Procedures.h"
#include "settings/Settings.h"
#include "texts/Messages.h"
#include "texts/SchedulerCommands.h"

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

namespace {

// Whether the file is there and, when its content can be read, the link
// address `parse` finds in it.
template <typename Read, typename Parse>
LinkFileFacts ReadLinkFile(const std::wstring& path, FileStore& files, Read read, Parse parse) {
    LinkFileFacts facts;
    facts.exists = files.Exists(path);
    if (!facts.exists) return facts;
    const auto content = read(path);
    if (content) facts.linkAddress = parse(*content);
    return facts;
}

}  // namespace

LinkFileFacts ReadScript(const std::wstring& path, FileStore& files, SetUpReader& reader) {
    return ReadLinkFile(
        path, files, [&reader](const std::wstring& file) { return reader.ReadFileBytes(file); },
        [](const std::string& bytes) { return ScriptLinkAddress(bytes); });
}

LinkFileFacts ReadKioskShortcut(const std::wstring& path, FileStore& files, SetUpReader& reader) {
    return ReadLinkFile(
        path, files, [&reader](const std::wstring& file) { return reader.ReadShortcutArguments(file); },
        [](const std::wstring& arguments) { return ShortcutLinkAddress(arguments); });
}

TaskState QueryTask(CommandRunner& commands, const std::wstring& taskName) {
    const int status = commands.RunCommandLine(BuildQueryTaskCommand(taskName));
    if (status == 0) return TaskState::registered;
    if (status == kCommandDidNotRun) return TaskState::unchecked;
    return TaskState::notRegistered;
}

std::wstring LinkFileState(const LinkFileFacts& facts) {
    if (!facts.exists) return kFileAbsentState;
    return facts.linkAddress ? LinkState(*facts.linkAddress) : std::wstring(kLinkUnreadableState);
}

}  // namespace

std::optional<std::wstring> RegisteredLinkAddress(const SetUpFacts& facts) {
    for (const LinkFileFacts* file : {&facts.script, &facts.startupKiosk, &facts.desktopKiosk}) {
        if (file->linkAddress) return file->linkAddress;
    }
    return std::nullopt;
}

std::wstring RegisteredPageLine(const SetUpFacts& facts, PageProbe& pages) {
    const std::optional<std::wstring> linkAddress = RegisteredLinkAddress(facts);
    if (!linkAddress) return kStatusPageUncheckedMessage;
    const PageAnswer answer = pages.RequestPage(*linkAddress);
    const bool answers = PageAnswers(answer);
    return StatusPageLine(*linkAddress, answers, answers ? std::wstring() : PageProblemReason(answer));
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

SetUpFacts ReadSetUp(const KnownFolderPaths& folders, const PlatformServices& platform, SetUpReader& reader) {
    SetUpFacts facts;
    facts.taskName = RefreshTaskName(platform.system.QueryUserName());
    facts.task = QueryTask(platform.commands, facts.taskName);
    facts.script = ReadScript(RefreshScriptPath(folders.documents), platform.files, reader);
    facts.startupKiosk = ReadKioskShortcut(KioskShortcutPath(folders.startup), platform.files, reader);
    facts.desktopKiosk = ReadKioskShortcut(KioskShortcutPath(folders.desktop), platform.files, reader);
    facts.showDesktopFile = platform.files.Exists(ShowDesktopFilePath(folders.documents));
    facts.showDesktopShortcut = platform.files.Exists(ShowDesktopShortcutPath(folders.startup));
    facts.showDesktopPlatform = ReportsShowDesktopPlatform(platform.system.QueryReportedVersion());
    return facts;
}

SetUpState JudgeSetUp(const SetUpFacts& facts) {
    const LinkFileFacts* linkFiles[] = {&facts.script, &facts.startupKiosk, &facts.desktopKiosk};
    const std::optional<std::wstring>& scriptLink = facts.script.linkAddress;
    bool anyFile = false;
    bool allAgree = scriptLink.has_value();
    for (const LinkFileFacts* file : linkFiles) {
        anyFile = anyFile || file->exists;
        if (!file->exists || file->linkAddress != scriptLink) allAgree = false;
    }
    const bool showDesktopDone = !facts.showDesktopPlatform || (facts.showDesktopFile && facts.showDesktopShortcut);
    const bool filesComplete = allAgree && showDesktopDone;

    // Files that are only partly there are a partial set-up whatever the task is.
    if (anyFile && !filesComplete) return SetUpState::partial;
    if (facts.task == TaskState::unchecked) return SetUpState::unchecked;
    const bool taskThere = facts.task == TaskState::registered;
    if (!anyFile && !taskThere) return SetUpState::nothing;
    if (filesComplete && taskThere) return SetUpState::complete;
    return SetUpState::partial;
}

std::vector<std::wstring> StatusLines(const SetUpFacts& facts, const KnownFolderPaths& folders, SetUpState state) {
    const wchar_t* taskState = facts.task == TaskState::registered      ? kTaskRegisteredState
                               : facts.task == TaskState::notRegistered ? kTaskNotRegisteredState
                                                                        : kTaskUncheckedState;
    const wchar_t* verdict = state == SetUpState::complete  ? kStatusCompleteMessage
                             : state == SetUpState::nothing ? kStatusNothingMessage
                             : state == SetUpState::partial ? kStatusPartialMessage
                                                            : kStatusUncheckedMessage;
    return {
        StatusTaskLine(facts.taskName, taskState),
        StatusFileLine(RefreshScriptPath(folders.documents), LinkFileState(facts.script)),
        StatusFileLine(KioskShortcutPath(folders.startup), LinkFileState(facts.startupKiosk)),
        StatusFileLine(KioskShortcutPath(folders.desktop), LinkFileState(facts.desktopKiosk)),
        StatusFileLine(ShowDesktopFilePath(folders.documents),
                       facts.showDesktopFile ? kFilePresentState : kFileAbsentState),
        StatusFileLine(ShowDesktopShortcutPath(folders.startup),
                       facts.showDesktopShortcut ? kFilePresentState : kFileAbsentState),
        verdict,
    };
}

}  // namespace tavrin
