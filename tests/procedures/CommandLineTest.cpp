#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "procedures/CommandLine.h"
#include "texts/Messages.h"

namespace tavrin::testing {
namespace {

using Args = std::vector<std::wstring>;
using Action = CommandLineAction;
using Kind = UsageProblem::Kind;

std::string Narrow(const Args& args) {
    std::string text;
    for (const std::wstring& arg : args) {
        text += '[';
        for (wchar_t c : arg) text += c < 0x80 ? static_cast<char>(c) : '?';
        text += ']';
    }
    return text;
}

TEST(CommandLineTest, NoArgumentsIsTheDialog) {
    const ParsedCommandLine parsed = ParseCommandLine({});
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(parsed.request->action, Action::dialog);
    EXPECT_FALSE(parsed.problem);
}

TEST(CommandLineTest, AcceptedLines) {
    const struct {
        Args args;
        Action action;
        std::uint32_t address;
        int size;
        std::wstring hour;
        std::wstring log;
        bool runningAccountMeant = false;
        std::wstring guard = L"";
    } cases[] = {
        {{L"/register", L"/address", L"10.0.0.254"}, Action::registerSetUp, 0x0A0000FE, 0, L"0", L""},
        {{L"-REGISTER", L"-Address", L"192.168.1.1", L"-SIZE", L"FullHD", L"/Hour", L"23", L"/LOG",
          L"C:\\ログ\\set up.txt"},
         Action::registerSetUp, 0xC0A80101, 1, L"23", L"C:\\ログ\\set up.txt"},
        {{L"/hour", L"4", L"/address", L"0.0.0.0", L"/size", L"hd", L"/register"}, Action::registerSetUp, 0, 0,
         L"4", L""},
        {{L"/register", L"/address", L"255.255.255.255", L"/hour", L"1"}, Action::registerSetUp, 0xFFFFFFFF, 0,
         L"1", L""},
        {{L"/register", L"/address", L"1.20.100.200", L"/size", L"HD"}, Action::registerSetUp, 0x011464C8, 0, L"0",
         L""},
        {{L"/register", L"/address", L"1.2.3.4", L"/log", L"-"}, Action::registerSetUp, 0x01020304, 0, L"0", L"-"},
        {{L"/remove"}, Action::removeSetUp, 0, 0, L"0", L""},
        {{L"-Remove", L"-log", L"\\\\server\\share\\remove.log"}, Action::removeSetUp, 0, 0, L"0",
         L"\\\\server\\share\\remove.log"},
        {{L"/STATUS"}, Action::showStatus, 0, 0, L"0", L""},
        {{L"/log", L"s.log", L"-status"}, Action::showStatus, 0, 0, L"0", L"s.log"},
        {{L"/?"}, Action::showUsage, 0, 0, L"0", L""},
        {{L"-?"}, Action::showUsage, 0, 0, L"0", L""},
        {{L"/register", L"/address", L"1.2.3.4", L"/account", L"current"}, Action::registerSetUp, 0x01020304, 0, L"0",
         L"", true},
        {{L"-Account", L"CURRENT", L"-remove"}, Action::removeSetUp, 0, 0, L"0", L"", true},
        {{L"/status", L"/account", L"current"}, Action::showStatus, 0, 0, L"0", L"", true},
        {{L"/status", L"/user", L"KIOSK-PC\\display"}, Action::showStatus, 0, 0, L"0", L"", false,
         L"KIOSK-PC\\display"},
        {{L"/register", L"/address", L"1.2.3.4", L"-USER", L"CORP.example\\山田 太郎"}, Action::registerSetUp,
         0x01020304, 0, L"0", L"", false, L"CORP.example\\山田 太郎"},
        {{L"/remove", L"/user", L"PC\\Łucja", L"/account", L"current"}, Action::removeSetUp, 0, 0, L"0", L"", true,
         L"PC\\Łucja"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.args));
        const ParsedCommandLine parsed = ParseCommandLine(c.args);
        ASSERT_TRUE(parsed.request);
        EXPECT_FALSE(parsed.problem);
        EXPECT_EQ(parsed.request->action, c.action);
        EXPECT_EQ(parsed.request->unitAddress, c.address);
        EXPECT_EQ(parsed.request->screenSizeChoice, c.size);
        EXPECT_EQ(parsed.request->refreshHour, c.hour);
        EXPECT_EQ(parsed.request->logFile, c.log);
        EXPECT_EQ(parsed.request->runningAccountMeant, c.runningAccountMeant);
        EXPECT_EQ(parsed.request->guard, c.guard);
    }
}

TEST(CommandLineTest, EveryHourItemOfTheDialogIsAccepted) {
    for (const wchar_t* hour : {L"0", L"1", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12", L"13", L"14",
                                L"15", L"16", L"17", L"18", L"19", L"20", L"21", L"22", L"23"}) {
        const ParsedCommandLine parsed = ParseCommandLine({L"/register", L"/address", L"1.2.3.4", L"/hour", hour});
        ASSERT_TRUE(parsed.request) << static_cast<int>(parsed.problem->kind);
        EXPECT_EQ(parsed.request->refreshHour, hour);
    }
}

TEST(CommandLineTest, RefusedLines) {
    const struct {
        Args args;
        Kind kind;
        std::wstring argument;
        std::wstring command;
    } cases[] = {
        // Not options.
        {{L"/frobnicate"}, Kind::unknownOption, L"/frobnicate", L""},
        {{L"register"}, Kind::unknownOption, L"register", L""},
        {{L"/register:1.2.3.4"}, Kind::unknownOption, L"/register:1.2.3.4", L""},
        {{L"/address=1.2.3.4", L"/register"}, Kind::unknownOption, L"/address=1.2.3.4", L""},
        {{L""}, Kind::unknownOption, L"", L""},
        {{L"/"}, Kind::unknownOption, L"/", L""},
        {{L"--register"}, Kind::unknownOption, L"--register", L""},
        {{L"／register"}, Kind::unknownOption, L"／register", L""},
        {{L"/remove", L"now"}, Kind::unknownOption, L"now", L""},
        {{L"/register", L"/address", L"1.2.3.4", L"5"}, Kind::unknownOption, L"5", L""},
        // Values left out.
        {{L"/register", L"/address"}, Kind::missingValue, L"/address", L""},
        {{L"/register", L"/address", L"/size", L"hd"}, Kind::missingValue, L"/address", L""},
        {{L"/status", L"/log"}, Kind::missingValue, L"/log", L""},
        {{L"/status", L"/log", L""}, Kind::missingValue, L"/log", L""},
        {{L"/remove", L"/log", L"/status"}, Kind::missingValue, L"/log", L""},
        {{L"/register", L"/address", L"1.2.3.4", L"/hour"}, Kind::missingValue, L"/hour", L""},
        // Twice.
        {{L"/register", L"/address", L"1.2.3.4", L"/address", L"1.2.3.4"}, Kind::repeatedOption, L"/address", L""},
        {{L"/register", L"/address", L"1.2.3.4", L"/SIZE", L"hd", L"-size", L"hd"}, Kind::repeatedOption, L"-size",
         L""},
        {{L"/status", L"/log", L"a", L"/log", L"b"}, Kind::repeatedOption, L"/log", L""},
        // Not one command.
        {{L"/register", L"/register", L"/address", L"1.2.3.4"}, Kind::notOneCommand, L"/register", L""},
        {{L"/register", L"/remove"}, Kind::notOneCommand, L"/remove", L""},
        {{L"/status", L"/?"}, Kind::notOneCommand, L"/?", L""},
        {{L"/log", L"a.log"}, Kind::notOneCommand, L"", L""},
        {{L"/address", L"1.2.3.4"}, Kind::notOneCommand, L"", L""},
        // Options the command does not take.
        {{L"/remove", L"/address", L"1.2.3.4"}, Kind::notForCommand, L"/address", L"/remove"},
        {{L"/status", L"/hour", L"4"}, Kind::notForCommand, L"/hour", L"/status"},
        {{L"-Status", L"-Size", L"hd"}, Kind::notForCommand, L"-Size", L"-Status"},
        {{L"/?", L"/log", L"x.log"}, Kind::notForCommand, L"/log", L"/?"},
        {{L"/?", L"/user", L"PC\\display"}, Kind::notForCommand, L"/user", L"/?"},
        {{L"/status", L"/user", L"PC\\a", L"/user", L"PC\\a"}, Kind::repeatedOption, L"/user", L""},
        {{L"/status", L"/user"}, Kind::missingValue, L"/user", L""},
        {{L"/remove", L"/user", L"/log", L"x.log"}, Kind::missingValue, L"/user", L""},
        {{L"/remove", L"/account", L"current", L"/account", L"current"}, Kind::repeatedOption, L"/account", L""},
        {{L"/remove", L"/account"}, Kind::missingValue, L"/account", L""},
        // /register without an address.
        {{L"/register"}, Kind::addressRequired, L"", L""},
        {{L"/register", L"/size", L"fullhd", L"/hour", L"5"}, Kind::addressRequired, L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.args));
        const ParsedCommandLine parsed = ParseCommandLine(c.args);
        EXPECT_FALSE(parsed.request);
        ASSERT_TRUE(parsed.problem);
        EXPECT_EQ(parsed.problem->kind, c.kind);
        EXPECT_EQ(parsed.problem->argument, c.argument);
        EXPECT_EQ(parsed.problem->command, c.command);
    }
}

