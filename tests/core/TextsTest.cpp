#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <numeric>

#include "settings/Settings.h"
#include "texts/DiskText.h"
#include "texts/RefreshScript.h"
#include "texts/SchedulerCommands.h"
#include "texts/ShowDesktopFile.h"

namespace tavrin {
namespace {

std::wstring Join(const std::vector<std::wstring>& lines) {
    return std::accumulate(lines.begin(), lines.end(), std::wstring());
}

std::string OnDisk(const std::vector<std::wstring>& lines) {
    auto bytes = EncodeForDisk(Join(lines));
    EXPECT_TRUE(bytes.has_value());
    return bytes.value_or("");
}

std::wstring LinkFor(std::uint32_t address, int choice) {
    Settings settings;
    settings.unitAddress = address;
    settings.screenSizeChoice = choice;
    UpdatePageSuffix(settings);
    return LinkAddress(settings);
}

// The files as they must be on disk, written out by hand from the format
// (tests/core/golden): every byte of every line is compared.
std::string Golden(const char* name) {
    std::ifstream file(std::string(TAVRIN_GOLDEN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file.good()) << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(GoldenFilesTest, GeneratedFilesMatchEveryByte) {
    const struct {
        const char* golden;
        std::vector<std::wstring> lines;
    } cases[] = {
        {"LAU_Refresh-defaults.vbs", RefreshScriptLines(LinkFor(0xC0A80101, 0))},
        {"LAU_Refresh-10.0.0.254-fullhd.vbs", RefreshScriptLines(LinkFor(0x0A0000FE, 1))},
        {"DeskTop.scf", ShowDesktopFileLines()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        const std::string expected = Golden(c.golden);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(OnDisk(c.lines), expected);
    }
}

TEST(RefreshScriptTest, DefaultScriptBytes) {
    const std::string bytes = OnDisk(RefreshScriptLines(LinkFor(0xC0A80101, 0)));
    EXPECT_EQ(bytes.size(), 794u);
    EXPECT_EQ(bytes.rfind("Option Explicit\r\nOn Error Resume Next\r\n\r\nDim objProcList\r\n", 0), 0u);
    EXPECT_EQ(bytes.substr(bytes.size() - 14), "WScript.Quit\r\n");
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1);  // no bare line feed
    EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nitems = 0\r\nAddr = \"http://192.168.1.1/display.htm?size=1\"\r\n"),
              std::string::npos);
}

TEST(RefreshScriptTest, SizeGrowsByTwiceTheLinkLength) {
    for (const auto& link : {LinkFor(0, 0), LinkFor(0xC0A80101, 1), LinkFor(0xFFFFFFFF, 1)}) {
        EXPECT_EQ(OnDisk(RefreshScriptLines(link)).size(), 720 + 2 * link.size()) << link;
    }
    EXPECT_EQ(LinkFor(0, 0).size(), 33u);
    EXPECT_EQ(LinkFor(0xFFFFFFFF, 1).size(), 41u);
}

TEST(RefreshScriptTest, LinesCarryTheAddressTabsAndBlankLines) {
    const std::wstring link = L"http://10.0.0.254/display.htm?size=2";
    EXPECT_EQ(LinkFor(0x0A0000FE, 1), link);
    const auto lines = RefreshScriptLines(link);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[10], L"Addr = \"http://10.0.0.254/display.htm?size=2\"\n");
    EXPECT_EQ(lines[25],
              L"\tobjWS.Run(\"msedge --ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk "
              L"\"\"http://10.0.0.254/display.htm?size=2\"\"\")\n");
    for (int blank : {3, 9, 23, 28}) EXPECT_EQ(lines[blank - 1], L"\n") << blank;
    const struct {
        int line;
        std::size_t tabs;
    } indents[] = {{1, 0}, {13, 0}, {14, 1}, {15, 2}, {16, 3}, {18, 4}, {19, 3}, {21, 1}, {25, 1}, {26, 1}, {32, 0}};
    for (const auto& indent : indents) {
        const std::wstring& text = lines[indent.line - 1];
        EXPECT_EQ(text.find_first_not_of(L'\t'), indent.tabs) << indent.line;
    }
    for (const auto& line : lines) EXPECT_EQ(line.find(L'\n'), line.size() - 1);
}

TEST(ShowDesktopFileTest, ExactBytes) {
    EXPECT_EQ(OnDisk(ShowDesktopFileLines()),
              "[Shell]\r\nCommand=2\r\nIconFile=explorer.exe,3\r\n[Taskbar]\r\nCommand=ToggleDesktop\r\n");
    EXPECT_EQ(OnDisk(ShowDesktopFileLines()).size(), 79u);
}

TEST(SchedulerCommandsTest, CreateCommandForms) {
    const std::wstring name = RefreshTaskName(L"R&D x");
    const std::wstring path = L"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs";
    const struct {
        int hour;
        bool amd64;
        std::wstring expected;
    } cases[] = {
        {5, true,
         L"SCHTASKS /Create /TN \"" + name +
             L"\" /TR \"%windir%\\SysWOW64\\wscript.exe \\\"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs\\\"\" "
             L"/SC DAILY /ST 05:00:00 /IT /F"},
        {5, false,
         L"SCHTASKS /Create /TN \"" + name +
             L"\" /TR \"wscript.exe \\\"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs\\\"\" /SC DAILY /ST 05:00:00 /IT /F"},
        {0, false,
         L"SCHTASKS /Create /TN \"" + name +
             L"\" /TR \"wscript.exe \\\"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs\\\"\" /SC DAILY /ST 00:00:00 /IT /F"},
        {23, true,
         L"SCHTASKS /Create /TN \"" + name +
             L"\" /TR \"%windir%\\SysWOW64\\wscript.exe \\\"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs\\\"\" "
             L"/SC DAILY /ST 23:00:00 /IT /F"},
        {-1, false,
         L"SCHTASKS /Create /TN \"" + name +
             L"\" /TR \"wscript.exe \\\"C:\\Users\\R&D x\\Documents\\LAU_Refresh.vbs\\\"\" /SC DAILY /ST -1:00:00 /IT /F"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildCreateTaskCommand(name, path, c.hour, c.amd64), c.expected) << c.hour << c.amd64;
    }
}

TEST(SchedulerCommandsTest, DeleteCommandAndKioskArguments) {
    EXPECT_EQ(BuildDeleteTaskCommand(RefreshTaskName(L"taro")),
              L"schtasks /delete /f /tn \"Quorvix画面リフレッシュ\uFF08taro\uFF09\"");
    EXPECT_EQ(BuildTaskAction(L"C:\\Users\\taro\\Documents\\LAU_Refresh.vbs", true),
              L"%windir%\\SysWOW64\\wscript.exe \"C:\\Users\\taro\\Documents\\LAU_Refresh.vbs\"");
    EXPECT_EQ(BuildTaskAction(L"C:\\Users\\taro\\Documents\\LAU_Refresh.vbs", false),
              L"wscript.exe \"C:\\Users\\taro\\Documents\\LAU_Refresh.vbs\"");
    EXPECT_EQ(BuildKioskArguments(L"http://192.168.1.1/display.htm?size=1"),
              L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk "
              L"\"http://192.168.1.1/display.htm?size=1\"");
}

TEST(DiskTextTest, Encoding) {
    const struct {
        std::wstring text;
        std::optional<std::string> expected;
    } cases[] = {
        {L"a\tb\n", std::string("a\x09" "b\r\n")},
        {L"no line end", std::string("no line end")},
        {L"\n\n", std::string("\r\n\r\n")},
        {L"", std::string()},
        {L"\u00e9", std::nullopt},
        {L"ok\u30c6", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodeForDisk(c.text), c.expected);
}

}  // namespace
}  // namespace tavrin
