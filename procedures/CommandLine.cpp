#include "procedures/CommandLine.h"

#include <algorithm>
#include <string_view>

#include "settings/Settings.h"

namespace tavrin {

namespace {

// The options, each once; the four commands share one slot.
enum class Option { command, address, size, hour, log, account, user };

struct OptionName {
    const wchar_t* name;  // lower case, without the leading '/' or '-'
    Option option;
    CommandLineAction action;  // for a command
    bool takesValue;
};

constexpr OptionName kOptions[] = {
    {L"register", Option::command, CommandLineAction::registerSetUp, false},
    {L"remove", Option::command, CommandLineAction::removeSetUp, false},
    {L"status", Option::command, CommandLineAction::showStatus, false},
    {L"?", Option::command, CommandLineAction::showUsage, false},
    {L"address", Option::address, CommandLineAction::dialog, true},
    {L"size", Option::size, CommandLineAction::dialog, true},
    {L"hour", Option::hour, CommandLineAction::dialog, true},
    {L"log", Option::log, CommandLineAction::dialog, true},
    {L"account", Option::account, CommandLineAction::dialog, true},
    {L"user", Option::user, CommandLineAction::dialog, true},
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

const OptionName* FindOption(const std::wstring& argument) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return nullptr;
    const std::wstring name = Lower(argument.substr(1));
    for (const OptionName& option : kOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

// Which options each command takes besides itself.
bool CommandTakes(CommandLineAction action, Option option) {
    switch (action) {
        case CommandLineAction::registerSetUp: return true;
        case CommandLineAction::removeSetUp:
        case CommandLineAction::showStatus:
            return option == Option::log || option == Option::account || option == Option::user;
        default: return false;
    }
}

// Views, so that the many callers build no strings of their own.
ParsedCommandLine Refused(UsageProblem::Kind kind, std::wstring_view argument = {}, std::wstring_view command = {}) {
    ParsedCommandLine parsed;
    parsed.problem = UsageProblem{kind, std::wstring(argument), std::wstring(command)};
    return parsed;
}

// Characters no Windows account or domain name holds, besides control characters.
constexpr std::wstring_view kNotInAccountNames = L"\"/\\[]:;|=,+*?<>@";

bool IsNamePart(std::wstring_view part) {
    if (part.empty() || part.front() == L' ' || part.back() == L' ') return false;
    return std::none_of(part.begin(), part.end(), [](wchar_t c) {
        return c < 0x20 || c == 0x7F || kNotInAccountNames.find(c) != std::wstring_view::npos;
    });
}

bool IsHourItem(const std::wstring& text) {
    return std::any_of(kHourItems.begin(), kHourItems.end(), [&text](const wchar_t* item) { return text == item; });
}

}  // namespace

std::vector<std::wstring> OptionsTakenBy(CommandLineAction action) {
    std::vector<std::wstring> names;
    for (const OptionName& option : kOptions) {
        if (option.option != Option::command && CommandTakes(action, option.option)) {
            names.push_back(std::wstring(L"/") + option.name);
        }
    }
    return names;
}

std::vector<std::wstring> CommandNames() {
    std::vector<std::wstring> names;
    for (const OptionName& option : kOptions) {
        if (option.option == Option::command) names.push_back(std::wstring(L"/") + option.name);
    }
    return names;
}

std::optional<std::uint32_t> ParseUnitAddress(const std::wstring& text) {
    std::uint32_t address = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != L'.') return std::nullopt;
            ++at;
        }
        const std::size_t begin = at;
        unsigned value = 0;
        while (at < text.size() && text[at] >= L'0' && text[at] <= L'9' && at - begin < 3) {
            value = value * 10 + static_cast<unsigned>(text[at] - L'0');
            ++at;
        }
        const std::size_t digits = at - begin;
        if (digits == 0 || value > 255 || (digits > 1 && text[begin] == L'0')) return std::nullopt;
        address = (address << 8) | value;
    }
    if (at != text.size()) return std::nullopt;
    return address;
}

bool IsAccountNameText(const std::wstring& text) {
    const std::size_t separator = text.find(L'\\');
    if (separator == std::wstring::npos) return false;
    const std::wstring_view whole(text);
    return IsNamePart(whole.substr(0, separator)) && IsNamePart(whole.substr(separator + 1));
}

ParsedCommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
    CommandLineRequest request;
    if (arguments.empty()) return ParsedCommandLine{request, std::nullopt};

    using Kind = UsageProblem::Kind;
    const std::wstring* given[7] = {};  // as typed, by Option; null when not given
    bool addressGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const OptionName* option = FindOption(argument);
        if (option == nullptr) return Refused(Kind::unknownOption, argument);
        const std::wstring*& slot = given[static_cast<int>(option->option)];
        if (slot != nullptr) {
            if (option->option == Option::command) return Refused(Kind::notOneCommand, argument);
            return Refused(Kind::repeatedOption, argument);
        }
        slot = &argument;
        if (!option->takesValue) {
            request.action = option->action;
            continue;
        }
        // A value that is itself an option means the value was forgotten.
        if (i + 1 >= arguments.size() || FindOption(arguments[i + 1]) != nullptr) {
            return Refused(Kind::missingValue, argument);
        }
        const std::wstring& value = arguments[++i];
        switch (option->option) {
            case Option::address: {
                const std::optional<std::uint32_t> address = ParseUnitAddress(value);
                if (!address) return Refused(Kind::badAddress, value);
                request.unitAddress = *address;
                addressGiven = true;
                break;
            }
            case Option::size: {
                const std::wstring size = Lower(value);
                if (size != L"hd" && size != L"fullhd") return Refused(Kind::badSize, value);
                request.screenSizeChoice = size == L"fullhd" ? 1 : 0;
                break;
            }
            case Option::hour:
                if (!IsHourItem(value)) return Refused(Kind::badHour, value);
                request.refreshHour = value;
                break;
            case Option::log:
                if (value.empty()) return Refused(Kind::missingValue, argument);
                request.logFile = value;
                break;
            case Option::account:
                if (Lower(value) != L"current") return Refused(Kind::badAccount, value);
                request.runningAccountMeant = true;
                break;
            case Option::user:
                if (!IsAccountNameText(value)) return Refused(Kind::badUser, value);
                request.guard = value;
                break;
            case Option::command: break;
        }
    }

    const std::wstring* command = given[static_cast<int>(Option::command)];
    if (command == nullptr) return Refused(Kind::notOneCommand);
    for (const Option option :
         {Option::address, Option::size, Option::hour, Option::log, Option::account, Option::user}) {
        const std::wstring* typed = given[static_cast<int>(option)];
        if (typed != nullptr && !CommandTakes(request.action, option)) {
            return Refused(Kind::notForCommand, *typed, *command);
        }
    }
    if (request.action == CommandLineAction::registerSetUp && !addressGiven) return Refused(Kind::addressRequired);
    return ParsedCommandLine{request, std::nullopt};
}

}  // namespace tavrin
