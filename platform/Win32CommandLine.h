#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/SingleInstance.h"
#include "platform/Win32Handles.h"
#include "procedures/CommandLineMode.h"

namespace tavrin::platform {

// The arguments after the program name in `commandLine`, split as
// CommandLineToArgvW splits them. A program name given without quotes is
// taken up to the first blank, except when the line starts with the
// executable's own full path (`modulePath`, any letter case): a caller may
// start "C:\Program Files\...\tavrin.exe" unquoted, and that is no argument.
std::vector<std::wstring> ArgumentsAfterProgram(const std::wstring& commandLine, const std::wstring& modulePath);

// The arguments this process was started with; empty when there are none.
std::vector<std::wstring> CommandLineArguments();

// No system error box (a drive without a disk, a missing DLL) for this
// process: a command-line run shows no box of any kind.
void SuppressSystemErrorBoxes();

// The system's own text for an error code, in the user's language, without
// the line break it ends with; empty when the system has none.
std::wstring SystemErrorText(DWORD code);

// Where the lines of a command-line run go. The tool is a GUI program, so it
// has no console of its own:
// - standard output redirected to a file or a pipe: UTF-8 there;
// - a console handle as standard output: that console;
// - otherwise the console of the program that started the tool, attached to
//   (a prompt that does not wait shows the lines after its own prompt);
// - otherwise (standard output a character device that is not a console, as
//   a terminal under Wine) UTF-8 there; with none of these, the lines go only
//   to the log.
// Every line ends with CR LF. The log is opened for appending and shared, and
// each line is written to it with one call, time-stamped in local time; an
// empty log gets a UTF-8 byte-order mark first. A line that cannot be added
// to the log ends the log: the output says so once, and the run goes on.
class Win32CommandLineOutput final : public CommandLineOutput {
public:
    Win32CommandLineOutput();
    Win32CommandLineOutput(const Win32CommandLineOutput&) = delete;
    Win32CommandLineOutput& operator=(const Win32CommandLineOutput&) = delete;

    void WriteLine(const std::wstring& line) override;
    bool OpenLog(const std::wstring& path) override;
    std::wstring LogPath() const override { return logPath_; }

private:
    enum class Sink { none, console, bytes };
    Sink sink_ = Sink::none;
    HANDLE output_ = nullptr;  // the standard output, or conout_
    UniqueHandle conout_;      // the attached console's output, when that is where lines go
    UniqueHandle log_;
    std::wstring logPath_;  // full path of the open log
    bool logFailed_ = false;  // a line could not be added; said once
};

// The single-copy rule for a command-line run: the same place the dialog
// takes, taken when first asked and held until the object goes.
class Win32RunningCopyGuard final : public RunningCopyGuard {
public:
    bool AnotherCopyRuns() override {
        if (!instance_) instance_.emplace();
        return instance_->AnotherCopyRuns();
    }

private:
    std::optional<SingleInstance> instance_;
};

}  // namespace tavrin::platform