TEST(CommandLineTest, RefusedValues) {
    const struct {
        const wchar_t* option;
        Kind kind;
        std::vector<std::wstring> values;
    } cases[] = {
        {L"/address", Kind::badAddress,
         {L"1.2.3", L"1.2.3.4.5", L"1.2.3.", L".1.2.3", L"1..3.4", L"256.1.1.1", L"1.2.3.256", L"1000.1.1.1",
          L" 1.2.3.4", L"1.2.3.4 ", L"1.2. 3.4", L"+1.2.3.4", L"1.+2.3.4", L"-1.2.3.4", L"01.2.3.4", L"1.2.3.00",
          L"1.2.3.0x1", L"1,2,3,4", L"１.２.３.４", L"1.2.3.4/24", L"localhost", L""}},
        {L"/size", Kind::badSize, {L"full", L"hd1", L"1", L"2", L"full hd", L" hd", L""}},
        {L"/hour", Kind::badHour, {L"2", L"3", L"24", L"05", L"00", L"-1", L"+4", L" 4", L"4 ", L"1.0", L"４", L""}},
        {L"/account", Kind::badAccount, {L"other", L"currentuser", L" current", L"SYSTEM", L""}},
        {L"/user", Kind::badUser,
         {L"", L"display", L"\\display", L"PC\\", L"PC\\a\\b", L"PC\\ display", L"PC \\display", L"PC\\dis:play",
          L"PC\\dis*", L"PC\\a\tb", L"PC\\user@corp", L"PC/display", L"PC\\\"x\""}},
    };
    for (const auto& c : cases) {
        for (const std::wstring& value : c.values) {
            const Args args = {L"/register", L"/address", L"1.2.3.4", c.option, value};
            // The address case gives its option on its own.
            const Args line = std::wstring(c.option) == L"/address" ? Args{L"/register", c.option, value} : args;
            SCOPED_TRACE(Narrow(line));
            const ParsedCommandLine parsed = ParseCommandLine(line);
            EXPECT_FALSE(parsed.request);
            ASSERT_TRUE(parsed.problem);
            EXPECT_EQ(parsed.problem->kind, c.kind);
            EXPECT_EQ(parsed.problem->argument, value);
        }
    }
}

