#pragma once

#include <string>
#include <vector>

#include "procedures/CommandLine.h"
#include "procedures/DialogHost.h"
#include "procedures/Services.h"
#include "procedures/SetUpStatus.h"
#include "procedures/StartupEnvironment.h"
#include "settings/Settings.h"

namespace tavrin {

// How a command-line run ended; the numbers are the tool's documented exit codes.
inline constexpr int kExitDone = 0;              // registered / removed / (status) complete
inline constexpr int kExitUsage = 1;             // the command line was refused, or /log cannot be opened; nothing done
inline constexpr int kExitAnotherCopy = 2;       // another copy of the tool runs; nothing done
inline constexpr int kExitStartupFailed = 3;     // the start-up checks ended the run; nothing done
inline constexpr int kExitStepFailed = 4;        // a step failed or an unexpected error; what was done stays
inline constexpr int kExitNobodyToSetUp = 5;     // nobody logged on, the user at the screen unreadable or not /user's; nothing done
inline constexpr int kExitDialogNotShown = 6;    // (dialog) the settings dialog could not be created
inline constexpr int kExitNothingRegistered = 10;  // (status)
inline constexpr int kExitPartlyRegistered = 11;   // (status) partly there, or disagreeing

// Where the lines of a command-line run go.
class CommandLineOutput {
public:
    virtual ~CommandLineOutput() = default;
    // One line for the user (the console, or the redirected output) and, once
    // open, for the log.
    virtual void WriteLine(const std::wstring& line) = 0;
    // From now on every line is also appended to the file; false when it
    // cannot be opened (or is a link, which an elevated tool never follows).
    virtual bool OpenLog(const std::wstring& path) = 0;
    // The full path of the open log, as the platform formed it from the one given.
    virtual std::wstring LogPath() const = 0;
};

// (LocalTime, a moment as the clock of this PC shows it, comes with the
// task definitions, whose boundaries are read against it.)
// A line of the log: "YYYY-MM-DD HH:MM:SS", a tab, then the text.
std::wstring LogLine(const LocalTime& time, const std::wstring& text);

// The single-copy rule, shared with the dialog.
class RunningCopyGuard {
public:
    virtual ~RunningCopyGuard() = default;
    // Takes the running copy's place; true when another copy holds it.
    virtual bool AnotherCopyRuns() = 0;
};

struct CommandLineContext {
    std::wstring program;  // the executable's file name, for the usage text
    CommandLineOutput& output;
    RunningCopyGuard& copies;
    StartupEnvironment& environment;
    PlatformServices platform;
    SetUpReader& reader;
    std::wstring version;   // the tool's version, for the first line of a run
    std::wstring computer;  // this PC's name, for the same line
};

// Writes a message as the dialog would show it in a box: each of its lines
// as a line of its own.
void WriteMessage(CommandLineOutput& output, const std::wstring& text);

// The dialog, as the procedures see it, without a window: every message
// becomes lines, and the settings are the command line's.
class CommandLineHost final : public DialogHost, public StartupUser {
public:
    CommandLineHost(CommandLineOutput& output, std::optional<AccountName> displayUser)
        : output_(output), displayUser_(std::move(displayUser)) {}
    void ShowMessage(const std::wstring& text) override { WriteMessage(output_, text); }
    bool ReadControls() override { return true; }
    void CloseWithOk() override {}
    void FocusUnitAddress() override {}
    bool ConfirmUnansweredPage(const std::wstring& linkAddress, const std::wstring& reason) override;
    void ReportMissing(const std::wstring& text) override { WriteMessage(output_, text); }
    // /account current while someone else is at the screen: a one-line
    // warning, and the run goes on (nobody is there to answer).
    bool ConfirmSetUpFor(const SetUpTarget& target) override;

private:
    CommandLineOutput& output_;
    std::optional<AccountName> displayUser_;
};

// The settings /register uses: the dialog's, with the command line's choices.
Settings SettingsFromCommandLine(const CommandLineRequest& request);

// The whole command-line run for the arguments after the program name: the
// command line is read, then the log opened, whom the run is for decided, a
// first line naming the tool's version, the computer, the running account and
// that user written (every run but /?), the
// single-copy rule and the start-up checks applied, and the command run. Every line goes to
// context.output; nothing is ever shown in a box. Every exception ends up as
// a line and kExitStepFailed. Returns the exit code.
int RunFromCommandLine(const std::vector<std::wstring>& arguments, CommandLineContext& context);

}  // namespace tavrin
