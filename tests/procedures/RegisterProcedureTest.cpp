#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>

#include "fakes/FakePlatform.h"
#include "procedures/Procedures.h"
#include "texts/RefreshScript.h"

namespace tavrin::testing {
namespace {

using Log = std::vector<std::wstring>;

// The texts as the user must read them, written out here on purpose.
const std::wstring kCreated = L"message ショートカットを作成しました";
const std::wstring kStartupFailed = L"message スタートアップへのショートカット作成に失敗しました";
const std::wstring kDesktopFailed = L"message デスクトップへのショートカット作成に失敗しました";
const std::wstring kScriptFailed = L"message スクリプトファイルの作成に失敗しました";
const std::wstring kTaskFailed = L"message タスクスケジューラの登録に失敗しました";

void RunRegister(FakeSetup& s) {
    RunRegisterProcedure(s.dialog, s.dialog.settings, s.target(), s.browser, s.platform);
}

struct RegisterScenario {
    const char* name;
    std::function<void(FakeSetup&)> arrange;
    Log expected;
};

void PrintTo(const RegisterScenario& scenario, std::ostream* os) { *os << scenario.name; }

class RegisterScenarioTest : public ::testing::TestWithParam<RegisterScenario> {};

TEST_P(RegisterScenarioTest, StepsMessagesAndClose) {
    FakeSetup s;
    GetParam().arrange(s);
    RunRegister(s);
    EXPECT_EQ(s.world.log, GetParam().expected);
}

const std::wstring kRequestDefault = L"request http://192.168.1.1/display.htm?size=1";
const Log kUpToTask = {L"read controls", kRequestDefault, L"wrote script", L"create task"};

Log Then(Log head, const Log& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Register, RegisterScenarioTest,
    ::testing::Values(
        RegisterScenario{"Version61", [](FakeSetup&) {},
                         Then(kUpToTask, {L"saved startup kiosk", L"saved desktop kiosk", kCreated, L"closed"})},
        // A blank address field reads as 0; nothing may be set up from it.
        RegisterScenario{"AddressIncomplete",
                         [](FakeSetup& s) {
                             s.dialog.controls.unitAddress = 0x0A000000;
                             s.dialog.controls.unitAddressComplete = false;
                         },
                         {L"read controls", L"message IPアドレスを正しく入力してください。", L"focus address"}},
        RegisterScenario{"AddressWithZeroFieldsTyped",
                         [](FakeSetup& s) { s.dialog.controls.unitAddress = 0; },
                         Then({L"read controls", L"request http://0.0.0.0/display.htm?size=1", L"wrote script",
                               L"create task"}, {L"saved startup kiosk", L"saved desktop kiosk", kCreated, L"closed"})},
        RegisterScenario{"ScriptOpenFails",
                         [](FakeSetup& s) { s.world.unopenable.insert(s.scriptPath()); },
                         {L"read controls", kRequestDefault, L"open failed script",
                          kScriptFailed}},
        RegisterScenario{"TaskExitsNonZero", [](FakeSetup& s) { s.world.commandStatus = 1; },
                         Then(kUpToTask, {kTaskFailed})},
        RegisterScenario{"TaskRunnerCannotStart", [](FakeSetup& s) { s.world.commandStatus = -1; },
                         Then(kUpToTask, {kTaskFailed})},
        RegisterScenario{"Version62", [](FakeSetup& s) { s.world.version = {6, 2}; },
                         Then(kUpToTask, {L"wrote scf", L"saved scf shortcut", L"saved startup kiosk",
                                          L"saved desktop kiosk", kCreated, L"closed"})},
        RegisterScenario{"Version63", [](FakeSetup& s) { s.world.version = {6, 3}; },
                         Then(kUpToTask, {L"wrote scf", L"saved scf shortcut", L"saved startup kiosk",
                                          L"saved desktop kiosk", kCreated, L"closed"})},
        RegisterScenario{"Version100", [](FakeSetup& s) { s.world.version = {10, 0}; },
                         Then(kUpToTask, {L"saved startup kiosk", L"saved desktop kiosk", kCreated, L"closed"})},
        RegisterScenario{"Version64", [](FakeSetup& s) { s.world.version = {6, 4}; },
                         Then(kUpToTask, {L"saved startup kiosk", L"saved desktop kiosk", kCreated, L"closed"})},
        RegisterScenario{"VersionUnknown", [](FakeSetup& s) { s.world.version = {0, 0}; },
                         Then(kUpToTask, {L"saved startup kiosk", L"saved desktop kiosk", kCreated, L"closed"})},
        RegisterScenario{"ShowDesktopFileOpenFails",
                         [](FakeSetup& s) {
                             s.world.version = {6, 2};
                             s.world.unopenable.insert(s.scfPath());
                         },
                         Then(kUpToTask, {L"open failed scf", kDesktopFailed})},
        RegisterScenario{"ShowDesktopShortcutFails",
                         [](FakeSetup& s) {
                             s.world.version = {6, 3};
                             s.world.failingSaves.insert(s.scfLinkPath());
                         },
                         Then(kUpToTask, {L"wrote scf", L"save failed scf shortcut", kStartupFailed})},
        RegisterScenario{"StartupKioskFails",
                         [](FakeSetup& s) { s.world.failingSaves.insert(s.startupKioskPath()); },
                         Then(kUpToTask, {L"save failed startup kiosk", kStartupFailed, L"saved desktop kiosk",
                                          kCreated, L"closed"})},
        RegisterScenario{"DesktopKioskFails",
                         [](FakeSetup& s) { s.world.failingSaves.insert(s.desktopKioskPath()); },
                         Then(kUpToTask, {L"saved startup kiosk", L"save failed desktop kiosk", kDesktopFailed,
                                          kCreated, L"closed"})},
        RegisterScenario{"BothKiosksFail",
                         [](FakeSetup& s) {
                             s.world.failingSaves.insert(s.startupKioskPath());
                             s.world.failingSaves.insert(s.desktopKioskPath());
                         },
                         Then(kUpToTask, {L"save failed startup kiosk", kStartupFailed, L"save failed desktop kiosk",
                                          kDesktopFailed})}),
    [](const ::testing::TestParamInfo<RegisterScenario>& info) { return std::string(info.param.name); });

// The unit's page is asked before anything is written. A page that answers
// (200-399) goes on without a question; any other answer is put to the user
// with its reason: "はい" goes on exactly as an answering page, "いいえ" stops
// with nothing written and the focus in the address.
TEST(RegisterProcedureTest, APageThatDoesNotAnswerIsAskedAboutBeforeAnythingIsWritten) {
    using Kind = PageAnswer::Kind;
    const Log registered = {L"wrote script", L"create task", L"saved startup kiosk", L"saved desktop kiosk", kCreated,
                            L"closed"};
    const std::wstring ask = L"ask register anyway http://192.168.1.1/display.htm?size=1 ";
    const struct {
        const char* name;
        PageAnswer answer;
        const wchar_t* reason;  // null: no question
    } cases[] = {
        {"200", {Kind::status, 200}, nullptr},
        {"204", {Kind::status, 204}, nullptr},
        {"301 (not followed)", {Kind::status, 301}, nullptr},
        {"399", {Kind::status, 399}, nullptr},
        {"199", {Kind::status, 199}, L"(ユニットは応答しましたが、表示画面ではなく HTTP ステータス 199 でした)"},
        {"400", {Kind::status, 400}, L"(ユニットは応答しましたが、表示画面ではなく HTTP ステータス 400 でした)"},
        {"404", {Kind::status, 404}, L"(ユニットは応答しましたが、表示画面ではなく HTTP ステータス 404 でした)"},
        {"500", {Kind::status, 500}, L"(ユニットは応答しましたが、表示画面ではなく HTTP ステータス 500 でした)"},
        {"timed out", {Kind::timedOut, 0}, L"(5 秒以内に応答がありません)"},
        {"refused", {Kind::refused, 0}, L"(接続を拒否されました)"},
        {"unreachable", {Kind::unreachable, 0}, L"(ネットワークの経路がなく、ユニットに届きません)"},
        {"not HTTP", {Kind::notHttp, 12152}, L"(ユニットは応答しましたが、Web ページではありませんでした)"},
        {"other failure", {Kind::failed, 12175}, L"(接続できません。エラー 12175)"},
    };
    for (const auto& c : cases) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (yes ? " yes" : " no"));
            FakeSetup s;
            s.world.pageAnswer = c.answer;
            s.world.registerUnanswered = yes;
            const bool done = RunRegisterProcedure(s.dialog, s.dialog.settings, s.target(), s.browser, s.platform) ==
                              ProcedureResult::done;
            Log expected = {L"read controls", kRequestDefault};
            if (c.reason) expected.push_back(ask + c.reason);
            if (!c.reason || yes) {
                expected.insert(expected.end(), registered.begin(), registered.end());
            } else {
                expected.push_back(L"focus address");
            }
            EXPECT_EQ(s.world.log, expected);
            EXPECT_EQ(done, !c.reason || yes);
            EXPECT_EQ(s.world.disk.empty(), c.reason && !yes);
        }
    }
}

