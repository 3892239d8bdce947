#include "procedures/CommandLineMode.h"

#include <exception>
#include <new>

#include "procedures/CommandLine.h"
#include "procedures/FileError.h"
#include "procedures/Procedures.h"
#include "texts/Decimal.h"
#include "texts/Messages.h"
#include "texts/Utf8.h"

namespace tavrin {

namespace {

std::wstring UsageProblemText(const UsageProblem& problem) {
    using Kind = UsageProblem::Kind;
    switch (problem.kind) {
        case Kind::unknownOption: return UnknownOptionMessage(problem.argument);
        case Kind::missingValue: return MissingValueMessage(problem.argument);
        case Kind::repeatedOption: return RepeatedOptionMessage(problem.argument);
        case Kind::badAddress: return BadAddressMessage(problem.argument);
        case Kind::badSize: return BadSizeMessage(problem.argument);
        case Kind::badHour: return BadHourMessage(problem.argument);
        case Kind::badAccount: return BadAccountMessage(problem.argument);
        case Kind::badUser: return BadUserMessage(problem.argument);
        case Kind::notOneCommand: return kOneCommandMessage;
        case Kind::notForCommand: return OptionNotForCommandMessage(problem.argument, problem.command);
        case Kind::addressRequired: return kAddressRequiredMessage;
    }
    return kOneCommandMessage;
}

void WriteUsage(CommandLineContext& context) {
    for (const std::wstring& line : UsageLines(context.program)) context.output.WriteLine(line);
}

// What the dialog would show for the exception being handled (call only
// inside a catch block).
std::wstring CurrentExceptionText() {
    try {
        throw;
    } catch (const FileError& error) {
        return FileErrorText(static_cast<int>(error.cause), error.fileName);
    } catch (const std::bad_alloc&) {
        return kOutOfMemoryMessage;
    } catch (const std::exception& error) {
        const std::optional<std::wstring> text = error.what() != nullptr ? DecodeUtf8(error.what()) : std::nullopt;
        return text && !text->empty() ? UnexpectedErrorMessage(*text) : std::wstring(kInternalErrorMessage);
    } catch (...) {
        return kInternalErrorMessage;
    }
}

// The arguments as the run was given them, for its first line: one line
// whatever they hold (a control character is shown as \xNN, never written),
// and an argument with a blank or a quote, or an empty one, in quotes.
std::wstring CommandAsGiven(const std::vector<std::wstring>& arguments) {
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring shown;
    for (const std::wstring& argument : arguments) {
        if (!shown.empty()) shown += L' ';
        const bool quoted = argument.empty() || argument.find_first_of(L" \t\"") != std::wstring::npos;
        if (quoted) shown += L'"';
        for (const wchar_t c : argument) {
            if (c < 0x20 || c == 0x7F) {
                shown += L"\\x";
                shown += kHex[(c >> 4) & 0xF];
                shown += kHex[c & 0xF];
            } else if (c == L'"') {
                shown += L"\"\"";
            } else {
                shown += c;
            }
        }
        if (quoted) shown += L'"';
    }
    return shown;
}

const wchar_t* ResultWord(ProcedureResult result) {
    switch (result) {
        case ProcedureResult::done: return L"done";
        case ProcedureResult::partial: return L"partial";
        case ProcedureResult::failed: break;
    }
    return L"failed";
}

constexpr const wchar_t* kRefusedWord = L"refused";

// How a command ended: its exit code and, for /register and /remove, the
// word of the key line.
struct RunEnd {
    int code;
    const wchar_t* result;
};

// The running account for the first line: the token's, else the name the
// system gives the thread.
std::wstring RunningShown(const TargetChoice& choice, CommandLineContext& context) {
    if (choice.running) return AccountDisplayName(*choice.running);
    return context.platform.system.QueryUserName();
}

std::wstring TargetShown(const TargetChoice& choice) {
    if (choice.target) return AccountDisplayName(choice.target->account);
    if (choice.refusal == TargetRefusal::nobodyLoggedOn) return kNobodyShown;
    if (choice.displayUser) return AccountDisplayName(*choice.displayUser);
    return kAccountUnreadable;
}

// The one line that says why nobody is set up.
std::wstring RefusalLine(const TargetChoice& choice, const CommandLineRequest& request) {
    switch (choice.refusal) {
        case TargetRefusal::nobodyLoggedOn: return kNobodyLoggedOnMessage;
        case TargetRefusal::consoleChanging: return kConsoleChangingMessage;
        case TargetRefusal::guardMismatch:
            return GuardMismatchMessage(request.guard, AccountDisplayName(choice.target->account));
        case TargetRefusal::cannotTell:
        case TargetRefusal::none: break;
    }
    return DisplayUserUnknownMessage(choice.running ? AccountDisplayName(*choice.running) : kAccountUnreadable);
}

int RunStatus(CommandLineContext& context, const SetUpTarget& target, const std::wstring& browserPath) {
    const SetUpFacts facts = ReadSetUp(target, browserPath, context.platform, context.reader);
    const SetUpState state = JudgeSetUp(facts);
    std::vector<std::wstring> lines = StatusLines(facts, target.folders, state);
    // Whether the page answers now is shown, not judged: a unit that is
    // switched off is not a broken set-up.
    // After the task and the five files, before the verdict.
    lines.insert(lines.begin() + 6, RegisteredPageLine(facts, context.platform.pages));
    for (const std::wstring& line : lines) context.output.WriteLine(line);
    switch (state) {
        case SetUpState::complete: return kExitDone;
        case SetUpState::nothing: return kExitNothingRegistered;
        case SetUpState::partial: return kExitPartlyRegistered;
        case SetUpState::unchecked: return kExitStepFailed;
    }
    return kExitStepFailed;
}

bool ChangesSetUp(const CommandLineRequest& request) {
    return request.action == CommandLineAction::registerSetUp || request.action == CommandLineAction::removeSetUp;
}

RunEnd FromProcedure(ProcedureResult result) {
    return {result == ProcedureResult::done ? kExitDone : kExitStepFailed, ResultWord(result)};
}

// Everything after the command line was accepted and the log opened.
RunEnd RunCommand(const CommandLineRequest& request, const TargetChoice& choice, CommandLineContext& context) {
    if (context.copies.AnotherCopyRuns()) {
        context.output.WriteLine(kAnotherCopyRunsMessage);
        return {kExitAnotherCopy, kRefusedWord};
    }
    if (choice.refusal != TargetRefusal::none) {
        context.output.WriteLine(RefusalLine(choice, request));
        return {kExitNobodyToSetUp, kRefusedWord};
    }
    CommandLineHost host(context.output, choice.displayUser);
    const FolderLookup lookup = request.action == CommandLineAction::showStatus ? FolderLookup::lookUpOnly
                                                                                  : FolderLookup::createMissing;
    const StartupResult startup = RunStartupChecks(context.environment, host, *choice.target, lookup);
    if (!startup.ready) return {kExitStartupFailed, kRefusedWord};
    const SetUpTarget& target = startup.target;

    switch (request.action) {
        case CommandLineAction::registerSetUp: {
            const Settings settings = SettingsFromCommandLine(request);
            return FromProcedure(RunRegisterProcedure(host, settings, target, startup.browserPath, context.platform));
        }
        case CommandLineAction::removeSetUp: return FromProcedure(RunRemoveProcedure(host, target, context.platform));
        case CommandLineAction::showStatus: return {RunStatus(context, target, startup.browserPath), nullptr};
        default: return {kExitUsage, kRefusedWord};
    }
}

// The key line of /register and /remove, for a search across many PCs' logs
// that need not match Japanese.
void WriteResultKeys(const CommandLineRequest& request, const RunEnd& end, CommandLineContext& context) {
    if (!ChangesSetUp(request) || end.result == nullptr) return;
    std::optional<RegisterKeys> settings;
    if (request.action == CommandLineAction::registerSetUp) {
        const std::uint32_t a = request.unitAddress;
        settings = RegisterKeys{DecimalText(a >> 24) + L'.' + DecimalText((a >> 16) & 0xFF) + L'.' +
                                    DecimalText((a >> 8) & 0xFF) + L'.' + DecimalText(a & 0xFF),
                                request.screenSizeChoice, request.refreshHour};
    }
    context.output.WriteLine(ResultKeysLine(end.result, end.code, settings));
}

int Run(const std::vector<std::wstring>& arguments, CommandLineContext& context) {
    ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (parsed.request && parsed.request->action == CommandLineAction::dialog) {
        parsed = ParsedCommandLine{std::nullopt, UsageProblem{UsageProblem::Kind::notOneCommand, {}, {}}};
    }
    if (parsed.request && parsed.request->action == CommandLineAction::showUsage) {
        WriteUsage(context);
        return kExitDone;
    }
    // The log first, so that the first line reaches it too.
    const bool logReady =
        parsed.request && (parsed.request->logFile.empty() || context.output.OpenLog(parsed.request->logFile));
    // Decided once, before the first line names whom the run is for.
    const TargetChoice choice = ChooseSetUpTarget(
        context.environment, parsed.request ? TargetRequest{parsed.request->runningAccountMeant, parsed.request->guard}
                                            : TargetRequest{});
    context.output.WriteLine(
        RunHeaderLine(context.version, context.computer, RunningShown(choice, context), TargetShown(choice)) +
        RunCommandPart(CommandAsGiven(arguments)));
    if (!parsed.request) {
        context.output.WriteLine(UsageProblemText(*parsed.problem));
        WriteUsage(context);
        context.output.WriteLine(ExitCodeLine(kExitUsage));
        return kExitUsage;
    }
    const CommandLineRequest& request = *parsed.request;
    if (!logReady) {
        context.output.WriteLine(LogOpenFailedMessage(request.logFile));
        WriteResultKeys(request, {kExitUsage, kRefusedWord}, context);
        context.output.WriteLine(ExitCodeLine(kExitUsage));
        return kExitUsage;
    }
    // A path that was not given in full (relative to the current folder,
    // which is System32 for an elevated start) is named as it was opened.
    if (!request.logFile.empty() && context.output.LogPath() != request.logFile) {
        context.output.WriteLine(LogPathLine(context.output.LogPath()));
    }
    RunEnd end{kExitStepFailed, L"failed"};
    try {
        end = RunCommand(request, choice, context);
    } catch (...) {
        // What was done before the error stays, and cannot be told apart here.
        context.output.WriteLine(CurrentExceptionText());
        end = {kExitStepFailed, L"failed"};
    }
    WriteResultKeys(request, end, context);
    context.output.WriteLine(ExitCodeLine(end.code));
    return end.code;
}

}  // namespace

std::wstring LogLine(const LocalTime& time, const std::wstring& text) {
    // Appended in place rather than as one chain of sums, each of which
    // would build a string of its own.
    const struct {
        wchar_t separator;
        int value;
    } parts[] = {{L'-', time.month}, {L'-', time.day}, {L' ', time.hour}, {L':', time.minute}, {L':', time.second}};
    std::wstring line = DecimalText(time.year, 4);
    for (const auto& part : parts) {
        line += part.separator;
        line += DecimalText(part.value, 2);
    }
    line += L'\t';
    line += text;
    return line;
}

void WriteMessage(CommandLineOutput& output, const std::wstring& text) {
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find(L'\n', begin);
        output.WriteLine(text.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin));
        if (end == std::wstring::npos) return;
        begin = end + 1;
    }
}

