#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "fakes/FakePlatform.h"
#include "procedures/Procedures.h"
#include "procedures/SetUpStatus.h"
#include "texts/DiskText.h"
#include "texts/RefreshScript.h"

namespace tavrin::testing {
namespace {

using Lines = std::vector<std::wstring>;

std::string GeneratedScript(const std::wstring& link) {
    const std::vector<std::wstring> lines = RefreshScriptLines(link);
    return EncodeForDisk(std::accumulate(lines.begin(), lines.end(), std::wstring())).value();
}

TEST(SetUpStatusTest, LinkAddressOfARefreshScript) {
    const struct {
        const char* name;
        std::string script;
        std::optional<std::wstring> expected;
    } cases[] = {
        {"as the tool writes it", GeneratedScript(L"http://10.0.0.254/display.htm?size=2"),
         L"http://10.0.0.254/display.htm?size=2"},
        {"line feeds only", "Dim Addr\nAddr = \"http://1.2.3.4/display.htm?size=1\"\nWScript.Quit\n",
         L"http://1.2.3.4/display.htm?size=1"},
        {"other letter case and blanks", "\t  ADDR=\"http://x\"  \r\n", L"http://x"},
        {"the last line without a line end", "Option Explicit\r\naddr = \"http://y\"", L"http://y"},
        {"the first of two", "Addr = \"http://first\"\r\nAddr = \"http://second\"\r\n", L"http://first"},
        {"no Addr line", "Option Explicit\r\nDim Addr\r\nWScript.Quit\r\n", std::nullopt},
        {"empty file", "", std::nullopt},
        {"empty address", "Addr = \"\"\r\n", std::nullopt},
        {"no closing quote", "Addr = \"http://x\r\n", std::nullopt},
        {"more after the quote", "Addr = \"http://x\" & suffix\r\n", std::nullopt},
        {"not quoted", "Addr = http://x\r\n", std::nullopt},
        {"another name", "Address = \"http://x\"\r\n", std::nullopt},
        {"a comment", "' Addr = \"http://x\"\r\n", std::nullopt},
        {"a character outside ASCII", "Addr = \"http://\xE3\x81\x82\"\r\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScriptLinkAddress(c.script), c.expected);
    }
}

TEST(SetUpStatusTest, LinkAddressOfAKioskShortcut) {
    const struct {
        std::wstring arguments;
        std::optional<std::wstring> expected;
    } cases[] = {
        {L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk \"http://10.0.0.254/display.htm?size=2\"",
         L"http://10.0.0.254/display.htm?size=2"},
        {L"--kiosk \"http://a\"  ", L"http://a"},
        {L"\"http://only\"", L"http://only"},
        {L"--a \"first\" \"second\"", L"second"},
        {L"--kiosk http://a", std::nullopt},
        {L"--kiosk \"http://a\" --after", std::nullopt},
        {L"--kiosk \"\"", std::nullopt},
        {L"\"", std::nullopt},
        {L"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortcutLinkAddress(c.arguments), c.expected);
    }
}

// A complete set-up for a reporting-6.1 platform; each case changes one thing.
SetUpFacts Complete() {
    SetUpFacts facts;
    facts.taskName = L"task";
    facts.task = TaskState::registered;
    facts.script = {true, L"http://a"};
    facts.startupKiosk = {true, L"http://a"};
    facts.desktopKiosk = {true, L"http://a"};
    return facts;
}

SetUpFacts Nothing() {
    SetUpFacts facts;
    facts.taskName = L"task";
    facts.task = TaskState::notRegistered;
    return facts;
}

TEST(SetUpStatusTest, Verdict) {
    const struct {
        const char* name;
        SetUpFacts facts;
        std::function<void(SetUpFacts&)> change;
        SetUpState expected;
    } cases[] = {
        {"complete on 6.1", Complete(), [](SetUpFacts&) {}, SetUpState::complete},
        {"complete on 6.1 with Show-Desktop files left", Complete(),
         [](SetUpFacts& f) { f.showDesktopFile = f.showDesktopShortcut = true; }, SetUpState::complete},
        {"complete on 6.2", Complete(),
         [](SetUpFacts& f) { f.showDesktopPlatform = f.showDesktopFile = f.showDesktopShortcut = true; },
         SetUpState::complete},
        {"6.2 without DeskTop.lnk", Complete(),
         [](SetUpFacts& f) { f.showDesktopPlatform = f.showDesktopFile = true; }, SetUpState::partial},
        {"6.2 without DeskTop.scf", Complete(),
         [](SetUpFacts& f) { f.showDesktopPlatform = f.showDesktopShortcut = true; }, SetUpState::partial},
        {"nothing", Nothing(), [](SetUpFacts&) {}, SetUpState::nothing},
        {"nothing but what Remove leaves", Nothing(),
         [](SetUpFacts& f) { f.showDesktopPlatform = f.showDesktopFile = f.showDesktopShortcut = true; },
         SetUpState::nothing},
        {"only the task", Nothing(), [](SetUpFacts& f) { f.task = TaskState::registered; }, SetUpState::partial},
        {"only the script", Nothing(), [](SetUpFacts& f) { f.script = {true, L"http://a"}; }, SetUpState::partial},
        {"only a shortcut", Nothing(), [](SetUpFacts& f) { f.desktopKiosk = {true, L"http://a"}; },
         SetUpState::partial},
        {"files without the task", Complete(), [](SetUpFacts& f) { f.task = TaskState::notRegistered; },
         SetUpState::partial},
        {"script deleted", Complete(), [](SetUpFacts& f) { f.script = {}; }, SetUpState::partial},
        {"Startup shortcut missing", Complete(), [](SetUpFacts& f) { f.startupKiosk = {}; }, SetUpState::partial},
        {"Desktop shortcut missing", Complete(), [](SetUpFacts& f) { f.desktopKiosk = {}; }, SetUpState::partial},
        {"script holds another address", Complete(), [](SetUpFacts& f) { f.script.linkAddress = L"http://b"; },
         SetUpState::partial},
        {"a shortcut holds another address", Complete(),
         [](SetUpFacts& f) { f.desktopKiosk.linkAddress = L"http://b"; }, SetUpState::partial},
        {"script without a readable address", Complete(),
         [](SetUpFacts& f) { f.script.linkAddress.reset(); }, SetUpState::partial},
        {"no address readable anywhere", Complete(),
         [](SetUpFacts& f) {
             f.script.linkAddress.reset();
             f.startupKiosk.linkAddress.reset();
             f.desktopKiosk.linkAddress.reset();
         },
         SetUpState::partial},
        {"task unknown, no files", Nothing(), [](SetUpFacts& f) { f.task = TaskState::unchecked; },
         SetUpState::unchecked},
        {"task unknown, files complete", Complete(), [](SetUpFacts& f) { f.task = TaskState::unchecked; },
         SetUpState::unchecked},
        {"task unknown, files partial", Complete(),
         [](SetUpFacts& f) {
             f.task = TaskState::unchecked;
             f.script = {};
         },
         SetUpState::partial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpFacts facts = c.facts;
        c.change(facts);
        EXPECT_EQ(JudgeSetUp(facts), c.expected);
    }
}

// The facts read back through the services, after the real procedures ran
// against the fake platform.
struct StatusSetup : FakeSetup {
    FakeSetUpReader reader{world};
    std::wstring documents() const { return folders.documents; }

    SetUpFacts Read() { return ReadSetUp(folders, platform, reader); }
    void Register(std::uint32_t address, int size) {
        dialog.controls.unitAddress = address;
        dialog.controls.screenSizeChoice = size;
        UpdatePageSuffix(dialog.controls);
        RunRegisterProcedure(dialog, dialog.settings, folders, browser, platform);
    }
};

const std::wstring kDocuments = L"C:\\Users\\taro\\Documents";
const std::wstring kStartup = L"C:\\Users\\taro\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
const std::wstring kDesktop = L"C:\\Users\\taro\\Desktop";

TEST(SetUpStatusTest, ReadsWhatRegisterLeftAndSaysItLineByLine) {
    StatusSetup s;
    s.world.version = {6, 2};
    s.Register(0x0A0000FE, 1);
    s.world.commandLines.clear();
    const SetUpFacts facts = s.Read();
    EXPECT_EQ(s.world.commandLines, Lines{L"schtasks /query /tn \"Quorvix画面リフレッシュ（taro）\""});
    const SetUpState state = JudgeSetUp(facts);
    EXPECT_EQ(state, SetUpState::complete);
    EXPECT_EQ(StatusLines(facts, s.folders, state),
              (Lines{
                  L"タスク「Quorvix画面リフレッシュ（taro）」: 登録されています",
                  L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: あり（リンク先 http://10.0.0.254/display.htm?size=2）",
                  L"スタートアップのショートカット「" + kStartup +
                      L"\\LAN対応ユニット.lnk」: あり（リンク先 http://10.0.0.254/display.htm?size=2）",
                  L"デスクトップのショートカット「" + kDesktop +
                      L"\\LAN対応ユニット.lnk」: あり（リンク先 http://10.0.0.254/display.htm?size=2）",
                  L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: あり",
                  L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: あり",
                  L"状態: すべて登録されています",
              }));
}

TEST(SetUpStatusTest, LinesForWhatIsMissingUnreadableOrUnknown) {
    StatusSetup s;
    s.Register(0xC0A80101, 0);
    s.world.disk.erase(s.scriptPath());
    s.reader.unreadable.insert(s.desktopKioskPath());
    s.world.commandStatus = kCommandDidNotRun;
    const SetUpFacts facts = s.Read();
    EXPECT_EQ(facts.task, TaskState::unchecked);
    EXPECT_FALSE(facts.showDesktopPlatform);
    const SetUpState state = JudgeSetUp(facts);
    EXPECT_EQ(StatusLines(facts, s.folders, state),
              (Lines{
                  L"タスク「Quorvix画面リフレッシュ（taro）」: "
                  L"確認できません（SCHTASKS を実行できないか、60 秒たっても応答がありません）",
                  L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: なし",
                  L"スタートアップのショートカット「" + kStartup +
                      L"\\LAN対応ユニット.lnk」: あり（リンク先 http://192.168.1.1/display.htm?size=1）",
                  L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: あり（リンク先を読み取れません）",
                  L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: なし",
                  L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: なし",
                  L"状態: 一部だけ登録されているか、リンク先が一致しません（もう一度登録してください。すべて置き換わります）",
              }));
}

TEST(SetUpStatusTest, TaskStateFromTheQuerysExitCode) {
    const struct {
        int status;
        TaskState expected;
    } cases[] = {{0, TaskState::registered}, {1, TaskState::notRegistered}, {-2, TaskState::notRegistered},
                 {kCommandDidNotRun, TaskState::unchecked}};
    for (const auto& c : cases) {
        StatusSetup s;
        s.world.commandStatus = c.status;
        EXPECT_EQ(s.Read().task, c.expected) << c.status;
    }
}

TEST(SetUpStatusTest, NothingOnAFreshPcAndNothingChangedByLooking) {
    StatusSetup s;
    s.world.commandStatus = 1;
    const SetUpFacts facts = s.Read();
    const SetUpState state = JudgeSetUp(facts);
    EXPECT_EQ(state, SetUpState::nothing);
    EXPECT_EQ(StatusLines(facts, s.folders, state).back(), L"状態: 登録されていません");
    EXPECT_EQ(s.world.log, Lines{L"query task"});
    EXPECT_TRUE(s.world.disk.empty());
}

}  // namespace
}  // namespace tavrin::testing