// The dialog closed while the page was asked: nothing more is asked or done.
TEST(RegisterProcedureTest, ACheckStoppedByClosingDoesNothingMore) {
    FakeSetup s;
    s.world.pageAnswer = {PageAnswer::Kind::stopped, 0};
    s.world.registerUnanswered = true;
    EXPECT_EQ(RunRegisterProcedure(s.dialog, s.dialog.settings, s.target(), s.browser, s.platform),
              ProcedureResult::failed);
    EXPECT_EQ(s.world.log, (Log{L"read controls", kRequestDefault}));
}

TEST(RegisterProcedureTest, WriteFailureAfterOpenPropagatesAndStopsEverything) {
    FakeSetup s;
    s.world.failingWrites.insert(s.scriptPath());
    EXPECT_THROW(RunRegister(s), FileError);
    EXPECT_EQ(s.world.log, (Log{L"read controls", kRequestDefault, L"write failed script", L"dropped script"}));
    EXPECT_TRUE(s.world.commandLines.empty());
    EXPECT_TRUE(s.world.shortcuts.empty());
}

TEST(RegisterProcedureTest, ShowDesktopWriteFailurePropagatesBeforeAnyShortcut) {
    FakeSetup s;
    s.world.version = {6, 2};
    s.world.failingWrites.insert(s.scfPath());
    EXPECT_THROW(RunRegister(s), FileError);
    EXPECT_TRUE(s.world.shortcuts.empty());
    EXPECT_TRUE(s.world.disk.count(s.scriptPath()));  // what was done before stays
}

