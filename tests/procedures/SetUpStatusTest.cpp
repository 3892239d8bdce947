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
    facts.task = {TaskState::registered, Difference::none, 5};
    facts.script = {true, L"http://a"};
    facts.startupKiosk = {true, L"http://a"};
    facts.desktopKiosk = {true, L"http://a"};
    return facts;
}

SetUpFacts Nothing() {
    SetUpFacts facts;
    facts.taskName = L"task";
    return facts;
}

const ItemFacts kThere{true, std::nullopt, Difference::none};

TEST(SetUpStatusTest, Verdict) {
    const struct {
        const char* name;
        SetUpFacts facts;
        std::function<void(SetUpFacts&)> change;
        SetUpState expected;
    } cases[] = {
        {"complete on 6.1", Complete(), [](SetUpFacts&) {}, SetUpState::complete},
        {"complete on 6.1 with Show-Desktop files left", Complete(),
         [](SetUpFacts& f) { f.showDesktopFile = f.showDesktopShortcut = kThere; }, SetUpState::complete},
        {"complete on 6.2", Complete(),
         [](SetUpFacts& f) {
             f.showDesktopPlatform = true;
             f.showDesktopFile = f.showDesktopShortcut = kThere;
         },
         SetUpState::complete},
        {"6.2 without DeskTop.lnk", Complete(),
         [](SetUpFacts& f) {
             f.showDesktopPlatform = true;
             f.showDesktopFile = kThere;
         },
         SetUpState::partial},
        {"6.2, DeskTop.scf differs", Complete(),
         [](SetUpFacts& f) {
             f.showDesktopPlatform = true;
             f.showDesktopFile = f.showDesktopShortcut = kThere;
             f.showDesktopFile.difference = Difference::content;
         },
         SetUpState::partial},
        {"nothing", Nothing(), [](SetUpFacts&) {}, SetUpState::nothing},
        {"nothing but what Remove leaves", Nothing(),
         [](SetUpFacts& f) {
             f.showDesktopPlatform = true;
             f.showDesktopFile = f.showDesktopShortcut = kThere;
         },
         SetUpState::nothing},
        {"only the task", Nothing(), [](SetUpFacts& f) { f.task.state = TaskState::registered; },
         SetUpState::partial},
        {"only a shortcut", Nothing(), [](SetUpFacts& f) { f.desktopKiosk = {true, L"http://a"}; },
         SetUpState::partial},
        {"files without the task", Complete(), [](SetUpFacts& f) { f.task = {}; }, SetUpState::partial},
        {"script deleted", Complete(), [](SetUpFacts& f) { f.script = {}; }, SetUpState::partial},
        {"script differs", Complete(), [](SetUpFacts& f) { f.script.difference = Difference::content; },
         SetUpState::partial},
        {"a shortcut differs", Complete(),
         [](SetUpFacts& f) { f.desktopKiosk.difference = Difference::otherAddress; }, SetUpState::partial},
        {"task runs something else", Complete(), [](SetUpFacts& f) { f.task.difference = Difference::action; },
         SetUpState::partial},
        {"task unknown, no files", Nothing(), [](SetUpFacts& f) { f.task.state = TaskState::unchecked; },
         SetUpState::unchecked},
        {"task unknown, files complete", Complete(), [](SetUpFacts& f) { f.task.state = TaskState::unchecked; },
         SetUpState::unchecked},
        {"task unknown, files partial", Complete(),
         [](SetUpFacts& f) {
             f.task.state = TaskState::unchecked;
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

TEST(SetUpStatusTest, LinkAddressesThatRegisterMakes) {
    using Parsed = std::optional<std::pair<std::uint32_t, int>>;
    EXPECT_EQ(ParseLinkAddress(L"http://10.0.0.254/display.htm?size=2"), (Parsed{{0x0A0000FEu, 1}}));
    EXPECT_EQ(ParseLinkAddress(L"http://0.0.0.0/display.htm?size=1"), (Parsed{{0u, 0}}));
    for (const wchar_t* other : {L"http://10.0.0.254/display.htm?size=3", L"https://10.0.0.254/display.htm?size=1",
                                 L"http://10.0.0.01/display.htm?size=1", L"http://evil.example/display.htm?size=1",
                                 L"http://10.0.0.254/display.htm?size=1&x", L"http://10.0.0.254", L""}) {
        EXPECT_EQ(ParseLinkAddress(other), std::nullopt);
    }
}

// The facts read back through the services, after the real procedures ran
// against the fake platform.
struct StatusSetup : FakeSetup {
    FakeSetUpReader reader{world};

    SetUpFacts Read() { return ReadSetUp(target(), browser, platform, reader); }
    void Register(std::uint32_t address, int size, const wchar_t* hour = L"5") {
        dialog.controls.unitAddress = address;
        dialog.controls.screenSizeChoice = size;
        dialog.controls.refreshHour = hour;
        UpdatePageSuffix(dialog.controls);
        RunRegisterProcedure(dialog, dialog.settings, target(), browser, platform);
    }
    std::vector<std::wstring> Status() {
        const SetUpFacts facts = Read();
        return StatusLines(facts, folders, JudgeSetUp(facts));
    }
};

const std::wstring kDocuments = L"C:\\Users\\taro\\Documents";
const std::wstring kStartup = L"C:\\Users\\taro\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
const std::wstring kDesktop = L"C:\\Users\\taro\\Desktop";
const std::wstring kTaskLine = L"タスク「Quorvix画面リフレッシュ（taro）」: ";
const std::wstring kLink = L"http://10.0.0.254/display.htm?size=2";

TEST(SetUpStatusTest, ReadsWhatRegisterLeftAndSaysItLineByLine) {
    StatusSetup s;
    s.world.version = {6, 2};
    s.Register(0x0A0000FE, 1);
    s.world.commandLines.clear();
    EXPECT_EQ(s.Status(), (Lines{
                              kTaskLine + L"登録されています（毎日 5 時）",
                              L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: あり（リンク先 " + kLink + L"）",
                              L"スタートアップのショートカット「" + kStartup + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink +
                                  L"）",
                              L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: あり（リンク先 " + kLink +
                                  L"）",
                              L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: あり",
                              L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: あり",
                              L"状態: すべて登録されています",
                              L"設定: アドレス 10.0.0.254、画面サイズ フルハイビジョン、リフレッシュ 毎日 5 時",
                              L"registered=complete address=10.0.0.254 size=fullhd hour=5 user=KIOSK-PC\\taro",
                          }));
    // Looking runs nothing.
    EXPECT_TRUE(s.world.commandLines.empty());
}

// Each piece must be exactly what 登録 writes now: one change at a time
// after a good registration, and the line that names it.
TEST(SetUpStatusTest, EverySingleDifferenceIsNamedAndMakesItPartial) {
    const std::wstring script = L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: ";
    const std::wstring startupKiosk = L"スタートアップのショートカット「" + kStartup + L"\\LAN対応ユニット.lnk」: ";
    const std::wstring desktopKiosk = L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: ";
    const std::wstring action = L"\"" + kDocuments + L"\\LAU_Refresh.vbs\"";
    const struct {
        const char* name;
        std::function<void(StatusSetup&)> change;
        std::size_t line;  // index of the line that names the difference
        std::wstring expected;
    } cases[] = {
        {"script: Run opens another address",
         [](StatusSetup& s) {
             std::string& bytes = s.world.disk[s.scriptPath()];
             bytes.replace(bytes.rfind("10.0.0.254"), 10, "10.6.6.6..");
         },
         1, script + L"あり（リンク先 " + kLink + L"、内容が違います）"},
        {"script: cut off after the Addr line",
         [](StatusSetup& s) {
             std::string& bytes = s.world.disk[s.scriptPath()];
             bytes.resize(bytes.find("\r\n", bytes.find("Addr = ")) + 2);
         },
         1, script + L"あり（リンク先 " + kLink + L"、内容が違います）"},
        {"script: junk appended", [](StatusSetup& s) { s.world.disk[s.scriptPath()] += std::string(800, 'x'); }, 1,
         script + L"あり（リンク先 " + kLink + L"、内容が違います）"},
        {"script: an address 登録 never writes",
         [](StatusSetup& s) { s.world.disk[s.scriptPath()] = GeneratedScript(L"http://evil.example/"); }, 1,
         script + L"あり（リンク先を読み取れません）"},
        {"shortcut: another program",
         [](StatusSetup& s) { s.world.shortcuts[s.startupKioskPath()].targetPath = L"C:\\Windows\\notepad.exe"; },
         2, startupKiosk + L"あり（リンク先 " + kLink + L"、起動するものが違います）"},
        {"shortcut: other arguments",
         [](StatusSetup& s) {
             s.world.shortcuts[s.desktopKioskPath()].arguments = L"--inprivate \"" + kLink + L"\"";
         },
         3, desktopKiosk + L"あり（リンク先 " + kLink + L"、引数が違います）"},
        {"shortcut: another address",
         [](StatusSetup& s) {
             s.world.shortcuts[s.desktopKioskPath()].arguments =
                 L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk \"http://10.9.9.9/display.htm?size=1\"";
         },
         3, desktopKiosk + L"あり（リンク先 http://10.9.9.9/display.htm?size=1、スクリプトと違います）"},
        {"DeskTop.scf: other bytes", [](StatusSetup& s) { s.world.disk[s.scfPath()] += "\r\n"; }, 4,
         L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: あり（内容が違います）"},
        {"DeskTop.lnk: points elsewhere",
         [](StatusSetup& s) { s.world.shortcuts[s.scfLinkPath()].targetPath = L"C:\\Windows\\explorer.exe"; }, 5,
         L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: あり（起動するものが違います）"},
        {"task: another action",
         [action](StatusSetup& s) { s.world.tasks[s.taskName()] = DailyTask(L"C:\\evil.exe", action); }, 0,
         kTaskLine + L"登録されています（実行する内容が違います）"},
        {"task: a second action",
         [](StatusSetup& s) {
             s.world.tasks[s.taskName()].actions.push_back(TaskAction{true, L"calc.exe", L""});
         },
         0, kTaskLine + L"登録されています（実行する内容が違います）"},
        {"task: starts at 3 (not an hour of the dialog)",
         [action](StatusSetup& s) {
             s.world.tasks[s.taskName()] =
                 DailyTask(L"%windir%\\SysWOW64\\wscript.exe", action, L"2026-12-10T03:00:00");
         },
         0, kTaskLine + L"登録されています（開始時刻か繰り返しが違います）"},
        {"task: starts at 5:30",
         [action](StatusSetup& s) {
             s.world.tasks[s.taskName()] =
                 DailyTask(L"%windir%\\SysWOW64\\wscript.exe", action, L"2026-12-10T05:30:00");
         },
         0, kTaskLine + L"登録されています（開始時刻か繰り返しが違います）"},
        {"task: every second day",
         [action](StatusSetup& s) {
             s.world.tasks[s.taskName()] =
                 DailyTask(L"%windir%\\SysWOW64\\wscript.exe", action, L"2026-12-10T05:00:00", 2);
         },
         0, kTaskLine + L"登録されています（開始時刻か繰り返しが違います）"},
        // Right action and hour, but a task that will not run (the clock reads 2026-12-11 09:30).
        {"task: disabled", [](StatusSetup& s) { s.world.tasks[s.taskName()].enabled = false; }, 0,
         kTaskLine + L"登録されています（開始時刻か繰り返しが違います）"},
        {"task: its trigger disabled",
         [](StatusSetup& s) { s.world.tasks[s.taskName()].triggers[0].enabled = false; }, 0,
         kTaskLine + L"登録されています（開始時刻か繰り返しが違います）"},
        {"task: its trigger ended",
         [](StatusSetup& s) { s.world.tasks[s.taskName()].triggers[0].endBoundary = L"2026-12-11T09:00:00"; }, 0,
         kTaskLine + L"登録されています（開始時刻か繰り返しが違います）"},
        {"task: its trigger starts years ahead",
         [](StatusSetup& s) { s.world.tasks[s.taskName()].triggers[0].startBoundary = L"2031-01-01T05:00:00"; }, 0,
         kTaskLine + L"登録されています（開始時刻か繰り返しが違います）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StatusSetup s;
        s.world.version = {6, 3};
        s.Register(0x0A0000FE, 1);
        c.change(s);
        const Lines lines = s.Status();
        ASSERT_EQ(lines.size(), 9u);
        EXPECT_EQ(lines[c.line], c.expected);
        EXPECT_EQ(lines[6], L"状態: 一部だけ登録されているか、内容が一致しません（もう一度登録してください。すべて置き換わります）");
        EXPECT_EQ(lines[8].rfind(L"registered=partial ", 0), 0u) << lines[8].size();
        for (std::size_t i = 0; i < 6; ++i) {
            if (i != c.line) {
                EXPECT_EQ(lines[i].find(L"違います"), std::wstring::npos) << i;
            }
        }
    }
}

TEST(SetUpStatusTest, LinesForWhatIsMissingUnreadableOrUnknown) {
    StatusSetup s;
    s.Register(0xC0A80101, 0);
    s.world.disk.erase(s.scriptPath());
    s.reader.unreadable.insert(s.desktopKioskPath());
    s.world.schedulerAnswers = false;
    const SetUpFacts facts = s.Read();
    EXPECT_EQ(facts.task.state, TaskState::unchecked);
    EXPECT_FALSE(facts.showDesktopPlatform);
    EXPECT_EQ(StatusLines(facts, s.folders, JudgeSetUp(facts)),
              (Lines{
                  kTaskLine + L"確認できません（タスク スケジューラからタスクを読み取れません）",
                  L"スクリプト「" + kDocuments + L"\\LAU_Refresh.vbs」: なし",
                  L"スタートアップのショートカット「" + kStartup +
                      L"\\LAN対応ユニット.lnk」: あり（リンク先 http://192.168.1.1/display.htm?size=1）",
                  L"デスクトップのショートカット「" + kDesktop + L"\\LAN対応ユニット.lnk」: あり（リンク先を読み取れません）",
                  L"デスクトップ表示ファイル「" + kDocuments + L"\\DeskTop.scf」: なし",
                  L"デスクトップ表示のショートカット「" + kStartup + L"\\DeskTop.lnk」: なし",
                  L"状態: 一部だけ登録されているか、内容が一致しません（もう一度登録してください。すべて置き換わります）",
                  L"設定: アドレス 192.168.1.1、画面サイズ ハイビジョン、リフレッシュ 不明",
                  L"registered=partial address=192.168.1.1 size=hd hour=- user=KIOSK-PC\\taro",
              }));
}

// "Not registered" only when the scheduler says so; any other failure, or a
// definition that cannot be read, is "cannot tell".
TEST(SetUpStatusTest, TaskStateFromTheSchedulersAnswer) {
    const struct {
        const char* name;
        std::function<void(StatusSetup&)> arrange;
        TaskState state;
        std::wstring line;
    } cases[] = {
        {"there", [](StatusSetup& s) { s.PutTask(); }, TaskState::registered,
         kTaskLine + L"登録されています（毎日 5 時）"},
        {"missing", [](StatusSetup&) {}, TaskState::notRegistered, kTaskLine + L"登録されていません"},
        {"no answer",
         [](StatusSetup& s) {
             s.PutTask();
             s.world.schedulerAnswers = false;
         },
         TaskState::unchecked, kTaskLine + L"確認できません（タスク スケジューラからタスクを読み取れません）"},
        {"definition unreadable",
         [](StatusSetup& s) {
             s.PutTask();
             s.world.definitionsReadable = false;
         },
         TaskState::unchecked, kTaskLine + L"確認できません（タスクの内容を読み取れません）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StatusSetup s;
        c.arrange(s);
        const SetUpFacts facts = s.Read();
        EXPECT_EQ(facts.task.state, c.state);
        EXPECT_EQ(StatusLines(facts, s.folders, JudgeSetUp(facts)).front(), c.line);
    }
}

TEST(SetUpStatusTest, RequestsOnlyALinkAddressRegisterMakes) {
    const std::wstring forged = L"http://10.9.9.9/forged";
    const std::wstring withLines = kLink + L"\r\n終了コード: 0";
    const std::wstring hostName = L"http://unit.example/display.htm?size=1";
    const struct {
        const char* name;
        std::optional<std::wstring> script, startup, desktop;
        std::optional<std::wstring> requested;  // nullopt: nothing is asked
    } cases[] = {
        {"the script's", kLink, hostName, forged, kLink},
        {"a script naming another page: the Startup shortcut's", forged, kLink, std::nullopt, kLink},
        {"lines in the Startup link: the Desktop shortcut's", std::nullopt, withLines, kLink, kLink},
        {"a host name, another scheme, a third size: nothing", hostName,
         L"https://10.0.0.254/display.htm?size=1", L"http://10.0.0.254/display.htm?size=3", std::nullopt},
        {"nothing holds one", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpFacts facts;
        for (auto [item, link] : {std::pair{&facts.script, c.script}, std::pair{&facts.startupKiosk, c.startup},
                                  std::pair{&facts.desktopKiosk, c.desktop}}) {
            item->exists = link.has_value();
            item->linkAddress = link;
        }
        FakeWorld world;
        FakePages pages{world};
        const std::wstring line = RegisteredPageLine(facts, pages);
        EXPECT_EQ(RegisteredLinkAddress(facts), c.requested);
        EXPECT_EQ(world.log, c.requested ? Lines{L"request " + *c.requested} : Lines{});
        EXPECT_EQ(line.find_first_of(L"\r\n"), std::wstring::npos) << line.size();
    }
}

TEST(SetUpStatusTest, NoTextFromAFileOrTheSystemIsWrittenRaw) {
    SetUpFacts facts;
    facts.taskName = L"Quorvix画面リフレッシュ（taro\r\n終了コード: 0）";
    facts.script.exists = true;
    facts.script.linkAddress = kLink + L"\n終了コード: 0";
    const KnownFolderPaths folders{L"C:\\Desk\ttop", L"C:\\Docs\r\nregistered=complete", L"C:\\Start\x1B[2J"};
    const Lines lines = StatusLines(facts, folders, SetUpState::partial);
    for (const std::wstring& line : lines) {
        EXPECT_EQ(line.find_first_of(L"\t\r\n\x1B"), std::wstring::npos) << line.size();
    }
    EXPECT_EQ(lines[0], L"タスク「Quorvix画面リフレッシュ（taro\\r\\n終了コード: 0）」: 登録されていません");
    EXPECT_EQ(lines[1], L"スクリプト「C:\\Docs\\r\\nregistered=complete\\LAU_Refresh.vbs」: あり（リンク先 " + kLink +
                            L"\\n終了コード: 0）");
    EXPECT_EQ(lines[2], L"スタートアップのショートカット「C:\\Start\\x1B[2J\\LAN対応ユニット.lnk」: なし");
    EXPECT_EQ(lines[3], L"デスクトップのショートカット「C:\\Desk\\ttop\\LAN対応ユニット.lnk」: なし");
}

TEST(SetUpStatusTest, NothingOnAFreshPcAndNothingChangedByLooking) {
    StatusSetup s;
    const SetUpFacts facts = s.Read();
    const SetUpState state = JudgeSetUp(facts);
    EXPECT_EQ(state, SetUpState::nothing);
    const Lines lines = StatusLines(facts, s.folders, state);
    EXPECT_EQ(Lines(lines.end() - 2, lines.end()),
              (Lines{L"状態: 登録されていません", L"registered=none address=- size=- hour=- user=KIOSK-PC\\taro"}));
    EXPECT_EQ(s.world.log, Lines{L"read task"});
    EXPECT_TRUE(s.world.disk.empty());
}

}  // namespace
}  // namespace tavrin::testing
