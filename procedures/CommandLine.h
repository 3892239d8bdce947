#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrin {

// What a command line asks for. Without arguments the tool is the dialog.
enum class CommandLineAction { dialog, showUsage, registerSetUp, removeSetUp, showStatus };

struct CommandLineRequest {
    CommandLineAction action = CommandLineAction::dialog;
    // /register only; the dialog's defaults where an option is left out.
    std::uint32_t unitAddress = 0;  // first number in the top byte
    int screenSizeChoice = 0;       // 0 = hd, 1 = fullhd
    std::wstring refreshHour = L"0";
    // /account current: the running account is meant, not the user at the screen.
    bool runningAccountMeant = false;
    // /user DOMAIN\name: go on only when that is the user the run sets up.
    std::wstring guard;
    // /log FILE; empty without it.
    std::wstring logFile;
};

// Why a command line was refused. `argument` is the option or value the
// problem is about, as it was given (empty where there is none).
struct UsageProblem {
    enum class Kind {
        unknownOption,     // not an option of the tool, or a word where an option belongs
        missingValue,      // an option that takes a value came last
        repeatedOption,    // the same option twice (the commands count as one option)
        badAddress,        // not four numbers 0-255 joined by dots
        badSize,           // neither hd nor fullhd
        badHour,           // not one of the dialog's hour items
        badAccount,        // /account with anything but "current"
        badUser,           // /user with anything but DOMAIN\name
        notOneCommand,     // none, or more than one, of /register /remove /status /?
        notForCommand,     // an option the command does not take (`command` says which)
        addressRequired,   // /register without /address
    };
    Kind kind;
    std::wstring argument;
    std::wstring command;  // notForCommand: the command as it was given
};

struct ParsedCommandLine {
    std::optional<CommandLineRequest> request;  // nullopt when refused
    std::optional<UsageProblem> problem;        // set when refused
};

// Reads the arguments that follow the program name. Options start with '/'
// or '-', letter case does not matter, and a value is the next argument (an
// option there counts as a missing value). Each argument is checked left to
// right, then whether the options belong to the command; the first problem
// refuses the whole line, and nothing in a refused line is ever acted on.
ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments);

// The options a command takes besides itself, each as "/name" in lower case,
// in the order of the tool's option table; empty for the dialog.
std::vector<std::wstring> OptionsTakenBy(CommandLineAction action);
// The four commands, each as "/name".
std::vector<std::wstring> CommandNames();

// "DOMAIN\name": one backslash between two parts, neither empty nor
// starting or ending with a blank, without characters account names never hold.
bool IsAccountNameText(const std::wstring& text);

// Four decimal numbers 0-255 joined by dots, nothing else: no blanks, no
// sign, no leading zero (010 is octal to some programs), no empty or fifth part.
std::optional<std::uint32_t> ParseUnitAddress(const std::wstring& text);

}  // namespace tavrin