TEST(RegisterProcedureTest, UsesTheControlsAsReadAtTheClick) {
    FakeSetup s;
    s.world.version = {6, 2};
    s.dialog.controls.unitAddress = 0x0A0000FE;  // 10.0.0.254
    s.dialog.controls.screenSizeChoice = 1;
    UpdatePageSuffix(s.dialog.controls);
    s.dialog.controls.refreshHour = L"5";
    RunRegister(s);

    const std::wstring link = L"http://10.0.0.254/display.htm?size=2";
    const std::wstring args =
        L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk \"" + link + L"\"";
    ASSERT_EQ(s.world.commandLines.size(), 1u);
    EXPECT_EQ(s.world.commandLines[0],
              L"SCHTASKS /Create /TN \"Quorvix画面リフレッシュ\uFF08taro\uFF09\" /TR "
              L"\"%windir%\\SysWOW64\\wscript.exe \\\"C:\\Users\\taro\\Documents\\LAU_Refresh.vbs\\\"\" "
              L"/SC DAILY /ST 05:00:00 /IT /F");
    EXPECT_NE(s.world.disk[s.scriptPath()].find("Addr = \"http://10.0.0.254/display.htm?size=2\"\r\n"),
              std::string::npos);
    EXPECT_EQ(s.world.disk[s.scfPath()].size(), 79u);

    const struct {
        std::wstring link, target, arguments, description;
    } expected[] = {
        {s.scfLinkPath(), s.scfPath(), L"", L"デスクトップの表示"},
        {s.startupKioskPath(), s.browser, args, L"LAN対応ユニット キオスクモード"},
        {s.desktopKioskPath(), s.browser, args, L"LAN対応ユニット キオスクモード"},
    };
    ASSERT_EQ(s.world.shortcuts.size(), 3u);
    for (const auto& e : expected) {
        const ShortcutRecord& r = s.world.shortcuts[e.link];
        EXPECT_EQ(r.linkPath, e.link);
        EXPECT_EQ(r.targetPath, e.target) << e.link;
        EXPECT_EQ(r.arguments, e.arguments) << e.link;
        EXPECT_EQ(r.workingDirectory, L"%HOMEDRIVE%%HOMEPATH%") << e.link;
        EXPECT_EQ(r.description, e.description) << e.link;
    }
}