TEST(CommandLineTest, TheFirstProblemFromTheLeftIsTheOneReported) {
    const ParsedCommandLine parsed =
        ParseCommandLine({L"/remove", L"/hour", L"3", L"/address", L"999.1.1.1", L"/bogus"});
    ASSERT_TRUE(parsed.problem);
    EXPECT_EQ(parsed.problem->kind, Kind::badHour);
    EXPECT_EQ(parsed.problem->argument, L"3");
}

// One synopsis line of the usage text ("  tavrin.exe /remove [/log FILE]"),
// with the lines that go on from it, as words.
std::vector<std::vector<std::wstring>> UsageSynopses() {
    std::vector<std::vector<std::wstring>> synopses;
    for (const std::wstring& line : UsageLines(L"tavrin.exe")) {
        const std::size_t first = line.find_first_not_of(L' ');
        const bool startsOne = line.compare(0, 13, L"  tavrin.exe ") == 0;
        const bool goesOn = !synopses.empty() && first != std::wstring::npos && first > 2 && line[first] == L'[';
        if (!startsOne && !goesOn) continue;
        if (startsOne) synopses.emplace_back();
        std::wistringstream words(line);
        std::wstring word;
        while (words >> word) {
            if (word != L"tavrin.exe") synopses.back().push_back(word);
        }
    }
    return synopses;
}