bool CommandLineHost::ConfirmSetUpFor(const SetUpTarget& target) {
    // Only /account current sets up someone else than the user at the screen.
    if (!target.otherUser && displayUser_ && !IsSameAccount(*displayUser_, target.account)) {
        output_.WriteLine(OtherAccountWarningLine(AccountDisplayName(target.account), AccountDisplayName(*displayUser_)));
    }
    return true;
}

bool CommandLineHost::ConfirmUnansweredPage(const std::wstring& linkAddress, const std::wstring& reason) {
    output_.WriteLine(PageUnansweredWarning(linkAddress, reason));
    return true;
}

Settings SettingsFromCommandLine(const CommandLineRequest& request) {
    Settings settings;
    settings.unitAddress = request.unitAddress;
    settings.unitAddressComplete = true;
    settings.screenSizeChoice = request.screenSizeChoice;
    settings.refreshHour = request.refreshHour;
    UpdatePageSuffix(settings);
    return settings;
}

int RunFromCommandLine(const std::vector<std::wstring>& arguments, CommandLineContext& context) {
    try {
        return Run(arguments, context);
    } catch (...) {
        // Out of memory while reading the command line or writing a line:
        // one more try to say so, then the exit code alone.
        try {
            context.output.WriteLine(CurrentExceptionText());
        } catch (...) {
        }
        return kExitStepFailed;
    }
}

}  // namespace tavrin