TEST(RegisterProcedureTest, HourAndArchitectureReachTheCreateCommand) {
    const struct {
        const wchar_t* hour;
        bool amd64;
        const wchar_t* startTime;
        const wchar_t* host;
    } cases[] = {
        {L"0", true, L"/ST 00:00:00 ", L"/TR \"%windir%\\SysWOW64\\wscript.exe \\\""},
        {L"5", false, L"/ST 05:00:00 ", L"/TR \"wscript.exe \\\""},
        {L"23", true, L"/ST 23:00:00 ", L"/TR \"%windir%\\SysWOW64\\wscript.exe \\\""},
        {L"1", false, L"/ST 01:00:00 ", L"/TR \"wscript.exe \\\""},
    };
    for (const auto& c : cases) {
        FakeSetup s;
        s.world.nativeAmd64 = c.amd64;
        s.dialog.controls.refreshHour = c.hour;
        RunRegister(s);
        ASSERT_EQ(s.world.commandLines.size(), 1u);
        EXPECT_NE(s.world.commandLines[0].find(c.startTime), std::wstring::npos) << c.hour;
        EXPECT_NE(s.world.commandLines[0].find(c.host), std::wstring::npos) << c.hour;
    }
}

TEST(RegisterProcedureTest, SecondRunLeavesOnlyTheSecondSetUp) {
    FakeSetup s;
    s.dialog.controls.refreshHour = L"4";
    RunRegister(s);
    s.dialog.controls.unitAddress = 0xC0A8000A;  // 192.168.0.10
    s.dialog.controls.screenSizeChoice = 1;
    UpdatePageSuffix(s.dialog.controls);
    s.dialog.controls.refreshHour = L"22";
    RunRegister(s);

    const std::string& script = s.world.disk[s.scriptPath()];
    EXPECT_EQ(script.find("192.168.1.1"), std::string::npos);
    EXPECT_NE(script.find("http://192.168.0.10/display.htm?size=2"), std::string::npos);
    EXPECT_EQ(script.size(), 720 + 2 * std::wstring(L"http://192.168.0.10/display.htm?size=2").size());
    ASSERT_EQ(s.world.commandLines.size(), 2u);
    EXPECT_EQ(s.world.commandLines[0].substr(0, 60), s.world.commandLines[1].substr(0, 60));  // same task name
    EXPECT_NE(s.world.commandLines[1].find(L"/ST 22:00:00"), std::wstring::npos);
    EXPECT_EQ(s.world.shortcuts.size(), 2u);
    for (const auto& entry : s.world.shortcuts) {
        EXPECT_EQ(entry.second.arguments,
                  L"--ie-mode-test --inprivate --edge-kiosk-type=fullscreen --kiosk "
                  L"\"http://192.168.0.10/display.htm?size=2\"");
    }
}

}  // namespace
}  // namespace tavrin::testing