// Values that the parser takes for the usage text's placeholders.
std::vector<std::wstring> SampleValues(const std::wstring& placeholder) {
    if (placeholder == L"A.B.C.D") return {L"192.168.1.10"};
    if (placeholder == L"H") return {L"4"};
    if (placeholder == L"FILE") return {L"x.log"};
    if (placeholder == L"DOMAIN\\name") return {L"PC\\taro"};
    std::vector<std::wstring> choices;
    std::wistringstream alternatives(placeholder);
    std::wstring choice;
    while (std::getline(alternatives, choice, L'|')) choices.push_back(choice);
    return choices;
}

// The usage text and the parser agree: each command's line names exactly the
// options the parser takes with it, with values it accepts, and every command
// and option has a line of its own below.
TEST(CommandLineTest, TheUsageTextNamesWhatTheParserTakes) {
    const auto synopses = UsageSynopses();
    std::set<std::wstring> commandsShown;
    for (const auto& words : synopses) {
        ASSERT_FALSE(words.empty());
        const std::wstring& command = words[0];
        SCOPED_TRACE(Narrow({command}));
        commandsShown.insert(command);
        // Required options first (no brackets), then optional ones.
        Args required = {command};
        std::vector<std::pair<std::wstring, std::vector<std::wstring>>> optional;
        std::set<std::wstring> named;
        for (std::size_t i = 1; i < words.size(); ++i) {
            std::wstring option = words[i];
            const bool bracketed = option.front() == L'[';
            if (bracketed) option = option.substr(1);
            if (!option.empty() && option.back() == L']') option.pop_back();
            ASSERT_EQ(option.front(), L'/') << Narrow({words[i]});
            named.insert(option);
            std::vector<std::wstring> values;
            if (i + 1 < words.size() && words[i + 1].front() != L'/' && words[i + 1].front() != L'[') {
                std::wstring value = words[++i];
                if (value.back() == L']') value.pop_back();
                values = SampleValues(value);
            }
            if (bracketed) {
                optional.emplace_back(option, values);
            } else {
                required.push_back(option);
                if (!values.empty()) required.push_back(values[0]);
            }
        }
        const ParsedCommandLine minimal = ParseCommandLine(required);
        ASSERT_TRUE(minimal.request.has_value()) << Narrow(required);
        for (const auto& [option, values] : optional) {
            for (const std::wstring& value : values.empty() ? std::vector<std::wstring>{L""} : values) {
                Args line = required;
                line.push_back(option);
                if (!value.empty()) line.push_back(value);
                EXPECT_TRUE(ParseCommandLine(line).request.has_value()) << Narrow(line);
            }
        }
        const std::vector<std::wstring> taken = OptionsTakenBy(minimal.request->action);
        EXPECT_EQ(named, std::set<std::wstring>(taken.begin(), taken.end()));
    }
    const std::vector<std::wstring> commands = CommandNames();
    EXPECT_EQ(commandsShown, std::set<std::wstring>(commands.begin(), commands.end()));

    std::set<std::wstring> described;
    for (const std::wstring& line : UsageLines(L"tavrin.exe")) {
        if (line.compare(0, 3, L"  /") != 0) continue;
        described.insert(line.substr(2, line.find(L' ', 2) - 2));
    }
    std::set<std::wstring> everyName(commands.begin(), commands.end());
    for (const Action action : {Action::registerSetUp, Action::removeSetUp, Action::showStatus}) {
        for (const std::wstring& option : OptionsTakenBy(action)) everyName.insert(option);
    }
    everyName.erase(L"/?");  // its synopsis line says all there is
    EXPECT_EQ(described, everyName);
}

}  // namespace
}  // namespace tavrin::testing