namespace tavrin::testing {
namespace {

// What the command line's exit code and key line go by: done only when
// every step of the set-up was done, partial once the script is written,
// whatever the dialog then shows.
TEST(RegisterProcedureTest, ReportsHowFarItGot) {
    using R = ProcedureResult;
    const struct {
        const char* name;
        std::function<void(FakeSetup&)> arrange;
        ProcedureResult expected;
    } cases[] = {
        {"every step on 6.1", [](FakeSetup&) {}, R::done},
        {"every step on 6.2", [](FakeSetup& s) { s.world.version = {6, 2}; }, R::done},
        {"address incomplete", [](FakeSetup& s) { s.dialog.controls.unitAddressComplete = false; }, R::failed},
        {"page refused, not registered anyway",
         [](FakeSetup& s) { s.world.pageAnswer = {PageAnswer::Kind::refused, 0}; }, R::failed},
        {"script cannot be opened", [](FakeSetup& s) { s.world.unopenable.insert(s.scriptPath()); }, R::failed},
        {"SCHTASKS fails", [](FakeSetup& s) { s.world.commandStatus = 1; }, R::partial},
        {"Show-Desktop file cannot be opened",
         [](FakeSetup& s) {
             s.world.version = {6, 3};
             s.world.unopenable.insert(s.scfPath());
         },
         R::partial},
        {"Show-Desktop shortcut fails",
         [](FakeSetup& s) {
             s.world.version = {6, 2};
             s.world.failingSaves.insert(s.scfLinkPath());
         },
         R::partial},
        {"Startup kiosk shortcut fails", [](FakeSetup& s) { s.world.failingSaves.insert(s.startupKioskPath()); },
         R::partial},
        {"Desktop kiosk shortcut fails", [](FakeSetup& s) { s.world.failingSaves.insert(s.desktopKioskPath()); },
         R::partial},
        {"both kiosk shortcuts fail",
         [](FakeSetup& s) {
             s.world.failingSaves.insert(s.startupKioskPath());
             s.world.failingSaves.insert(s.desktopKioskPath());
         },
         R::partial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSetup s;
        c.arrange(s);
        EXPECT_EQ(RunRegisterProcedure(s.dialog, s.dialog.settings, s.target(), s.browser, s.platform), c.expected);
    }
}

}  // namespace
}  // namespace tavrin::testing

namespace tavrin::testing {
namespace {

const std::wstring kDisplayUserSid = L"S-1-5-21-1004336348-1177238915-682003330-1001";

// Another account's task goes to SCHTASKS as a task document whose principal
// is that account; the document is there only while SCHTASKS runs.
TEST(RegisterRefreshTaskTest, AnotherAccountsTaskGoesAsADocumentWithItsSid) {
    const std::wstring script = L"C:\\Users\\hanako\\Documents\\LAU_Refresh.vbs";
    const struct {
        const char* name;
        std::function<void(FakeSetup&)> arrange;
        bool registered;
        Log log;
    } cases[] = {
        {"registered", [](FakeSetup&) {}, true, {L"save task document", L"create task", L"task document removed"}},
        {"SCHTASKS fails", [](FakeSetup& s) { s.world.commandStatus = 1; }, false,
         {L"save task document", L"create task", L"task document removed", kTaskFailed}},
        {"the document cannot be saved", [](FakeSetup& s) { s.world.taskDocumentsSavable = false; }, false,
         {L"save task document", kTaskFailed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSetup s;
        s.world.now = {2027, 1, 31, 23, 59, 59};
        c.arrange(s);
        EXPECT_EQ(RegisterRefreshTask(s.dialog, s.platform, script, 7, L"タスク（hanako）", kDisplayUserSid), c.registered);
        EXPECT_EQ(s.world.log, c.log);
        EXPECT_TRUE(s.world.taskDocuments.empty());
        if (!s.world.taskDocumentsSavable) {
            EXPECT_TRUE(s.world.commandLines.empty());
            continue;
        }
        ASSERT_EQ(s.world.savedTaskDocuments.size(), 1u);
        EXPECT_EQ(s.world.savedTaskDocuments[0],
                  TaskDocumentXml(RefreshTaskDefinition(script, 7, true, s.world.now, kDisplayUserSid)));
        EXPECT_EQ(s.world.commandLines,
                  Log{L"SCHTASKS /Create /TN \"タスク（hanako）\" /XML \"C:\\Windows\\Temp\\doc1\\task.xml\" /F"});
    }
}

// The document holds what the /TR line registers: the same action, split as
// SCHTASKS splits it, a daily trigger today at the hour; and the principal.
TEST(RegisterRefreshTaskTest, TheDocumentsTaskIsTheTaskRunLinesTask) {
    for (const bool amd64 : {true, false}) {
        FakeSetup s;
        s.world.nativeAmd64 = amd64;
        s.dialog.controls.refreshHour = L"23";
        RunRegister(s);
        const TaskDefinition& byTaskRun = s.world.tasks.at(s.taskName());
        const TaskDefinition byDocument =
            RefreshTaskDefinition(s.scriptPath(), 23, amd64, LocalTime{2026, 12, 10, 9, 0, 0}, kDisplayUserSid);
        ASSERT_EQ(byDocument.actions.size(), 1u);
        EXPECT_EQ(byDocument.actions[0].command, byTaskRun.actions[0].command);
        EXPECT_EQ(byDocument.actions[0].arguments, byTaskRun.actions[0].arguments);
        ASSERT_EQ(byDocument.triggers.size(), 1u);
        EXPECT_EQ(byDocument.triggers[0].startBoundary, byTaskRun.triggers[0].startBoundary);
        EXPECT_EQ(byDocument.triggers[0].daysInterval, 1);
        EXPECT_TRUE(byDocument.triggers[0].calendar);
        EXPECT_EQ(byDocument.principal.userId, kDisplayUserSid);
        EXPECT_EQ(byDocument.principal.logonType, L"InteractiveToken");
        EXPECT_EQ(byDocument.principal.runLevel, L"LeastPrivilege");
    }
}

// SCHTASKS refuses a /TR of more than 261 characters. Found out only at the
// task, that left a written script and no task: the length is checked before
// anything is written or asked.
TEST(RegisterProcedureTest, ATaskRunTooLongForSchtasksStopsBeforeAnythingIsWritten) {
    const struct {
        bool amd64;
        std::size_t documentsLength;
        bool fits;
    } cases[] = {
        // %windir%\SysWOW64\wscript.exe "<Documents>\LAU_Refresh.vbs": 48 characters besides the folder.
        {true, 213, true},
        {true, 214, false},
        // wscript.exe "<Documents>\LAU_Refresh.vbs": 30.
        {false, 231, true},
        {false, 232, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.documentsLength);
        FakeSetup s;
        s.world.nativeAmd64 = c.amd64;
        s.folders.documents = L"C:\\" + std::wstring(c.documentsLength - 3, L'd');
        RunRegister(s);
        if (c.fits) {
            ASSERT_EQ(s.world.commandLines.size(), 1u);
            EXPECT_NE(s.world.commandLines[0].find(L"/TR"), std::wstring::npos);
            EXPECT_EQ(s.world.log.back(), L"closed");
            continue;
        }
        EXPECT_EQ(s.world.log, (Log{L"read controls", kTaskFailed}));
        EXPECT_TRUE(s.world.disk.empty());
        EXPECT_TRUE(s.world.workFilesRemoved.empty());
        EXPECT_TRUE(s.world.commandLines.empty());
    }
}

}  // namespace
}  // namespace tavrin::testing

namespace tavrin::testing {
namespace {

// Whom the set-up is for decides the task: the running account's own is
// today's /TR line; another user's goes as a document with that user's
// identifier, named after that user, and 削除 deletes that task.
TEST(RegisterProcedureTest, TheTargetDecidesTheTaskNameAndPrincipal) {
    for (const bool otherUser : {false, true}) {
        SCOPED_TRACE(otherUser ? "another user" : "the running account");
        FakeSetup s;
        s.world.userName = L"hanako";
        SetUpTarget target = s.target();
        target.otherUser = otherUser;
        ASSERT_EQ(RunRegisterProcedure(s.dialog, s.dialog.settings, target, s.browser, s.platform),
                  ProcedureResult::done);
        ASSERT_EQ(s.world.commandLines.size(), 1u);
        const std::wstring& create = s.world.commandLines[0];
        EXPECT_EQ(create.rfind(L"SCHTASKS /Create /TN \"Quorvix画面リフレッシュ（hanako）\" ", 0), 0u);
        EXPECT_EQ(create.find(L" /XML ") != std::wstring::npos, otherUser);
        if (otherUser) {
            ASSERT_EQ(s.world.savedTaskDocuments.size(), 1u);
            EXPECT_NE(s.world.savedTaskDocuments[0].find(L"<UserId>" + target.account.sid + L"</UserId>"),
                      std::wstring::npos);
        } else {
            EXPECT_TRUE(s.world.savedTaskDocuments.empty());
        }
        EXPECT_EQ(RunRemoveProcedure(s.dialog, target, s.platform), ProcedureResult::done);
        EXPECT_EQ(s.world.commandLines.back(), L"schtasks /delete /f /tn \"Quorvix画面リフレッシュ（hanako）\"");
    }
}

}  // namespace
}  // namespace tavrin::testing
